#pragma once
// The Internet as the toolbar uses it: a session under an agent name, addresses
// put into canonical form, and the body behind an address read piece by piece.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace pq {

// Header lines of a request: name, then value, each without CR or LF.
using RequestHeaders = std::vector<std::pair<std::string, std::string>>;

// Limits of one network operation, in milliseconds.
struct InternetTimeouts {
  uint32_t connect_ms = 0;
  uint32_t send_ms = 0;
  uint32_t receive_ms = 0;  // the longest wait for the next bytes of a response
};

// An opened address: the server's response body. Closed with the object.
class InternetResource {
 public:
  virtual ~InternetResource() = default;
  // The body's length as the server announced it (Content-Length), when it did.
  virtual std::optional<uint64_t> AnnouncedLength() = 0;
  // The HTTP status code of the response; 0 for addresses of other schemes.
  virtual uint32_t StatusCode() = 0;
  // A header of the response by its name, in any case; none when absent.
  virtual std::optional<std::string> ResponseHeader(const std::string& name) = 0;
  // Replaces `piece` with the next bytes of the body, at most `capacity` of them,
  // waiting no longer than the receive timeout for them to arrive. An empty piece
  // is the end of the body; false is a failed read.
  [[nodiscard]] virtual bool ReadPiece(size_t capacity, std::string& piece) = 0;
};

// A session under one agent name. Closed with the object.
class InternetSession {
 public:
  virtual ~InternetSession() = default;
  // Opens an address with the headers given added to the request. The
  // request goes to the server past any cache, with no conditions but the
  // ones given, and nothing of the response is cached: a 304 comes back as
  // a 304. Every response the server gives counts, whatever its status.
  // None on failure.
  virtual std::unique_ptr<InternetResource> OpenAddress(const std::string& address,
                                                        const RequestHeaders& headers) = 0;
};

class Internet {
 public:
  virtual ~Internet() = default;
  // The name the toolbar's requests go under: the host program's file name.
  virtual std::string AgentName() = 0;
  // Uses the system's proxy settings. None on failure.
  virtual std::unique_ptr<InternetSession> OpenSession(const std::string& agent,
                                                       const InternetTimeouts& timeouts) = 0;
  // The canonical form of an address, escape sequences decoded and unsafe
  // characters left as they are. Returns 0, or the system's error code with
  // `canonical` untouched.
  [[nodiscard]] virtual uint32_t Canonicalize(const std::string& address,
                                              std::string& canonical) = 0;
  // Whether the machine may go online now: 0 when it may, else the system's
  // error code (offline, or the user declined to connect).
  virtual uint32_t AttemptConnect() = 0;
};

}  // namespace pq
