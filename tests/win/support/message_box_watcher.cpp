#include "support/message_box_watcher.h"

#include <algorithm>

namespace pq::testing {
namespace {

// The control that holds a message box's text.
constexpr int kMessageTextId = 0xFFFF;

std::string TextOf(HWND window) {
  if (!window) return std::string();
  std::string text(GetWindowTextLengthA(window) + 1, '\0');
  text.resize(GetWindowTextA(window, text.data(), static_cast<int>(text.size())));
  return text;
}

struct Search {
  DWORD process;
  std::vector<HWND> boxes;
};

BOOL CALLBACK Collect(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<Search*>(context);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  char class_name[16] = {};
  GetClassNameA(window, class_name, sizeof class_name);
  if (process == search->process && IsWindowVisible(window) && std::string(class_name) == "#32770")
    search->boxes.push_back(window);
  return TRUE;
}

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
    Search search{GetCurrentProcessId(), {}};
    EnumWindows(Collect, reinterpret_cast<LPARAM>(&search));
    for (HWND box : search.boxes) Answer(box);
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
    seen_.push_back({TextOf(box), TextOf(GetDlgItem(box, kMessageTextId))});
  }
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
}

}  // namespace pq::testing
