// demo_driver: replays a short session of a user with the toolbar in the band
// host that runs in the same Wine prefix, and takes a picture of the screen
// after each step. Used by `./run demo`.
//   demo_driver --config INI --log HOST_LOG --shots DIR [--report FILE]
//               [--query TEXT] [--search-type CAPTION] [--button CAPTION]
//               [--submenu CAPTION] [--expect-button CAPTION] [--leave-open]
// INI is the toolbar's installed configuration, from which the expected
// addresses come; HOST_LOG is the host's --log file. The pictures are
// DIR\NN-step.bmp. Each step writes one line to FILE (else to standard
// output). A step whose effect does not come in time ends the run with exit
// status 1, a line saying what was missing, and DIR\failed.bmp. Without
// --leave-open the driver closes the host at the end.
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "config/big_ini_file.h"
#include "host_windows.h"
#include "screen_shot/screen_shot.h"
#include "ui_kit/mouse_input.h"
#include "ui_kit/window_finder.h"
#include "win32/wide_text.h"
#include "user_input.h"

namespace pq::demo {
namespace {

using tools::CaptureScreen;
using tools::CaptureSettled;
using tools::SaveBitmap;
using ui_kit::Button;
using ui_kit::ClassOf;
using ui_kit::ClickAt;
using ui_kit::PressKey;
using ui_kit::TextOf;
using ui_kit::TopLevelWindowsOf;
using ui_kit::WaitUntil;

// How long any one effect may take to come; generous for a loaded machine.
constexpr DWORD kEffectTime = 15000;
constexpr DWORD kHostStartTime = 60000;
constexpr DWORD kSettleTime = 5000;
// Room around the host's windows in the pictures.
constexpr int kPictureMargin = 8;
// From a split button's right edge to the middle of its arrow.
constexpr int kArrowInset = 5;
// From a button's left edge into its image.
constexpr int kImageInset = 12;
constexpr char kAboutCommand[] = "About Toolbar...";
constexpr char kSearchButtonKey[] = "miSearch";
constexpr char kTopLevel[] = "Toolbar";

struct Options {
  std::string config, log, shots, report;
  std::string query = "weather forecast";
  std::string search_type = "News";
  std::string button = "Home";
  std::string submenu = "News";
  std::string expect_button;
  bool leave_open = false;
};

// An item of the configuration, as far as the session needs it.
struct ConfigItem {
  std::string key, parent, caption, url;
  int tag = 0;
};

struct Failed : std::runtime_error {
  using std::runtime_error::runtime_error;
};

void Require(bool condition, const std::string& what) {
  if (!condition) throw Failed(what);
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// The items as the toolbar reads them: with its own store, so that captions
// in any script and file encoding come out as the toolbar shows them.
std::vector<ConfigItem> ReadItems(const std::string& file) {
  TBigIniFile ini(file);
  TStringList keys;
  ini.ReadSection("Toolbar Items", keys);
  std::vector<ConfigItem> items;
  for (int i = 0; i < keys.Count(); ++i) {
    ConfigItem item;
    item.key = std::string(keys[i]);
    item.parent = ini.ReadString(item.key, "Parent", "");
    item.caption = ini.ReadString(item.key, "Caption", "");
    item.url = ini.ReadString(item.key, "URL", "");
    item.tag = ini.ReadInteger(item.key, "Tag", 0);
    items.push_back(item);
  }
  return items;
}

// The address a search for the text opens: the text in place of the first
// [SEARCH], blanks as "+" (the query has only letters, digits and blanks).
std::string SearchAddress(std::string url, const std::string& text) {
  std::string query = text;
  std::replace(query.begin(), query.end(), ' ', '+');
  std::string upper = url;
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  const size_t at = upper.find("[SEARCH]");
  if (at == std::string::npos) return url + query;
  return url.replace(at, 8, query);
}

POINT Middle(const RECT& area) {
  return {(area.left + area.right) / 2, (area.top + area.bottom) / 2};
}

RECT WindowPlace(HWND window) {
  RECT place{};
  GetWindowRect(window, &place);
  return place;
}

class Report {
 public:
  explicit Report(const std::string& path) {
    if (!path.empty()) file_ = std::fopen(path.c_str(), "ab");  // lines end as on Unix
  }
  ~Report() {
    if (file_) std::fclose(file_);
  }
  Report(const Report&) = delete;
  Report& operator=(const Report&) = delete;
  // Each line is on disk at once: the demo's script shows it as it comes.
  void Line(const std::string& text) {
    std::FILE* out = file_ ? file_ : stdout;
    std::fprintf(out, "demo: %s\n", text.c_str());
    std::fflush(out);
  }

 private:
  std::FILE* file_ = nullptr;
};

class Session {
 public:
  Session(const Options& options, Report& report)
      : options_(options), report_(report), items_(ReadItems(options.config)) {}

  void Run() {
    ShowToolbar();
    SearchFromTheField();
    CompleteTwoLetters();
    SearchWithAnotherType();
    ClickButton();
    OpenSubmenu();
    OpenAboutBox();
    if (!options_.leave_open) CloseHost();
  }

  // The step under way, or the last one.
  const std::string& step() const { return step_; }

  // A picture of the moment a step failed, when the host is still there.
  void FailurePicture() {
    if (!host_.frame || !IsWindow(host_.frame)) return;
    if (const auto picture = CaptureScreen(PictureArea()))
      SaveBitmap(*picture, options_.shots + "\\failed.bmp");
  }

 private:
  // --- the steps

  void ShowToolbar() {
    step_ = "01-toolbar";
    const auto host = WaitForHost(kHostStartTime);
    Require(host.has_value(), "the band host never showed the toolbar with its search field");
    host_ = *host;
    toolbar_ = std::make_unique<RemoteToolbar>(host_);
    Require(toolbar_->ok(), "the toolbar's process cannot be read");
    menus_ = std::make_unique<MenuReader>(host_.thread_id);
    Require(menus_->failure().empty(), menus_->failure());

    const ConfigItem* first_type = SearchType([](const ConfigItem& item) { return item.tag == 1; });
    Require(first_type, "the configuration has no search type with Tag 1");
    const std::string& expected = options_.expect_button;
    const bool shown = WaitUntil(
        [&] {
          for (const ToolbarButton& button : toolbar_->Buttons())
            if (button.caption == first_type->caption && (button.style & BTNS_DROPDOWN))
              search_command_ = button.command;
          return search_command_ && (expected.empty() || FindButton(expected));
        },
        kEffectTime);
    Require(shown, search_command_ ? "the toolbar has no button " + Quoted(expected)
                                   : "the toolbar has no search button captioned " +
                                         Quoted(first_type->caption));
    // The browser window is in front, as when the user has just opened it.
    SetForegroundWindow(host_.frame);
    Picture("01-toolbar");
    Step("01-toolbar",
         "the toolbar is shown" +
             (expected.empty() ? std::string()
                               : ", with " + Quoted(expected) + " from the configuration update"));
  }

  void SearchFromTheField() {
    step_ = "02-search";
    const ConfigItem* type = SearchType([](const ConfigItem& item) { return item.tag == 1; });
    const POINT field = Middle(WindowPlace(host_.search_field));
    Click(host_.search_field, field, Button::Left, "the search field");
    Require(
        WaitUntil(
            [&] { return GetForegroundWindow() == host_.frame && Focus() == host_.search_field; },
            kEffectTime),
        "the click into the search field did not give it the keyboard focus");
    // Whatever the field held is removed as a user removes it.
    const size_t old_length = TextOf(host_.search_field).size();
    if (old_length) {
      Require(PressKey(VK_END), "the system refused the key End");
      for (size_t i = 0; i < old_length; ++i) PressKey(VK_BACK);
      Require(WaitUntil([&] { return TextOf(host_.search_field).empty(); }, kEffectTime),
              "the search field could not be emptied");
    }
    Require(TypeText(options_.query), "the system refused the keys of " + Quoted(options_.query));
    const bool typed =
        WaitUntil([&] { return TextOf(host_.search_field) == options_.query; }, kEffectTime);
    Require(typed, "the search field shows " + Quoted(TextOf(host_.search_field)) +
                       ", not the typed " + Quoted(options_.query));
    const size_t before = Navigations().size();
    Require(PressKey(VK_RETURN), "the system refused the key Enter");
    const std::string address = WaitForNavigation(before, SearchAddress(type->url, options_.query));
    Picture("02-search");
    Step("02-search", "clicked into the search field, typed " + Quoted(options_.query) +
                          ", Enter -> " + address);
  }

  // Two letters of the search just made: the drop-down list shows it from
  // the history and the publisher's suggestions below it. Escape closes the
  // list, and the field gets the query back for the steps that follow.
  void CompleteTwoLetters() {
    step_ = "02b-completion";
    const std::string letters = options_.query.substr(0, 2);
    EmptyField();
    Require(TypeText(letters), "the system refused the keys of " + Quoted(letters));
    const HWND box = GetParent(host_.search_field);
    std::vector<std::string> entries;
    const bool shown = WaitUntil(
        [&] {
          entries = ListEntries(box);
          // The history's match, then at least one suggestion.
          return SendMessageW(box, CB_GETDROPPEDSTATE, 0, 0) && entries.size() >= 2 &&
                 entries.front() == options_.query;
        },
        kEffectTime);
    Require(shown, "typing " + Quoted(letters) + " did not open the list with " +
                       Quoted(options_.query) + " and suggestions; it shows " + Listed(entries));
    Picture(step_);
    Step(step_, "typed " + Quoted(letters) + ": the list shows " + Listed(entries));
    Require(PressKey(VK_ESCAPE), "the system refused the key Escape");
    Require(WaitUntil(
                [&] {
                  return !SendMessageW(box, CB_GETDROPPEDSTATE, 0, 0) &&
                         TextOf(host_.search_field) == letters;
                },
                kEffectTime),
            "Escape did not close the list and keep " + Quoted(letters));
    EmptyField();
    Require(TypeText(options_.query), "the system refused the keys of " + Quoted(options_.query));
    Require(WaitUntil([&] { return TextOf(host_.search_field) == options_.query; }, kEffectTime),
            "the search field does not show " + Quoted(options_.query) + " again");
    PressKey(VK_ESCAPE);
  }

  // Removes the field's text as a user does.
  void EmptyField() {
    const size_t length = TextOf(host_.search_field).size();
    if (!length) return;
    Require(PressKey(VK_END), "the system refused the key End");
    for (size_t i = 0; i < length; ++i) PressKey(VK_BACK);
    Require(WaitUntil([&] { return TextOf(host_.search_field).empty(); }, kEffectTime),
            "the search field could not be emptied");
  }

  // The combo box's list, read with its wide messages (the system carries
  // them across processes).
  static std::vector<std::string> ListEntries(HWND box) {
    std::vector<std::string> entries;
    const LRESULT count = SendMessageW(box, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
      const LRESULT length = SendMessageW(box, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
      if (length < 0) break;
      std::wstring entry(static_cast<size_t>(length) + 1, L'\0');
      SendMessageW(box, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(entry.data()));
      entry.resize(static_cast<size_t>(length));
      entries.push_back(win32::Utf8(entry));
    }
    return entries;
  }

  void SearchWithAnotherType() {
    step_ = "03-search-types";
    const ConfigItem* type =
        SearchType([&](const ConfigItem& item) { return item.caption == options_.search_type; });
    Require(type, "the configuration has no search type " + Quoted(options_.search_type));
    const ToolbarButton button = CurrentButton(search_command_);
    Click(host_.toolbar, {button.place.right - kArrowInset, Middle(button.place).y}, Button::Left,
          "the search button's arrow");
    std::vector<std::string> captions;
    for (const ConfigItem& item : items_)
      if (item.parent == kSearchButtonKey) captions.push_back(item.caption);
    const HWND menu = WaitForMenu(captions, "the search button's menu");
    Picture("03-search-types");
    Step("03-search-types", "the search button's arrow opens " + Listed(captions));

    step_ = "04-search-" + NamePart(type->caption);
    ClickEntry(menu, type->caption);
    Require(WaitUntil(
                [&] {
                  return OpenMenusOf(host_.process_id).empty() &&
                         CurrentButton(search_command_).caption == type->caption;
                },
                kEffectTime),
            "choosing " + Quoted(type->caption) + " did not make it the search button's caption");
    const ToolbarButton chosen = CurrentButton(search_command_);
    const size_t before = Navigations().size();
    Click(host_.toolbar, {chosen.place.left + kImageInset, Middle(chosen.place).y}, Button::Left,
          "the search button");
    const std::string address = WaitForNavigation(before, SearchAddress(type->url, options_.query));
    Picture(step_);
    Step(step_, "chose " + Quoted(type->caption) + ", clicked the search button -> " + address);
  }

  void ClickButton() {
    step_ = "05-" + NamePart(options_.button);
    const ConfigItem* item = TopLevelItem(options_.button);
    Require(item && !item->url.empty(),
            "the configuration has no button " + Quoted(options_.button) + " with an address");
    const auto button = FindButton(options_.button);
    Require(button.has_value(), "the toolbar has no button " + Quoted(options_.button));
    const size_t before = Navigations().size();
    Click(host_.toolbar, Middle(button->place), Button::Left,
          "the button " + Quoted(item->caption));
    const std::string address = WaitForNavigation(before, item->url);
    Picture(step_);
    Step(step_, "clicked " + Quoted(item->caption) + " -> " + address);
  }

  void OpenSubmenu() {
    step_ = "06-" + NamePart(options_.submenu) + "-menu";
    const ConfigItem* item = TopLevelItem(options_.submenu);
    Require(item, "the configuration has no drop-down button " + Quoted(options_.submenu));
    std::vector<std::string> captions;
    for (const ConfigItem& entry : items_)
      if (entry.parent == item->key && entry.key.find("Separator") == std::string::npos)
        captions.push_back(entry.caption);
    const auto button = FindButton(options_.submenu);
    Require(button.has_value(), "the toolbar has no button " + Quoted(options_.submenu));
    // A split button opens its menu from its arrow only.
    const POINT at = (button->style & BTNS_DROPDOWN)
                         ? POINT{button->place.right - kArrowInset, Middle(button->place).y}
                         : Middle(button->place);
    const size_t before = Navigations().size();
    Click(host_.toolbar, at, Button::Left, "the arrow of " + Quoted(item->caption));
    WaitForMenu(captions, "the menu of " + Quoted(item->caption));
    Picture(step_);
    Require(PressKey(VK_ESCAPE), "the system refused the key Escape");
    Require(WaitUntil(
                [&] {
                  return OpenMenusOf(host_.process_id).empty() &&
                         !(CurrentButton(button->command).state & TBSTATE_PRESSED);
                },
                kEffectTime),
            "Escape did not close the menu of " + Quoted(item->caption));
    Require(Navigations().size() == before,
            "the menu of " + Quoted(item->caption) + " opened an address");
    Step(step_, "the arrow of " + Quoted(item->caption) + " opens " + Listed(captions) +
                    "; Escape closes it");
  }

  void OpenAboutBox() {
    step_ = "07-about";
    const std::vector<ToolbarButton> buttons = toolbar_->Buttons();
    Require(!buttons.empty(), "the toolbar cannot be read");
    RECT area{};
    GetClientRect(host_.toolbar, &area);
    MapWindowPoints(host_.toolbar, nullptr, reinterpret_cast<POINT*>(&area), 2);
    // The toolbar's free part after its last button.
    const POINT at{std::min(buttons.back().place.right + 40, area.right - 2),
                   Middle(buttons.back().place).y};
    Require(at.x > buttons.back().place.right, "the toolbar has no free part to click");
    Click(host_.toolbar, at, Button::Right, "the toolbar's free part");
    const HWND menu = WaitForMenu({kAboutCommand}, "the toolbar's menu");
    ClickEntry(menu, kAboutCommand);
    HWND box = nullptr;
    Require(WaitUntil(
                [&] {
                  for (HWND window : TopLevelWindowsOf(host_.process_id))
                    if (ClassOf(window) == "#32770" && TextOf(window).rfind("About ", 0) == 0)
                      box = window;
                  return box && OpenMenusOf(host_.process_id).empty();
                },
                kEffectTime),
            Quoted(kAboutCommand) + " did not open the About box");
    const std::string caption = TextOf(box);
    Picture("07-about");
    const HWND close = GetDlgItem(box, IDCANCEL);
    Require(close && IsWindowVisible(close), "the About box has no Close button");
    Click(close, Middle(WindowPlace(close)), Button::Left, "the About box's Close button");
    Require(WaitUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); }, kEffectTime),
            "the About box's Close button did not close it");
    Step("07-about", "right-click on the toolbar, " + Quoted(kAboutCommand) + " opens " +
                         Quoted(caption) + "; Close closes it");
  }

