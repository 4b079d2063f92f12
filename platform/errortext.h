// SPDX-License-Identifier: MIT
#pragma once

// The text of a system error number for the user's messages: Chinese for
// the errors that files, folders and the ini can meet, the system's own text
// for the rest.

#include <string>

namespace tessary::platform {

std::string SystemErrorText(int error);

}  // namespace tessary::platform
