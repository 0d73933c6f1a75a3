#include "win32/flash_player_control.h"

#include "platform/error.h"

namespace pq::win32 {

std::unique_ptr<FlashPlayer> CreateWin32FlashPlayer(HWND) {
  throw Error("The movie player is not available");
}

}  // namespace pq::win32
