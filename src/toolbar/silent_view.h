#pragma once
// A toolbar view that shows nothing: for building a toolbar only to look at
// what was built (the publisher's check, the benchmarks). It keeps the search
// text, which construction restores.
#include <memory>
#include <string>
#include <string_view>

#include "toolbar/toolbar_view.h"

namespace pq {

class SilentView : public ToolbarView {
 public:
  std::string search_text;

  void SetCaption(const std::string&) override {}
  int32_t Width() override { return 1024; }
  bool LoadBannerPicture(const std::string&) override { return true; }
  void SetBannerPictureVisible(bool) override {}
  std::unique_ptr<FlashPlayer> CreateFlashPlayer() override { return nullptr; }
  TTBCustomItem* ItemAt(int32_t, int32_t) override { return nullptr; }
  void ItemChanged(const TTBCustomItem&) override {}
  std::string SearchText() override { return search_text; }
  void SetSearchText(const std::string& text) override { search_text = text; }
  std::string SearchSelection() override { return ""; }
  void SelectAllSearchText() override {}
  int SearchSelectedIndex() override { return -1; }
  void ShowSearchList(const TStringList&) override {}
  void InsertSearchEntry(int, std::string_view) override {}
  void DeleteSearchEntry(int) override {}
};

}  // namespace pq