  void CloseHost() {
    step_ = "closing the browser window";
    PostMessageW(host_.frame, WM_CLOSE, 0, 0);
    Require(WaitUntil([&] { return !IsWindow(host_.frame); }, kEffectTime),
            "the browser window did not close");
    report_.Line("closed the browser window");
  }

  // --- helpers

  template <typename Match>
  const ConfigItem* SearchType(Match match) const {
    for (const ConfigItem& item : items_)
      if (item.parent == kSearchButtonKey && match(item)) return &item;
    return nullptr;
  }

  const ConfigItem* TopLevelItem(const std::string& caption) const {
    for (const ConfigItem& item : items_)
      if (item.parent == kTopLevel && item.caption == caption) return &item;
    return nullptr;
  }

  // A button with this caption other than the search button, whose caption
  // is a search type's.
  std::optional<ToolbarButton> FindButton(const std::string& caption) const {
    for (const ToolbarButton& button : toolbar_->Buttons())
      if (button.caption == caption && button.command != search_command_) return button;
    return std::nullopt;
  }

  ToolbarButton CurrentButton(int command) const {
    const auto button = toolbar_->Button(command);
    Require(button.has_value(), "the toolbar lost its button " + std::to_string(command));
    return *button;
  }

  HWND Focus() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(host_.thread_id, &info) ? info.hwndFocus : nullptr;
  }

