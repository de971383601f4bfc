#include "exchange/body_text.h"

#include <algorithm>
#include <cctype>

namespace zumaset {

namespace {

std::size_t FindNoCase(std::string_view text, std::string_view what, std::size_t from = 0) {
    const auto it = std::search(text.begin() + static_cast<std::ptrdiff_t>(std::min(from, text.size())), text.end(),
                                what.begin(), what.end(), [](char a, char b) {
                                    return std::tolower(static_cast<unsigned char>(a)) ==
                                           std::tolower(static_cast<unsigned char>(b));
                                });
    return it == text.end() ? std::string_view::npos : static_cast<std::size_t>(it - text.begin());
}

} // namespace

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
