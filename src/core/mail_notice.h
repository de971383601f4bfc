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

// Hands every notice to a mail layer chosen after construction: the runtime
// that reports through this object owns the settings and logs the mail layer
// reads, so the mail layer can only be built once the runtime exists. Notices
// before SetTarget (or with a null target) are dropped. Set the target before
// any pass runs; it is not guarded against a concurrent change.
class MailNoticeRelay final : public MailNotices {
public:
    void SetTarget(MailNotices* target) { target_ = target; }
    void SendMailNotice(NoticeKind kind, std::string_view text) override {
        if (target_ != nullptr) target_->SendMailNotice(kind, text);
    }

private:
    MailNotices* target_ = nullptr;
};

} // namespace zumaset
