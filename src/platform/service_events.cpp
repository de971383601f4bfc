#include "platform/service_events.h"

#include "core/system_error_text.h"

#include <exception>

namespace zumaset {

namespace {

constexpr int kHandlerErrorEventId = 109;

} // namespace

std::string ServiceStatusText(bool paused, const std::optional<TransferState>& transfer) {
    std::string text(paused ? kServicePausedTip : kServiceRunningTip);
    if (transfer) {
        text += transfer->direction == TransferState::Direction::Sending ? ", odesílá se " : ", přijímá se ";
        text += transfer->file;
    }
    return text;
}

std::string ControlCaption(std::string_view displayName, int number) {
    return std::string(displayName) + " Control signal " + std::to_string(number);
}

template <typename Handler> void ServiceEvents::Handle(Handler handler) noexcept {
    try {
        handler();
    } catch (const std::exception& e) {
        try {
            parts_.eventLog.LogEvent(EventType::Error, kHandlerErrorEventId,
                                     "[" + std::to_string(kNoSystemErrorNumber) + "] " + e.what());
        } catch (...) {}
    } catch (...) {}
}

void ServiceEvents::SendStatus() {
    std::optional<TransferState> transfer;
    {
        const std::lock_guard lock(mutex_);
        transfer = transfer_;
    }
    parts_.notifier.Status(ServiceStatusText(parts_.cycle.paused(), transfer));
}

void ServiceEvents::Ready() {
    Handle([this] {
        SendStatus();
        parts_.notifier.Ready();
    });
}

void ServiceEvents::Pause() {
    Handle([this] {
        parts_.cycle.Pause();
        if (parts_.setTrayTip) parts_.setTrayTip(kServicePausedTip);
        parts_.eventLog.LogEvent(EventType::Information, kPauseContinueEventId, "Service Paused");
        SendStatus();
    });
}

void ServiceEvents::Continue() {
    Handle([this] {
        parts_.cycle.Continue();
        if (parts_.setTrayTip) parts_.setTrayTip(kServiceRunningTip);
        parts_.eventLog.LogEvent(EventType::Information, kPauseContinueEventId, "Service Continue");
        SendStatus();
    });
}

void ServiceEvents::Control(int number) {
    Handle([this, number] {
        const std::string caption = ControlCaption(parts_.displayName, number);
        if (parts_.setCaption) {
            parts_.setCaption(caption);
        } else {
            parts_.notifier.Status(caption);
        }
    });
}

void ServiceEvents::OnTransfer(const std::optional<TransferState>& transfer) {
    Handle([this, &transfer] {
        {
            const std::lock_guard lock(mutex_);
            const bool same =
                transfer_.has_value() == transfer.has_value() &&
                (!transfer || (transfer_->file == transfer->file && transfer_->direction == transfer->direction));
            if (same) return;
            transfer_ = transfer;
        }
        SendStatus();
    });
}

} // namespace zumaset
