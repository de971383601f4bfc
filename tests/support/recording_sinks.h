#pragma once

#include "core/mail_notice.h"
#include "core/message_box.h"
#include "core/process_launcher.h"

#include <string>
#include <string_view>
#include <vector>

namespace zumaset::test {

// Keeps every message box instead of showing it.
class RecordingMessageBoxes final : public MessageBoxes {
public:
    struct Box {
        std::string title;
        std::string text;
        MessageIcon icon;
    };
    void Show(std::string_view title, std::string_view text, MessageIcon icon) override {
        boxes.push_back({std::string(title), std::string(text), icon});
    }
    std::vector<Box> boxes;
};

// Keeps every e-mail notice instead of sending it.
class RecordingMailNotices final : public MailNotices {
public:
    struct Notice {
        NoticeKind kind;
        std::string text;
    };
    void SendMailNotice(NoticeKind kind, std::string_view text) override {
        notices.push_back({kind, std::string(text)});
    }
    std::vector<Notice> notices;
};

// Keeps the command lines instead of starting programs.
class RecordingLauncher final : public ProcessLauncher {
public:
    bool StartDetached(const std::vector<std::string>& argv) override {
        started.push_back(argv);
        return true;
    }
    std::vector<std::vector<std::string>> started;
};

} // namespace zumaset::test
