#pragma once
#include <windows.h>

#include <memory>

#include "platform/flash_player.h"

namespace pq::win32 {

// The movie player control, hosted in a child window of the banner area.
// Raises Error when the control cannot be created.
std::unique_ptr<FlashPlayer> CreateWin32FlashPlayer(HWND banner_area);

}  // namespace pq::win32
