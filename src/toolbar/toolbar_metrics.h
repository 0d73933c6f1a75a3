#pragma once
// The toolbar's sizes at a window's resolution: which of the icon strips the
// module carries to show, at what size, and the room around buttons and
// drop-down arrows. Pure arithmetic on the DPI and the system's sizes at it.
#include <span>

namespace pq {

// The DPI that the design's pixel sizes are meant for.
inline constexpr int kDesignDpi = 96;

// A length of the 96-DPI design at `dpi`, rounded to the nearest pixel.
int ScaleToDpi(int design_pixels, int dpi);

// Image sizes of the icon strips the module carries, smallest first; each strip
// holds the same images, drawn at that size.
inline constexpr int kIconStripSizes[] = {16, 24, 32};

// Which strip to load and the size its images are shown at.
struct IconStripChoice {
  int strip = 16;  // the image size of the strip to load
  int image = 16;  // the image size to show, 16 pixels of the design at the DPI
  bool Scaled() const { return strip != image; }
  bool operator==(const IconStripChoice&) const = default;
};

// The smallest strip whose images are at least as large as the design's 16
// pixels at `dpi`, so that a strip is only ever scaled down, where little is
// lost; above the largest strip, the largest, scaled up. A DPI below 1 counts
// as the design's.
IconStripChoice ChooseIconStrip(int dpi, std::span<const int> strip_sizes = kIconStripSizes);

// What the system says of sizes at the window's DPI.
struct SystemSizes {
  int edge = 2;         // a 3-D edge's width (SM_CXEDGE)
  int menu_arrow = 13;  // a menu's check and submenu arrow (SM_CXMENUCHECK)
};

// The toolbar's button layout at a DPI, in pixels at that DPI.
struct ToolbarMetrics {
  int image = 16;        // an image's width and height
  int padding_x = 7;     // room around a button's image and caption, as TB_SETPADDING takes it
  int padding_y = 6;
  int separator = 8;     // a separator's width
  int arrow_glyph = 5;   // a drop-down arrow's width (odd, so that it has a middle column)
  int arrow_margin = 3;  // from the arrow's room to the glyph on either side
  int arrow_gap = 4;     // the least space between a drop-down arrow and the next button's image
  bool operator==(const ToolbarMetrics&) const = default;
};

// The layout at `dpi`. The toolbar control keeps `arrow_room` pixels at a
// drop-down button's right for its arrow (fixed in some versions of it): the
// arrow is drawn in that room as large as the DPI asks, less the margin that
// keeps it clear of the next button's image, which starts an edge and half
// the padding further on.
ToolbarMetrics ToolbarMetricsForDpi(int dpi, const SystemSizes& system, int arrow_room);

// The chevron's width in the design, at the dock's right end.
inline constexpr int kDesignChevronWidth = 14;

// The dock's one row: the toolbar from the left edge, and the chevron at the
// right end while the buttons reach past the window.
struct DockArrangement {
  int toolbar_width = 0;
  bool chevron = false;
  bool operator==(const DockArrangement&) const = default;
};

// The row for a window `window_width` wide whose buttons, laid out whole,
// end at `buttons_width`; the chevron takes `chevron_width` of it.
DockArrangement ArrangeDock(int window_width, int buttons_width, int chevron_width);

}  // namespace pq
