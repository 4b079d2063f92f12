// SPDX-License-Identifier: MIT
#pragma once

// Where an exception that leaves an event or timer handler goes, on the
// thread the handler ran on. The application sets a hook that shows the
// message; until then the message is written to stderr, after what failed
// (the caller's words, such as "Timer handler"). Passing nullptr restores
// that.

#include <exception>
#include <functional>

namespace tessary {

using TExceptionHandler = std::function<void(const std::exception&)>;
void SetApplicationExceptionHandler(TExceptionHandler handler);
void HandleApplicationException(const std::exception& error, const char* what);

}  // namespace tessary