  // A click where the user sees `target`, once it is sure to land there.
  void Click(HWND target, POINT at, Button button, const std::string& what) {
    Require(IsWindowVisible(target) && WindowFromPoint(at) == target,
            what + " is not where a click at " + std::to_string(at.x) + "," + std::to_string(at.y) +
                " would reach it");
    Require(ClickAt(at, button), "the system refused the click on " + what);
  }

  HWND WaitForMenu(const std::vector<std::string>& captions, const std::string& what) {
    HWND found = nullptr;
    Require(WaitUntil(
                [&] {
                  const std::vector<HWND> menus = OpenMenusOf(host_.process_id);
                  if (menus.empty()) return false;
                  const auto entries = menus_->Entries(menus.front());
                  if (!entries) return false;
                  for (const std::string& caption : captions)
                    if (!Entry(*entries, caption)) return false;
                  found = menus.front();
                  return true;
                },
                kEffectTime),
            what + " did not open with " + Listed(captions));
    return found;
  }

  static std::optional<MenuEntry> Entry(const std::vector<MenuEntry>& entries,
                                        const std::string& caption) {
    for (const MenuEntry& entry : entries)
      if (!(entry.type & MFT_SEPARATOR) && entry.text == caption) return entry;
    return std::nullopt;
  }

  void ClickEntry(HWND menu, const std::string& caption) {
    const auto entries = menus_->Entries(menu);
    Require(entries.has_value(), "the open menu cannot be read");
    const auto entry = Entry(*entries, caption);
    Require(entry.has_value(), "the open menu has no entry " + Quoted(caption));
    Click(menu, Middle(entry->place), Button::Left, "the menu entry " + Quoted(caption));
  }

