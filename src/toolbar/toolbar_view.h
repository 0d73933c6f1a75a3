#pragma once
// What the toolbar window's construction asks of the widgets that show it.
#include <string>

namespace pq {

class ToolbarView {
 public:
  virtual ~ToolbarView() = default;
  // Replaces the banner image's picture by the bitmap in the file. False,
  // with the picture unchanged, when the file cannot be read as a bitmap.
  [[nodiscard]] virtual bool LoadBannerPicture(const std::string& file_name) = 0;
  virtual void SetSearchText(const std::string& text) = 0;
};

}  // namespace pq
