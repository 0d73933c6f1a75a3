#include "support/loopback_tls_front.h"

#include <ws2tcpip.h>

#include <sstream>

#include "support/socket_wait.h"

namespace pq::testing {
namespace {

constexpr char kPython[] = "Z:\\usr\\bin\\python3";
constexpr int kStartMs = 20000;

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

LoopbackTlsFront::LoopbackTlsFront(int backend_port, const std::string& fixtures,
                                   const std::vector<std::string>& certificates) {
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
  SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
  listen(listener, 1);
  int length = sizeof address;
  getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);

  // A Unix program gets its arguments as written: Unix paths.
  std::string command = std::string(kPython) + " " +
                        Quoted(std::string(PQ_SOURCE_DIR) + "/tests/win/support/tls_front.py") +
                        " " + std::to_string(ntohs(address.sin_port)) + " " +
                        std::to_string(backend_port) + " " + Quoted(fixtures);
  for (const std::string& name : certificates) command += " " + name;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  const bool started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                      nullptr, &startup, &process);
  if (process.hProcess) CloseHandle(process.hProcess);
  if (process.hThread) CloseHandle(process.hThread);
  if (started && Readable(listener, kStartMs)) control_ = accept(listener, nullptr, nullptr);
  closesocket(listener);
  if (control_ == INVALID_SOCKET) return;

  std::string line;
  char buffer[256];
  const ULONGLONG deadline = GetTickCount64() + kStartMs;
  while (line.find('\n') == std::string::npos && GetTickCount64() < deadline) {
    if (!Readable(control_, 100)) continue;
    const int n = recv(control_, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    line.append(buffer, n);
  }
  std::istringstream words(line.substr(0, line.find('\n')));
  for (std::string word; words >> word;) {
    const size_t equals = word.find('=');
    if (equals != std::string::npos)
      ports_[word.substr(0, equals)] = std::stoi(word.substr(equals + 1));
  }
  if (ports_.size() != certificates.size()) ports_.clear();
}

LoopbackTlsFront::~LoopbackTlsFront() {
  if (control_ != INVALID_SOCKET) closesocket(control_);
  WSACleanup();
}

std::string LoopbackTlsFront::BaseUrl(const std::string& certificate) const {
  const auto found = ports_.find(certificate);
  return found == ports_.end() ? std::string()
                               : "https://localhost:" + std::to_string(found->second);
}

}  // namespace pq::testing
