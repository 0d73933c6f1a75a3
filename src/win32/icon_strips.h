#pragma once
// The toolbar's icon strip at a window's resolution, from the strips the
// module carries as resources.
#include <windows.h>
#include <commctrl.h>

#include "win32/handles.h"

namespace pq::win32 {

using unique_himagelist = unique_handle<HIMAGELIST, &ImageList_Destroy>;

// The number of images in each strip.
inline constexpr int kIconStripImages = 144;

// A new image list of the toolbar's images at `dpi`: the strip chosen for it
// (toolbar/toolbar_metrics.h), scaled when none is of the size wanted. Each
// strip is decoded, and scaled, once a process; the image list is the
// caller's. Throws when the module's pictures cannot be read. `mirrored`:
// for a window laid out from the right, whose drawing turns images over.
unique_himagelist IconImageList(int dpi, bool mirrored = false);

}  // namespace pq::win32
