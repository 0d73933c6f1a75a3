#pragma once
// Waiting a bounded time on a socket of the loopback servers, so that their
// threads notice when they are asked to stop.
#include <winsock2.h>

namespace pq::testing {

// Waits up to `ms` for the socket to become readable (or writable).
inline bool SocketReady(SOCKET socket, int ms, bool for_writing) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(socket, &set);
  timeval timeout{ms / 1000, (ms % 1000) * 1000};
  return select(0, for_writing ? nullptr : &set, for_writing ? &set : nullptr, nullptr, &timeout) ==
         1;
}
inline bool Readable(SOCKET socket, int ms) { return SocketReady(socket, ms, false); }
inline bool Writable(SOCKET socket, int ms) { return SocketReady(socket, ms, true); }

}  // namespace pq::testing
