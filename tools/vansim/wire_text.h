#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zumaset::vansim {

// Texts on the wire are Windows-1250; texts in the simulator are UTF-8.
// Both conversions give nothing when a character has no form on the other side.
std::optional<std::string> Cp1250ToUtf8(std::string_view text);
std::optional<std::string> Utf8ToCp1250(std::string_view text);

// One field of a form body, exactly as sent: the client inserts values without
// percent-encoding, so nothing is decoded here ("+" stays "+", "%41" stays "%41").
struct FormField {
    std::string name;
    std::string value;
};

// Splits a form body at every "&" and each piece at its first "=".
std::vector<FormField> ParseFormBody(std::string_view body);

// The value of the first field of that name, or nothing.
const std::string* FindField(const std::vector<FormField>& fields, std::string_view name);

// True when the first occurrences of the expected names appear in this order.
// Extra fields are allowed: a value holding "&" splits into an extra field,
// which the client does on purpose and which must still reach the password check.
bool FieldsInOrder(const std::vector<FormField>& fields, std::initializer_list<std::string_view> expected);

// A reply page: the text between "<body>" CR LF and CR LF "</body>", the way
// the client's body extraction expects it.
std::string FramePage(std::string_view text);

} // namespace zumaset::vansim
