// Applies a printf-style format with the platform's "%@" to typed arguments (QORLogArgument).
//
// - "%@" writes the argument's description: a text as it is, a number in decimal (a floating one in
//   its shortest exact form), a boolean as 1 or 0, nil as "(null)".
// - d i u o x X, f F e E g G a A, c and s follow printf with their flags, width and precision; the
//   length modifiers (h hh l ll q L z t j) are accepted and ignored, since the argument carries its
//   own type. A number given to a text conversion, or a text to a number conversion, is written as
//   "%@" would write it. Width and precision stop at 1024.
// - "%%" writes "%"; "%n" writes nothing (and takes its argument).
// - A placeholder with no argument left is written as it stands; surplus arguments are ignored; an
//   unknown conversion is written as it stands.
// The result is valid UTF-8.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "common/log/QORLogArgument.h"

namespace qor {

std::string formatLogMessage(std::string_view format, std::span<const QORLogArgument> arguments);

}  // namespace qor
