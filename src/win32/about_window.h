#pragma once
#include <windows.h>

#include "platform/user_interface.h"

namespace pq::win32 {

// Shows the About box for `content`: modally over `owner` (disabled meanwhile)
// with its Close button, or, timed, for four seconds without it. A click on
// the address or the banner runs content.LinkClick and closes the box; what
// it raised is raised here once the box is gone.
void ShowAboutWindow(HWND owner, const AboutBoxContent& content);

// Identifiers of the box's controls, for whoever drives it as a user would.
inline constexpr int kAboutVersionId = 1001;
inline constexpr int kAboutCopyrightId = 1002;
inline constexpr int kAboutPreparerId = 1003;
inline constexpr int kAboutRightsId = 1004;
inline constexpr int kAboutUrlId = 1005;
inline constexpr int kAboutBannerId = 1006;
inline constexpr int kAboutPictureId = 1007;
inline constexpr int kAboutNoticeId = 1008;
inline constexpr int kAboutCloseId = IDCANCEL;

// How long the timed box stays, in milliseconds of GetTickCount.
inline constexpr DWORD kAboutTimedMilliseconds = 4000;

}  // namespace pq::win32
