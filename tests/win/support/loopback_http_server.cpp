#include "support/loopback_http_server.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <chrono>

#include "platform/text.h"
#include "support/socket_wait.h"

namespace pq::testing {
namespace {

struct WinsockUser {
  WinsockUser() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
  }
  ~WinsockUser() { WSACleanup(); }
};

SOCKET BoundListener(int& port) {
  static WinsockUser winsock;
  SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
  int length = sizeof address;
  getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
  port = ntohs(address.sin_port);
  return listener;
}

}  // namespace

// Sends in small slices, each once the socket can take it, so that a client that
// stops reading never holds the server beyond its stop.
bool LoopbackHttpServer::SendAll(SOCKET socket, const std::string& data) {
  size_t sent = 0;
  while (sent < data.size()) {
    if (Stopping()) return false;
    if (!Writable(socket, 50)) continue;
    const int slice = static_cast<int>(std::min<size_t>(data.size() - sent, 4096));
    const int n = send(socket, data.data() + sent, slice, 0);
    if (n <= 0) return false;
    sent += n;
  }
  return true;
}

namespace {

std::string Head(const LoopbackHttpServer::Reply& reply, const std::string& length_header) {
  return "HTTP/1.1 " + reply.status + "\r\n" + length_header + "Connection: close\r\n" +
         reply.headers + "\r\n";
}

}  // namespace

LoopbackHttpServer::LoopbackHttpServer() {
  listener_ = BoundListener(port_);
  listen(listener_, 8);
  thread_ = std::thread([this] { Serve(); });
}

LoopbackHttpServer::~LoopbackHttpServer() {
  stopping_ = true;
  thread_.join();
  for (std::thread& held : held_) held.join();
  closesocket(listener_);
}

void LoopbackHttpServer::SetReply(const Reply& reply) {
  std::lock_guard lock(mutex_);
  reply_ = reply;
}

void LoopbackHttpServer::SetReplyFor(const std::string& path, const Reply& reply) {
  std::lock_guard lock(mutex_);
  path_replies_[path] = reply;
}

std::string LoopbackHttpServer::BaseUrl() const {
  return "http://127.0.0.1:" + std::to_string(port_);
}

std::vector<std::string> LoopbackHttpServer::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

void LoopbackHttpServer::Serve() {
  while (!Stopping()) {
    if (!Readable(listener_, 50)) continue;
    SOCKET client = accept(listener_, nullptr, nullptr);
    if (client == INVALID_SOCKET) continue;
    if (Answer(client)) closesocket(client);
  }
}

bool LoopbackHttpServer::Answer(SOCKET client) {
  std::string head;
  char buffer[4096];
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (head.find("\r\n\r\n") == std::string::npos) {
    if (Stopping() || std::chrono::steady_clock::now() > give_up) return true;
    if (!Readable(client, 50)) continue;
    const int n = recv(client, buffer, sizeof buffer, 0);
    if (n <= 0) return true;
    head.append(buffer, n);
  }
  head.resize(head.find("\r\n\r\n") + 2);
  Reply reply;
  {
    std::lock_guard lock(mutex_);
    requests_.push_back(head);
    // The request line: method, path, version.
    const size_t path_start = head.find(' ') + 1;
    const std::string path = head.substr(path_start, head.find(' ', path_start) - path_start);
    const auto found = path_replies_.find(path);
    reply = found == path_replies_.end() ? reply_ : found->second;
  }
  if (reply.held_until.valid()) {
    held_.emplace_back([this, client, reply] {
      while (!Stopping() && reply.held_until.wait_for(std::chrono::milliseconds(50)) !=
                                std::future_status::ready) {
      }
      Respond(client, reply);
      closesocket(client);
    });
    return false;
  }
  Respond(client, reply);
  return true;
}

void LoopbackHttpServer::Respond(SOCKET client, const Reply& reply) {
  char buffer[4096];
  // Waits until the client closes the connection or the server stops.
  auto wait_for_client = [&] {
    while (!Stopping()) {
      if (Readable(client, 50) && recv(client, buffer, sizeof buffer, 0) <= 0) return;
    }
  };

  switch (reply.behaviour) {
    case Behaviour::Respond:
      SendAll(client, Head(reply, "Content-Length: " + std::to_string(reply.body.size()) + "\r\n") +
                          reply.body);
      break;
    case Behaviour::NeverAnswer:
      wait_for_client();
      break;
    case Behaviour::HalfThenClose:
      SendAll(client, Head(reply, "Content-Length: " + std::to_string(reply.body.size()) + "\r\n") +
                          reply.body.substr(0, reply.body.size() / 2));
      break;
    case Behaviour::EndlessFast: {
      if (!SendAll(client, Head(reply, "") + reply.body)) break;
      const std::string block(16 * 1024, 'x');
      while (!Stopping() && SendAll(client, block)) {
      }
      break;
    }
    case Behaviour::Trickle: {
      const std::string whole =
          Head(reply, "Content-Length: " + std::to_string(reply.body.size()) + "\r\n") + reply.body;
      size_t sent = 0;
      bool open = true;
      for (; open && sent < reply.slow_bytes && sent < whole.size(); ++sent) {
        open = SendAll(client, whole.substr(sent, 1));
        const auto next = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        while (open && !Stopping() && std::chrono::steady_clock::now() < next)
          if (Readable(client, 50) && recv(client, buffer, sizeof buffer, 0) <= 0) open = false;
      }
      if (open) SendAll(client, whole.substr(sent));
      break;
    }
    case Behaviour::EndlessTrickle: {
      if (!SendAll(client, Head(reply, "") + reply.body)) break;
      while (!Stopping() && SendAll(client, "x\r\n")) {
        if (Readable(client, 100) && recv(client, buffer, sizeof buffer, 0) <= 0) break;
      }
      break;
    }
  }
  shutdown(client, SD_SEND);
}

std::string UnusedLoopbackUrl() {
  int port = 0;
  SOCKET socket = BoundListener(port);
  closesocket(socket);
  return "http://127.0.0.1:" + std::to_string(port);
}

std::string HeaderValue(const std::string& request, const std::string& name) {
  size_t line = request.find("\r\n");
  while (line != std::string::npos && line + 2 < request.size()) {
    const size_t start = line + 2;
    const size_t end = request.find("\r\n", start);
    const std::string text = request.substr(start, end - start);
    const size_t colon = text.find(':');
    if (colon != std::string::npos && SameText(text.substr(0, colon), name)) {
      const size_t value = text.find_first_not_of(' ', colon + 1);
      return value == std::string::npos ? std::string() : text.substr(value);
    }
    line = end;
  }
  return std::string();
}

}  // namespace pq::testing
