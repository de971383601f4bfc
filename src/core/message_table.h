#pragma once

#include <initializer_list>
#include <map>
#include <string>
#include <string_view>
#include <utility>

namespace zumaset {

// Numbers of the messages the client shows or writes.
namespace msg {
inline constexpr int kServiceInstalled = 101;
inline constexpr int kServiceRemoved = 102;
inline constexpr int kSendActivity = 103;
inline constexpr int kReceiveActivity = 104;
inline constexpr int kSendingFile = 401;
inline constexpr int kFileSent = 402;
inline constexpr int kDownloadingFile = 403;
inline constexpr int kFileDownloaded = 404;
inline constexpr int kSizeInBytes = 405;
inline constexpr int kInstallCaQuestion = 501;
inline constexpr int kInstallCaYourself = 502;
inline constexpr int kApplicationError = 900;
inline constexpr int kGeneralFailure = 901;
inline constexpr int kServiceNotInstalled = 902;
inline constexpr int kServiceNotRemoved = 903;
inline constexpr int kInvalidParameter = 904;
inline constexpr int kNoDefaultBrowser = 905;
inline constexpr int kApplicationWillEnd = 906;
inline constexpr int kBadFileName = 907;
inline constexpr int kOfficeCodeInvalid = 908;
inline constexpr int kLoginRefused = 909;
inline constexpr int kFileNotSent = 910;
inline constexpr int kFileNotDownloaded = 911;
inline constexpr int kDeclarantUnknown = 912;
inline constexpr int kSqlError = 913;
inline constexpr int kCrcError = 914;
inline constexpr int kOldBrowser = 915;
inline constexpr int kOfficeCodeMalformed = 916;
inline constexpr int kWrongClientVersion = 917;
inline constexpr int kServerScriptError = 918;
} // namespace msg

// The placeholder the texts carry.
inline constexpr std::string_view kPlaceholder = "|1";

// Message text by number, exactly as stored; empty for an unknown number.
std::string MessageText(int id);

// Message text with the substitutions applied in order, each pair replacing
// every occurrence of its placeholder (case-sensitive) in the text so far.
// LoadMessage(501, {{"|1", "\r\n"}}).
std::string LoadMessage(int id, std::initializer_list<std::pair<std::string_view, std::string_view>> substitutions);

// Every occurrence of what replaced by with; an empty what changes nothing.
std::string ReplaceAll(std::string_view text, std::string_view what, std::string_view with);

// Reads a table in the file format: "id<TAB>text" a line, the text verbatim up
// to the line end (a CR before the LF is dropped); "#" lines, empty lines and
// lines without a number and a tab are skipped.
std::map<int, std::string> ParseMessageTable(std::string_view data);

namespace detail {
// The bytes of the message table file, compiled into the library.
std::string_view EmbeddedMessageTable();
} // namespace detail

} // namespace zumaset
