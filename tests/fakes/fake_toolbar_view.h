#pragma once
// A toolbar view that keeps what it was asked to show.
#include <string>
#include <vector>

#include "toolbar/toolbar_view.h"

namespace pq::fakes {

class FakeToolbarView : public ToolbarView {
 public:
  std::vector<std::string> banner_files;  // every file it was asked to load
  std::string banner;          // the file whose picture is shown; empty: the built-in one
  bool refuse_banner = false;  // files cannot be read as bitmaps
  std::vector<std::string> search_texts;  // every text it was given

  bool LoadBannerPicture(const std::string& file_name) override {
    banner_files.push_back(file_name);
    if (refuse_banner) return false;
    banner = file_name;
    return true;
  }
  void SetSearchText(const std::string& text) override { search_texts.push_back(text); }
};

}  // namespace pq::fakes
