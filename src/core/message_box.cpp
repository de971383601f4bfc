#include "core/message_box.h"

#include "core/message_table.h"
#include "core/text.h"

#include <iostream>
#include <string>

namespace zumaset {

namespace {

std::string_view IconWord(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Information: return "info";
    case MessageIcon::Exclamation: return "warning";
    case MessageIcon::Stop: return "error";
    case MessageIcon::None: return "message";
    }
    return "message";
}

} // namespace

StreamMessageBoxes::StreamMessageBoxes() : out_(std::cerr) {}

void StreamMessageBoxes::Show(std::string_view title, std::string_view text, MessageIcon icon) {
    // One write, so the block is not torn apart by other output; the box's CR LF
    // line breaks become plain ones and every line is indented under the title.
    std::string block = std::string(title) + " [" + std::string(IconWord(icon)) + "]\n  ";
    // Other control characters (in names) are escaped so they cannot steer the terminal.
    const std::string lines = ReplaceAll(text, "\r\n", "\n");
    std::size_t start = 0;
    for (std::size_t end = lines.find('\n'); end != std::string::npos; end = lines.find('\n', start)) {
        block += EscapeControlChars(std::string_view(lines).substr(start, end - start)) + "\n  ";
        start = end + 1;
    }
    block += EscapeControlChars(std::string_view(lines).substr(start));
    block += '\n';
    out_ << block << std::flush;
}

} // namespace zumaset
