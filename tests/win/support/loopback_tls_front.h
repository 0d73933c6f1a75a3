#pragma once
// TLS in front of a loopback HTTP server of the test's own: a small Python
// program (support/tls_front.py) that the test starts, listening on 127.0.0.1
// with one certificate per port and passing each request on to the server.
// Wine runs the Unix program; it ends with this object or with the test.
#include <winsock2.h>

#include <map>
#include <string>
#include <vector>

namespace pq::testing {

class LoopbackTlsFront {
 public:
  // `certificates` name files of the fixtures directory (NAME.pem, NAME.key).
  LoopbackTlsFront(int backend_port, const std::string& fixtures,
                   const std::vector<std::string>& certificates);
  ~LoopbackTlsFront();
  LoopbackTlsFront(const LoopbackTlsFront&) = delete;
  LoopbackTlsFront& operator=(const LoopbackTlsFront&) = delete;

  // Whether the front started and said where it listens.
  bool Started() const { return !ports_.empty(); }
  // "https://localhost:<port>" of the port that presents that certificate.
  std::string BaseUrl(const std::string& certificate) const;

 private:
  SOCKET control_ = INVALID_SOCKET;
  std::map<std::string, int> ports_;
};

}  // namespace pq::testing