  std::vector<std::string> Navigations() const { return NavigationsInLog(options_.log); }

  // Waits for the browser to be asked to open one more address, this one,
  // and to show it in its address line.
  std::string WaitForNavigation(size_t before, const std::string& expected) {
    std::vector<std::string> seen;
    const bool opened = WaitUntil(
        [&] {
          seen = Navigations();
          return seen.size() > before && seen.back() == expected &&
                 TextOf(host_.address_line) == expected;
        },
        kEffectTime);
    Require(opened, "the browser was not asked to open " + expected +
                        (seen.size() > before ? " but " + seen.back() : std::string()));
    return expected;
  }

  RECT PictureArea() const {
    RECT area = WindowPlace(host_.frame);
    for (HWND window : TopLevelWindowsOf(host_.process_id)) {
      const RECT place = WindowPlace(window);
      UnionRect(&area, &area, &place);
    }
    InflateRect(&area, kPictureMargin, kPictureMargin);
    RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    IntersectRect(&area, &area, &screen);
    return area;
  }

  void Picture(const std::string& name) {
    // The host has handled all that was sent to it before the picture.
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(host_.frame, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kEffectTime, &answer);
    const auto picture = CaptureSettled(PictureArea(), kSettleTime);
    Require(picture.has_value(), "the screen could not be read for the picture " + name);
    const std::string path = options_.shots + "\\" + name + ".bmp";
    Require(SaveBitmap(*picture, path), "cannot write " + path);
  }

