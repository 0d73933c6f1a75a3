#pragma once
// A sited band's window made and shown as the browser shows it: across the
// site's window at a toolbar's height, with what showing it posts handled.
#include <gtest/gtest.h>
#include <shobjidl.h>

#include "support/test_site.h"

namespace pq::testing {

inline HWND ShowSitedBand(IDeskBand* band) {
  HWND window = nullptr;
  EXPECT_EQ(band->GetWindow(&window), S_OK);
  MoveWindow(window, 0, 0, 600, 25, TRUE);
  EXPECT_EQ(band->ShowDW(TRUE), S_OK);
  PumpMessages();
  return window;
}

}  // namespace pq::testing
