#include "core/client_model.h"

#include "core/time_format.h"

#include <utility>

namespace zumaset {

void ClientModel::SetObserver(Observer observer) {
    auto shared = observer ? std::make_shared<const Observer>(std::move(observer)) : nullptr;
    const std::lock_guard lock(mutex_);
    observer_ = std::move(shared);
}

void ClientModel::Notify(Change change) const {
    std::shared_ptr<const Observer> observer;
    {
        const std::lock_guard lock(mutex_);
        observer = observer_;
    }
    if (observer) (*observer)(change);
}

void ClientModel::AddActivity(std::string_view text, bool /*scroll*/) {
    std::string entry = FormatClockTime(clock_.Now()) + " * " + std::string(text);
    {
        const std::lock_guard lock(mutex_);
        activity_.push_back(std::move(entry));
    }
    Notify(Change::Activity);
}

void ClientModel::AddActivityLine(std::string_view line) {
    {
        const std::lock_guard lock(mutex_);
        activity_.emplace_back(line);
    }
    Notify(Change::Activity);
}

void ClientModel::IncrementSendCount() {
    {
        const std::lock_guard lock(mutex_);
        ++sendCount_;
    }
    Notify(Change::SendCount);
}

void ClientModel::IncrementGetCount() {
    {
        const std::lock_guard lock(mutex_);
        ++getCount_;
    }
    Notify(Change::GetCount);
}

void ClientModel::ShowBalloon(std::string_view text) {
    {
        const std::lock_guard lock(mutex_);
        lastBalloon_ = std::string(text);
    }
    Notify(Change::Balloon);
}

void ClientModel::OnTransferProgress(const TransferState& state) {
    {
        const std::lock_guard lock(mutex_);
        transfer_ = state;
    }
    Notify(Change::Transfer);
}

void ClientModel::OnTransferEnd() {
    {
        const std::lock_guard lock(mutex_);
        if (!transfer_) return;
        transfer_.reset();
    }
    Notify(Change::Transfer);
}

void ClientModel::TrimActivity() {
    {
        const std::lock_guard lock(mutex_);
        if (activity_.size() <= kActivityCapacity) return;
        while (activity_.size() > kActivityCapacity) activity_.pop_front();
    }
    Notify(Change::Activity);
}

ClientModelSnapshot ClientModel::Snapshot() const {
    const std::lock_guard lock(mutex_);
    return {{activity_.begin(), activity_.end()}, sendCount_, getCount_, lastBalloon_, transfer_};
}

std::deque<std::string> ClientModel::activity() const {
    const std::lock_guard lock(mutex_);
    return activity_;
}

long ClientModel::sendCount() const {
    const std::lock_guard lock(mutex_);
    return sendCount_;
}

long ClientModel::getCount() const {
    const std::lock_guard lock(mutex_);
    return getCount_;
}

std::string ClientModel::lastBalloon() const {
    const std::lock_guard lock(mutex_);
    return lastBalloon_;
}

std::optional<TransferState> ClientModel::transfer() const {
    const std::lock_guard lock(mutex_);
    return transfer_;
}

} // namespace zumaset
