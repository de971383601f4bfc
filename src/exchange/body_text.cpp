#include "exchange/body_text.h"

#include "core/text.h"

namespace zumaset {

std::optional<std::string> GetBodyText(std::string_view reply) {
    const std::size_t open = FindNoCase(reply, "<body>");
    if (open == std::string_view::npos) return std::string(reply);
    const std::size_t close = FindNoCase(reply, "</body>", open);
    if (close == std::string_view::npos) return std::nullopt;
    const std::size_t start = open + 8; // past "<body>" and its line break
    if (close < start + 2) return std::nullopt;
    return std::string(reply.substr(start, close - 2 - start));
}

} // namespace zumaset
