# Turns the message table file into a C++ source holding its bytes, so the
# library carries the texts itself. Run as: cmake -DINPUT=... -DOUTPUT=... -P
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR byte_count "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
# One line of C++ per line of the table keeps the generated file readable.
string(REPLACE "0x0a," "0x0a,\n" bytes "${bytes}")
file(WRITE "${OUTPUT}.tmp"
"// Generated from the message table file at build time; do not edit.
#include \"core/message_table.h\"

namespace zumaset::detail {
namespace {
constexpr unsigned char kBytes[] = {
${bytes}0x00};
} // namespace

std::string_view EmbeddedMessageTable() {
    return {reinterpret_cast<const char*>(kBytes), ${byte_count}};
}
} // namespace zumaset::detail
")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
