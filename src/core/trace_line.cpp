#include "core/trace_line.h"

#include "core/utf8_slice.h"

#include <cstdio>

namespace zumaset {

namespace {

constexpr std::size_t kRoutineFieldWidth = 21;
constexpr std::size_t kRoutineNameWidth = 14;
constexpr std::size_t kLabelWidth = 24;

} // namespace

TraceLine::TraceLine(std::string_view routine, char letter, int number)
    : routine_(routine), letter_(letter), number_(number) {}

TraceLine TraceLine::WithVerbatimField(std::string_view field, char letter, int number) {
    TraceLine line(field, letter, number);
    line.verbatimField_ = true;
    return line;
}

TraceLine& TraceLine::Label(std::string_view label) {
    label_ = label;
    hasLabel_ = true;
    return *this;
}

std::string TraceLine::Compose(std::string_view field) const {
    char tag[16];
    std::snprintf(tag, sizeof tag, "<%c%02d>", letter_, number_);
    std::string line = "[" + std::string(field) + "]" + tag;
    if (hasLabel_) line += "*** " + Utf8PadRight(label_, kLabelWidth) + "***";
    return line;
}

std::string TraceLine::Text() const {
    return Compose(verbatimField_ ? routine_ : Utf8PadRight(routine_, kRoutineFieldWidth));
}

std::string TraceLine::Values(std::initializer_list<std::string_view> values) const {
    std::string line = Text();
    if (values.size() == 0) return line;
    line += " [";
    bool first = true;
    for (const std::string_view value : values) {
        if (!first) line += "][";
        line += value;
        first = false;
    }
    line += "]";
    return line;
}

std::string TraceLine::Error(long code, std::string_view description) const {
    return Text() + " " + std::to_string(code) + "  " + std::string(description);
}

std::string TraceLine::Start() const {
    return Compose(Utf8PadRight(routine_, kRoutineNameWidth) + "- START");
}

std::string TraceLine::End(std::string_view returnsTo) const {
    TraceLine line = *this;
    if (!returnsTo.empty()) line.Label(returnsTo);
    return line.Compose(Utf8PadRight(routine_, kRoutineNameWidth) + "-   END");
}

std::string TraceLine::Separator() const {
    return Compose(std::string(kRoutineFieldWidth, '-'));
}

} // namespace zumaset
