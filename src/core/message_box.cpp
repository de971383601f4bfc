#include "core/message_box.h"

#include <iostream>
#include <string>

#include "core/message_table.h"

namespace zumaset {

namespace {

std::string_view IconWord(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Information: return "info";
    case MessageIcon::Exclamation: return "warning";
    case MessageIcon::Stop: return "error";
    }
    return "message";
}

} // namespace

StreamMessageBoxes::StreamMessageBoxes() : out_(std::cerr) {}

void StreamMessageBoxes::Show(std::string_view title, std::string_view text, MessageIcon icon) {
    // One write, so the block is not torn apart by other output; the box's CR LF
    // line breaks become plain ones and every line is indented under the title.
    std::string block = std::string(title) + " [" + std::string(IconWord(icon)) + "]\n  ";
    block += ReplaceAll(ReplaceAll(text, "\r\n", "\n"), "\n", "\n  ");
    block += '\n';
    out_ << block << std::flush;
}

} // namespace zumaset
