#pragma once

#include <string_view>

namespace zumaset {

// Kinds of e-mail notice; the mail layer decides from the settings whether a
// kind is sent at all.
enum class NoticeKind : int { Error = 0, MissingReceipt = 1, Information = 3 };

// Sends one e-mail notice; never fails towards the caller.
class MailNotices {
public:
    virtual ~MailNotices() = default;
    virtual void SendMailNotice(NoticeKind kind, std::string_view text) = 0;
};

// Stand-in until mail is wired: every notice is dropped.
class DroppedMailNotices final : public MailNotices {
public:
    void SendMailNotice(NoticeKind, std::string_view) override {}
};

} // namespace zumaset
