#include "support/message_box_watcher.h"

#include <algorithm>

#include "ui_kit/window_finder.h"

namespace pq::testing {
namespace {

// The control that holds a message box's text.
constexpr int kMessageTextId = 0xFFFF;

}  // namespace

MessageBoxWatcher::MessageBoxWatcher() : thread_([this] { Watch(); }) {}

MessageBoxWatcher::~MessageBoxWatcher() {
  stopping_ = true;
  thread_.join();
}

std::vector<SeenBox> MessageBoxWatcher::Seen() const {
  std::lock_guard lock(mutex_);
  return seen_;
}

void MessageBoxWatcher::Watch() {
  while (!stopping_) {
    for (HWND window : ui_kit::TopLevelWindowsOf(GetCurrentProcessId()))
      if (ui_kit::ClassOf(window) == "#32770") Answer(window);
    {
      // Handles of closed boxes may come back for new ones.
      std::lock_guard lock(mutex_);
      std::erase_if(answered_, [](HWND box) { return !IsWindow(box); });
    }
    Sleep(30);
  }
}

void MessageBoxWatcher::Answer(HWND box) {
  {
    std::lock_guard lock(mutex_);
    // A box stays listed until its thread has handled the button.
    if (std::find(answered_.begin(), answered_.end(), box) != answered_.end()) return;
    answered_.push_back(box);
    seen_.push_back({ui_kit::TextOf(box), ui_kit::TextOf(GetDlgItem(box, kMessageTextId))});
  }
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
}

}  // namespace pq::testing
