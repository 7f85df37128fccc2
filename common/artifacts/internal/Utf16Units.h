// UTF-16 code units of UTF-8 text, for the string hash (which is defined over UTF-16). Ill-formed
// sequences become U+FFFD, one per maximal ill-formed subpart, as the platform's text decoders do.
#pragma once

#include <string_view>
#include <vector>

namespace qor::internal {

std::vector<char16_t> utf16Units(std::string_view utf8);

}  // namespace qor::internal
