// SPDX-License-Identifier: MIT
#pragma once

// The HTTP request lives in a module of its own, loaded when the first
// request is made: Qt Network and the libraries it pulls in (Kerberos,
// proxies, compression) then cost nothing until the board is fetched,
// after the window is on the screen. These are the module's two entries.

#include "xmlhttp.h"

namespace tessary::platform {

// The module's file, in "lib/tessary" beside the program's "bin" (in the
// build tree, beside the folders of the programs and the tests).
inline constexpr const char* kXmlHttpModulePath = "/../lib/tessary/libtessary_http.so";

// A new request, not yet counted; throws EOleError without an application
// object on the calling thread.
using TNewXmlHttpRequest = IXmlHttpRequest* (*)();
inline constexpr const char* kNewXmlHttpRequest = "TessaryNewXmlHttpRequest";

// The inactivity limit for requests sent afterwards, in milliseconds (> 0);
// the total limit is twice it.
using TSetXmlHttpTimeout = void (*)(int milliseconds);
inline constexpr const char* kSetXmlHttpTimeout = "TessarySetXmlHttpTimeout";

}  // namespace tessary::platform
