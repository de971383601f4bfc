#pragma once

#include <cstddef>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <string_view>
#include <vector>

namespace zumaset::test {

// Checks a debug trace by tag and values, not by column layout: some line
// holds the tag (<G25>) and, after it and in this order, each value as
// "[value]". The column layout itself is pinned once, by the trace line's own
// test.
inline testing::AssertionResult TraceHas(std::string_view debug, char letter, int number,
                                         const std::vector<std::string>& values = {}) {
    char tag[16];
    std::snprintf(tag, sizeof tag, "<%c%02d>", letter, number);
    for (std::size_t at = debug.find(tag); at != std::string_view::npos; at = debug.find(tag, at + 1)) {
        const std::size_t end = debug.find('\n', at);
        const std::string_view line = debug.substr(at, end == std::string_view::npos ? end : end - at);
        std::size_t from = 0;
        bool all = true;
        for (const std::string& value : values) {
            from = line.find("[" + value + "]", from);
            if (from == std::string_view::npos) {
                all = false;
                break;
            }
            from += value.size() + 2;
        }
        if (all) return testing::AssertionSuccess();
    }
    auto failure = testing::AssertionFailure() << "no trace line " << tag;
    for (const std::string& value : values) failure << " [" << value << "]";
    return failure << " in:\n" << debug;
}

// How many trace lines hold the tag.
inline std::size_t TraceCount(std::string_view debug, char letter, int number) {
    char tag[16];
    std::snprintf(tag, sizeof tag, "<%c%02d>", letter, number);
    std::size_t count = 0;
    for (std::size_t at = debug.find(tag); at != std::string_view::npos; at = debug.find(tag, at + 1)) ++count;
    return count;
}

} // namespace zumaset::test
