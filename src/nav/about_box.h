#pragma once
// The About box: the toolbar's name, its publisher and web site, its banner
// and the installation's legal notice.
#include <string>

#include "platform/platform.h"
#include "platform/user_interface.h"

namespace pq {

// The file beside the configuration whose lines replace the built-in notice.
inline constexpr char kNoticeFileName[] = "Copyrights.txt";

// What the box shows, from the configuration and the installation's files.
// Raises InOutError for a notice file that exists but cannot be read; what
// was composed before it is in `content` then.
void ComposeAboutBox(Platform& platform, AboutBoxContent& content);

// Shows the About box: modally with its Close button, or, timed, for a few
// seconds without it. A click on the address or the banner opens the home
// page with its associated program. A notice file that cannot be read is
// reported, and the box still opens with what was composed.
void ShowAboutBox(Platform& platform, bool timed);

}  // namespace pq
