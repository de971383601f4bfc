#pragma once

namespace zumaset {

// A transport error number (0 = none), as the transport interface reports it.
using InetError = unsigned long;

} // namespace zumaset

namespace zumaset::inet_error {

// The WinINet-style error numbers the transport leaves behind after a failed
// operation; the failure reports print them with a text of their own
// (SystemErrorText, whose table is built from these names).

// A reply longer than the limit its request allows: the system's number for
// a file over a size limit.
inline constexpr InetError kReplyTooLarge = 223;
inline constexpr InetError kTimeout = 12002;
inline constexpr InetError kInternalError = 12004;
inline constexpr InetError kInvalidUrl = 12005;
inline constexpr InetError kNameNotResolved = 12007;
inline constexpr InetError kOperationCancelled = 12017;
inline constexpr InetError kIncorrectHandleState = 12019;
inline constexpr InetError kCannotConnect = 12029;
// Also a reply whose connection ended before it was complete.
inline constexpr InetError kConnectionAborted = 12030;
inline constexpr InetError kConnectionReset = 12031;
inline constexpr InetError kCertificateDateInvalid = 12037;
inline constexpr InetError kCertificateNameInvalid = 12038;
inline constexpr InetError kClientCertificateNeeded = 12044;
inline constexpr InetError kInvalidCa = 12045;
inline constexpr InetError kInvalidServerResponse = 12152;
inline constexpr InetError kInvalidHeader = 12153;
inline constexpr InetError kSecureChannelError = 12157;
inline constexpr InetError kSecurityFailure = 12175;

} // namespace zumaset::inet_error
