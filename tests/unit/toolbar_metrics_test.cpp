// The toolbar's sizes at each resolution: which icon strip, at what size, and
// the room around buttons and drop-down arrows.
#include "toolbar/toolbar_metrics.h"

#include <gtest/gtest.h>

#include <vector>

namespace pq {
namespace {

TEST(ToolbarMetrics, ChoosesTheSmallestStripAtLeastAsLargeAsTheDesignAtTheDpi) {
  struct Case {
    int dpi;
    IconStripChoice expected;
  };
  const Case cases[] = {
      {96, {16, 16}},    // 100 %: the 16-pixel strip as it is
      {0, {16, 16}},     // no DPI known: the design's
      {-1, {16, 16}},
      {72, {16, 12}},    // below 100 %: the smallest, scaled down
      {108, {24, 18}},   // 112.5 %: 18 pixels from the 24-pixel strip
      {120, {24, 20}},   // 125 %
      {144, {24, 24}},   // 150 %: the 24-pixel strip as it is
      {168, {32, 28}},   // 175 %
      {192, {32, 32}},   // 200 %: the 32-pixel strip as it is
      {216, {32, 36}},   // 225 %: above the largest, scaled up from it
      {288, {32, 48}},   // 300 %
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dpi);
    const IconStripChoice choice = ChooseIconStrip(c.dpi);
    EXPECT_EQ(choice, c.expected);
    EXPECT_EQ(choice.Scaled(), c.expected.strip != c.expected.image);
  }
}

TEST(ToolbarMetrics, StripChoiceFollowsTheStripsGivenInAnyOrder) {
  const std::vector<int> unordered = {32, 16, 24};
  EXPECT_EQ(ChooseIconStrip(144, unordered), (IconStripChoice{24, 24}));
  EXPECT_EQ(ChooseIconStrip(120, unordered), (IconStripChoice{24, 20}));
  const std::vector<int> only_small = {16};
  EXPECT_EQ(ChooseIconStrip(192, only_small), (IconStripChoice{16, 32}));
  // No strip at all: the design's size is asked for, which the caller cannot find.
  EXPECT_EQ(ChooseIconStrip(144, {}), (IconStripChoice{16, 24}));
}

TEST(ToolbarMetrics, LengthsOfTheDesignRoundToTheNearestPixel) {
  struct Case {
    int design, dpi, expected;
  };
  const Case cases[] = {{7, 96, 7}, {7, 120, 9}, {7, 144, 11}, {7, 192, 14}, {8, 144, 12},
                        {6, 144, 9}, {16, 108, 18}, {11, 0, 11}, {5, 100, 5}};
  for (const Case& c : cases) EXPECT_EQ(ScaleToDpi(c.design, c.dpi), c.expected) << c.design << "@" << c.dpi;
}

TEST(ToolbarMetrics, ButtonLayoutPerDpi) {
  // The system's sizes as Windows gives them at each DPI (SM_CXEDGE, SM_CXMENUCHECK),
  // and the 11 pixels a toolbar control without a theme keeps for a drop-down arrow.
  constexpr int kArrowRoom = 11;
  struct Case {
    int dpi;
    SystemSizes system;
    // image, padding x and y, separator, arrow glyph, its margin, the gap before the next image
    ToolbarMetrics expected;
  };
  const Case cases[] = {
      // At 96 DPI: the control's own defaults and its 5-pixel arrow.
      {96, {2, 13}, {16, 7, 6, 8, 5, 3, 4}},
      {120, {2, 16}, {20, 9, 8, 10, 5, 3, 4}},
      // The arrow grows with the menu arrow, in odd widths.
      {144, {2, 20}, {24, 11, 9, 12, 7, 2, 4}},
      {144, {3, 20}, {24, 11, 9, 12, 7, 2, 6}},
      {192, {2, 26}, {32, 14, 12, 16, 9, 1, 4}},
      // A wider edge asks for a wider gap; the padding grows to keep it.
      {192, {4, 26}, {32, 14, 12, 16, 9, 1, 8}},
      {192, {12, 26}, {32, 22, 12, 16, 9, 1, 24}},
      // The room the control keeps bounds the arrow: a pixel of margin each side.
      {288, {2, 39}, {48, 21, 18, 24, 9, 1, 4}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dpi);
    EXPECT_EQ(ToolbarMetricsForDpi(c.dpi, c.system, kArrowRoom), c.expected);
  }
  // A control that keeps more room lets the arrow grow further.
  EXPECT_EQ(ToolbarMetricsForDpi(288, {2, 39}, 24).arrow_glyph, 15);
}

TEST(ToolbarMetrics, TheArrowFitsItsRoomAndKeepsClearOfTheNextImage) {
  // The next button's image starts an edge and half the padding after the end
  // of the arrow's room; the glyph must fit the room and leave the gap.
  for (int dpi = 48; dpi <= 480; dpi += 12)
    for (int edge : {1, 2, 3, 4})
      for (int menu_arrow = 9; menu_arrow <= 60; menu_arrow += 3)
        for (int room : {5, 11, 16, 24}) {
          const ToolbarMetrics m = ToolbarMetricsForDpi(dpi, {edge, menu_arrow}, room);
          SCOPED_TRACE(testing::Message() << dpi << " " << edge << " " << menu_arrow << " " << room);
          ASSERT_EQ(m.arrow_glyph % 2, 1);
          ASSERT_LE(m.arrow_glyph + 2 * m.arrow_margin, room);
          ASSERT_GE(m.arrow_margin + edge + m.padding_x / 2, m.arrow_gap);
          ASSERT_GE(m.padding_x, ScaleToDpi(7, dpi));
        }
}

TEST(ToolbarMetrics, TheChevronShowsOnlyWhileButtonsReachPastTheWindow) {
  struct Case {
    const char* what;
    int window, buttons, chevron;
    DockArrangement expected;
  };
  const Case cases[] = {
      {"all fit with room to spare", 600, 400, 14, {600, false}},
      {"the last button ends at the edge", 600, 600, 14, {600, false}},
      {"one pixel too many", 600, 601, 14, {586, true}},
      {"far too many", 1200, 4028, 14, {1186, true}},
      {"a window narrower than the chevron", 10, 400, 14, {0, true}},
      {"a window of no width", 0, 400, 14, {0, true}},
      {"a width the host has not given yet", -5, 400, 14, {0, true}},
      {"no buttons at all", 600, 0, 14, {600, false}},
      {"a chevron scaled for 192 DPI", 600, 900, 28, {572, true}},
  };
  for (const Case& c : cases) {
    const DockArrangement got = ArrangeDock(c.window, c.buttons, c.chevron);
    EXPECT_EQ(got.toolbar_width, c.expected.toolbar_width) << c.what;
    EXPECT_EQ(got.chevron, c.expected.chevron) << c.what;
  }
}

}  // namespace
}  // namespace pq
