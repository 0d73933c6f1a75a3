#include "toolbar/toolbar_metrics.h"

#include <algorithm>

namespace pq {
namespace {

// The design at 96 DPI: a comctl32 toolbar's default padding and separator.
constexpr int kDesignImage = 16;
constexpr int kDesignPaddingX = 7;
constexpr int kDesignPaddingY = 6;
constexpr int kDesignSeparator = 8;

int EffectiveDpi(int dpi) { return dpi > 0 ? dpi : kDesignDpi; }

}  // namespace

int ScaleToDpi(int design_pixels, int dpi) {
  const long long scaled = static_cast<long long>(design_pixels) * EffectiveDpi(dpi);
  return static_cast<int>((scaled + kDesignDpi / 2) / kDesignDpi);
}

IconStripChoice ChooseIconStrip(int dpi, std::span<const int> strip_sizes) {
  IconStripChoice choice;
  choice.image = std::max(1, ScaleToDpi(kDesignImage, dpi));
  if (strip_sizes.empty()) {
    choice.strip = kDesignImage;
    return choice;
  }
  choice.strip = *std::max_element(strip_sizes.begin(), strip_sizes.end());
  for (int size : strip_sizes)
    if (size >= choice.image && size < choice.strip) choice.strip = size;
  return choice;
}

ToolbarMetrics ToolbarMetricsForDpi(int dpi, const SystemSizes& system, int arrow_room) {
  ToolbarMetrics metrics;
  metrics.image = ChooseIconStrip(dpi).image;
  metrics.padding_x = ScaleToDpi(kDesignPaddingX, dpi);
  metrics.padding_y = ScaleToDpi(kDesignPaddingY, dpi);
  metrics.separator = ScaleToDpi(kDesignSeparator, dpi);
  const int edge = std::max(1, system.edge);
  metrics.arrow_gap = 2 * edge;
  // The arrow is as wide as five thirteenths of a menu's submenu arrow: 5 of
  // 13 pixels at 96 DPI, as the toolbar control draws it there.
  int glyph = std::max(3, system.menu_arrow * 5 / 13);
  // Its room, less a pixel each side at least, bounds it.
  glyph = std::min(glyph, std::max(1, arrow_room - 2));
  if (glyph % 2 == 0) --glyph;
  metrics.arrow_glyph = glyph;
  metrics.arrow_margin = std::max(0, (arrow_room - glyph) / 2);
  // From the glyph to the next image: the room's right margin, an edge and
  // half the padding. A control that takes the padding asked for keeps the gap.
  const int least_half = metrics.arrow_gap - metrics.arrow_margin - edge;
  metrics.padding_x = std::max(metrics.padding_x, 2 * least_half);
  return metrics;
}

DockArrangement ArrangeDock(int window_width, int buttons_width, int chevron_width) {
  const int width = std::max(0, window_width);
  if (buttons_width <= width) return {width, false};
  // The chevron keeps its room; a window narrower than that shows only it.
  return {std::max(0, width - std::max(0, chevron_width)), true};
}

}  // namespace pq
