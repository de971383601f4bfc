#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zumaset {

// The text of a reply page's body. The server frames its one-word answers as
// "<body>" CR LF text CR LF "</body>": the two characters after "<body>" and
// the two before "</body>" are dropped (tags found without regard to case). A
// reply without "<body>" is returned whole. Nothing when "<body>" has no
// "</body>" after it, or the two are too close to frame a text: the caller
// treats that as a failed transfer.
std::optional<std::string> GetBodyText(std::string_view reply);

} // namespace zumaset
