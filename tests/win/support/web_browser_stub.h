#pragma once
// An IWebBrowser2 whose every method answers E_NOTIMPL, for tests to derive
// from and override the calls they watch: the band host's own base.
#include "bandhost/web_browser_base.h"

namespace pq::testing {

using WebBrowserStub = bandhost::WebBrowserBase;

}  // namespace pq::testing