  // One line for a step: its picture's name, then what was done and seen.
  void Step(const std::string& name, const std::string& what) {
    constexpr size_t kNameColumn = 18;
    report_.Line(name + std::string(kNameColumn - std::min(kNameColumn - 1, name.size()), ' ') +
                 what);
  }

  static std::string Listed(const std::vector<std::string>& captions) {
    std::string list;
    for (const std::string& caption : captions) list += (list.empty() ? "" : ", ") + caption;
    return list;
  }

  // A caption as part of a picture's file name: "Home Page" gives "home-page".
  static std::string NamePart(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    std::replace(text.begin(), text.end(), ' ', '-');
    return text;
  }

  const Options& options_;
  Report& report_;
  std::vector<ConfigItem> items_;
  HostWindows host_;
  std::unique_ptr<RemoteToolbar> toolbar_;
  std::unique_ptr<MenuReader> menus_;
  int search_command_ = 0;
  std::string step_ = "start";
};

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string name = argv[i];
    if (name == "--leave-open") {
      options.leave_open = true;
      continue;
    }
    if (i + 1 >= argc) return false;
    const std::string value = argv[++i];
    if (name == "--config")
      options.config = value;
    else if (name == "--log")
      options.log = value;
    else if (name == "--shots")
      options.shots = value;
    else if (name == "--report")
      options.report = value;
    else if (name == "--query")
      options.query = value;
    else if (name == "--search-type")
      options.search_type = value;
    else if (name == "--button")
      options.button = value;
    else if (name == "--submenu")
      options.submenu = value;
    else if (name == "--expect-button")
      options.expect_button = value;
    else
      return false;
  }
  const bool plain_query =
      !options.query.empty() && std::all_of(options.query.begin(), options.query.end(), [](char c) {
        return c == ' ' || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
               (c >= '0' && c <= '9');
      });
  return !options.config.empty() && !options.log.empty() && !options.shots.empty() && plain_query;
}

}  // namespace
}  // namespace pq::demo

int main(int argc, char** argv) {
  using namespace pq::demo;
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: demo_driver --config INI --log HOST_LOG --shots DIR [--report FILE]\n"
                 "         [--query TEXT] [--search-type CAPTION] [--button CAPTION]\n"
                 "         [--submenu CAPTION] [--expect-button CAPTION] [--leave-open]\n"
                 "TEXT has only letters, digits and blanks.\n");
    return 2;
  }
  // Clicks land on the pixels the windows report, whatever the resolution.
  SetProcessDPIAware();
  Report report(options.report);
  Session session(options, report);
  try {
    session.Run();
  } catch (const Failed& failure) {
    report.Line("FAILED at " + session.step() + ": " + failure.what());
    session.FailurePicture();
    return 1;
  }
  return 0;
}
