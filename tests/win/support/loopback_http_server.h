#pragma once
// An HTTP server of the test's own on 127.0.0.1 at a port the system picks.
// It answers one connection at a time as told, and keeps every request it
// received. Nothing leaves the machine.
#include <winsock2.h>

#include <atomic>
#include <future>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace pq::testing {

class LoopbackHttpServer {
 public:
  enum class Behaviour {
    Respond,         // status, headers and the whole body, then close
    NeverAnswer,     // read the request, then stay silent until the client gives up
    HalfThenClose,   // announce the body's length, send half of it, close
    EndlessFast,     // a body without end, as fast as the client takes it
    EndlessTrickle,  // a body without end, a few bytes at a time
    Trickle,         // the first `slow_bytes` of the response one a second, then the rest
  };
  struct Reply {
    Behaviour behaviour = Behaviour::Respond;
    std::string status = "200 OK";
    std::string headers;  // extra header lines, each ending with CR LF
    std::string body;
    size_t slow_bytes = 0;  // Trickle only
    // When set, the request is answered only once this is ready, on a thread
    // of its own, while the server goes on answering other connections.
    std::shared_future<void> held_until;
  };

  LoopbackHttpServer();
  ~LoopbackHttpServer();
  LoopbackHttpServer(const LoopbackHttpServer&) = delete;
  LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

  // The reply to every connection from now on.
  void SetReply(const Reply& reply);
  // The reply to a request for this path (as the request line has it) from
  // now on, instead of the one for every connection.
  void SetReplyFor(const std::string& path, const Reply& reply);
  // "http://127.0.0.1:<port>"
  std::string BaseUrl() const;
  int Port() const { return port_; }
  // The requests received so far, head only (request line and header lines).
  std::vector<std::string> Requests() const;

 private:
  void Serve();
  // False when the connection was handed to a thread of its own.
  bool Answer(SOCKET client);
  void Respond(SOCKET client, const Reply& reply);
  bool SendAll(SOCKET socket, const std::string& data);
  bool Stopping() const { return stopping_; }

  SOCKET listener_ = INVALID_SOCKET;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  mutable std::mutex mutex_;
  Reply reply_;
  std::map<std::string, Reply> path_replies_;
  std::vector<std::string> requests_;
  std::thread thread_;
  std::vector<std::thread> held_;  // answers held back, joined at the end
};

// An address on 127.0.0.1 where nothing listens: connections are refused.
std::string UnusedLoopbackUrl();

// The value of a header in a request head; empty when absent.
std::string HeaderValue(const std::string& request, const std::string& name);

}  // namespace pq::testing
