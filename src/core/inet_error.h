#pragma once

namespace zumaset::inet_error {

// The WinINet-style error numbers the transport leaves behind after a failed
// operation; the failure reports print them with a text of their own
// (SystemErrorText, whose table is built from these names).

// A reply longer than the limit its request allows: the system's number for
// a file over a size limit.
inline constexpr unsigned long kReplyTooLarge = 223;
inline constexpr unsigned long kTimeout = 12002;
inline constexpr unsigned long kInternalError = 12004;
inline constexpr unsigned long kInvalidUrl = 12005;
inline constexpr unsigned long kNameNotResolved = 12007;
inline constexpr unsigned long kOperationCancelled = 12017;
inline constexpr unsigned long kIncorrectHandleState = 12019;
inline constexpr unsigned long kCannotConnect = 12029;
// Also a reply whose connection ended before it was complete.
inline constexpr unsigned long kConnectionAborted = 12030;
inline constexpr unsigned long kConnectionReset = 12031;
inline constexpr unsigned long kCertificateDateInvalid = 12037;
inline constexpr unsigned long kCertificateNameInvalid = 12038;
inline constexpr unsigned long kClientCertificateNeeded = 12044;
inline constexpr unsigned long kInvalidCa = 12045;
inline constexpr unsigned long kInvalidServerResponse = 12152;
inline constexpr unsigned long kInvalidHeader = 12153;
inline constexpr unsigned long kSecureChannelError = 12157;
inline constexpr unsigned long kSecurityFailure = 12175;

} // namespace zumaset::inet_error
