#pragma once

#include <string>
#include <string_view>

namespace zumaset {

// Upper-cases a UTF-8 text: ASCII and the Latin letters with diacritics of
// Latin-1 and Latin Extended-A (č → Č, ř → Ř, ů → Ů, ...). Other characters
// and malformed bytes are kept as they are.
std::string ToUpperText(std::string_view utf8);

// The lower-case counterpart of ToUpperText, for the same letters.
std::string ToLowerText(std::string_view utf8);

} // namespace zumaset
