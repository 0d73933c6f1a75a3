#pragma once
// A toolbar view that keeps what it was asked to show, and a movie player
// that records what was asked of it.
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "config/string_list.h"
#include "platform/error.h"
#include "platform/flash_player.h"
#include "toolbar/toolbar_items.h"
#include "toolbar/toolbar_view.h"

namespace pq::fakes {

class FakeFlashPlayer : public FlashPlayer {
 public:
  explicit FakeFlashPlayer(std::vector<std::string>& log) : log_(log) {}
  void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) override {
    log_.push_back("bounds " + std::to_string(left) + "," + std::to_string(top) + " " +
                   std::to_string(width) + "x" + std::to_string(height));
  }
  void SetTabOrder(int32_t order) override { log_.push_back("tab " + std::to_string(order)); }
  void SetVisible(bool visible) override { log_.push_back(visible ? "show" : "hide"); }
  void Stop() override { log_.push_back("stop"); }
  void Play() override { log_.push_back("play"); }
  void SetMovie(const std::string& url) override { log_.push_back("movie " + url); }

 private:
  std::vector<std::string>& log_;
};

class FakeToolbarView : public ToolbarView {
 public:
  // The window.
  std::string caption;
  int32_t width = 865;
  // The banner.
  std::vector<std::string> banner_files;  // every file it was asked to load
  std::string banner;          // the file whose picture is shown; empty: the built-in one
  bool refuse_banner = false;  // files cannot be read as bitmaps
  bool banner_visible = true;
  // The animations it was asked to play, and whether they can be played.
  std::vector<std::string> animation_files;
  bool refuse_animation = false;
  // The movie player: whether one can be made, and what was asked of it.
  std::optional<std::string> refuse_player;
  FakeFlashPlayer* player = nullptr;
  std::vector<std::string> player_log;
  // The items: what is shown where (toolbar coordinates, by x only), and the
  // items shown anew, in order.
  std::map<int32_t, TTBCustomItem*> item_at_x;
  std::vector<std::string> changed_items;
  // The search box.
  std::string search_text;
  std::vector<std::string> search_texts;  // every text it was given
  std::string selection;
  bool all_selected = false;
  int selected_index = -1;
  std::vector<std::string> search_list;
  int list_fills = 0;  // how often the whole list was replaced
  // The completion: whether the list is open, what it offers, the entry
  // chosen; the suggestion timer's delay while it runs.
  bool list_open = false;
  std::vector<std::string> completion_list;
  int completion_chosen = -1;
  std::optional<uint32_t> suggestion_timer;
  int timer_starts = 0;

  void SetCaption(const std::string& text) override { caption = text; }
  int32_t Width() override { return width; }

  bool LoadBannerPicture(const std::string& file_name) override {
    banner_files.push_back(file_name);
    if (refuse_banner) return false;
    banner = file_name;
    return true;
  }
  void SetBannerPictureVisible(bool visible) override { banner_visible = visible; }
  bool LoadBannerAnimation(const std::string& file_name) override {
    animation_files.push_back(file_name);
    return !refuse_animation;
  }
  std::unique_ptr<FlashPlayer> CreateFlashPlayer() override {
    if (refuse_player) throw Error(*refuse_player);
    auto made = std::make_unique<FakeFlashPlayer>(player_log);
    player = made.get();
    return made;
  }

  TTBCustomItem* ItemAt(int32_t x, int32_t) override {
    auto found = item_at_x.find(x);
    return found == item_at_x.end() ? nullptr : found->second;
  }
  void ItemChanged(const TTBCustomItem& item) override { changed_items.push_back(item.Name()); }

  std::string SearchText() override { return search_text; }
  void SetSearchText(const std::string& text) override {
    search_text = text;
    search_texts.push_back(text);
  }
  std::string SearchSelection() override { return selection; }
  void SelectAllSearchText() override { all_selected = true; }
  int SearchSelectedIndex() override { return selected_index; }
  void ShowSearchList(const TStringList& entries) override {
    ++list_fills;
    search_list.clear();
    for (int i = 0; i < entries.Count(); ++i) search_list.emplace_back(entries[i]);
  }
  void InsertSearchEntry(int index, std::string_view text) override {
    search_list.insert(search_list.begin() + index, std::string(text));
  }
  void DeleteSearchEntry(int index) override { search_list.erase(search_list.begin() + index); }

  void ShowCompletionList(const TStringList& entries) override {
    completion_list.clear();
    for (int i = 0; i < entries.Count(); ++i) completion_list.emplace_back(entries[i]);
    search_list = completion_list;
    list_open = true;
    completion_chosen = -1;
  }
  void ChooseCompletionEntry(int index, const std::string& text) override {
    completion_chosen = index;
    search_text = text;
  }
  void CloseSearchList() override { list_open = false; }
  void StartSuggestionTimer(uint32_t delay_ms) override {
    suggestion_timer = delay_ms;
    ++timer_starts;
  }
  void StopSuggestionTimer() override { suggestion_timer.reset(); }
};

}  // namespace pq::fakes
