#include "platform/client_control.h"

#include "core/time_format.h"
#include "platform/control_results.h"

#include <unistd.h>

namespace zumaset {

namespace {

ProgressEvent ProgressOf(const TransferState& state) {
    return {state.file, state.direction == TransferState::Direction::Sending ? "send" : "receive", state.done,
            state.total};
}

constexpr std::string_view kShuttingDown = "the client is shutting down";

} // namespace

void ClientControl::Handle(const ControlRequest& request, ReplyWriter& reply) {
    switch (request.command) {
    case ControlCommand::Send:
    case ControlCommand::Receive:
    case ControlCommand::Cycle: RunPass(request.command, reply); return;
    case ControlCommand::Register: ShowRegister(reply); return;
    case ControlCommand::Status: ShowStatus(reply); return;
    case ControlCommand::Reload:
        parts_.reload();
        reply.Result(OkResult());
        return;
    case ControlCommand::Raise:
        parts_.raise();
        reply.Result(OkResult());
        return;
    }
    reply.Result(ErrorResult("unknown command"));
}

void ClientControl::RunPass(ControlCommand command, ReplyWriter& reply) {
    PassResult result;
    const bool ran = parts_.worker.Run([&] {
        ClientModel& model = parts_.runtime.model();
        const long sentBefore = model.sendCount();
        const long receivedBefore = model.getCount();
        capturing_ = &reply;
        activity_.clear();
        errors_.clear();
        seenActivity_ = model.activity().size();
        PassOutcome outcome;
        switch (command) {
        case ControlCommand::Send: outcome = parts_.cycle.mnuPopSend_Click(); break;
        case ControlCommand::Receive: outcome = parts_.cycle.mnuPopGet_Click(); break;
        default: outcome = parts_.cycle.RunFullPass(); break;
        }
        capturing_ = nullptr;
        result.status = PassStatusName(outcome.status);
        result.missing = outcome.missing;
        result.activity = std::move(activity_);
        result.errors = std::move(errors_);
        result.sent = model.sendCount() - sentBefore;
        result.received = model.getCount() - receivedBefore;
        result.awaiting = static_cast<long>(parts_.runtime.sentFiles().records().size());
    });
    reply.Result(ran ? ToJson(result) : ErrorResult(kShuttingDown));
}

void ClientControl::OnModelChange(ClientModel::Change change) {
    if (capturing_ == nullptr) return;
    if (change == ClientModel::Change::Transfer) {
        if (const auto transfer = parts_.runtime.model().transfer()) capturing_->Event(ProgressOf(*transfer));
        return;
    }
    if (change != ClientModel::Change::Activity) return;
    const auto activity = parts_.runtime.model().activity();
    // A trim shortens the list: nothing new then.
    if (activity.size() < seenActivity_) seenActivity_ = activity.size();
    for (std::size_t i = seenActivity_; i < activity.size(); ++i) {
        activity_.push_back(activity[i]);
        capturing_->Event(ActivityEvent{activity[i]});
    }
    seenActivity_ = activity.size();
}

void ClientControl::OnLogLine(LogKind kind, std::string_view line) {
    if (capturing_ != nullptr && kind == LogKind::Error) errors_.emplace_back(line);
}

void ClientControl::ShowRegister(ReplyWriter& reply) {
    RegisterResult result;
    const bool ran = parts_.worker.Run([&] {
        for (const auto& record : parts_.runtime.sentFiles().records()) {
            auto& entry = result.records.emplace_back();
            entry.cuCode = record.CuCode;
            entry.sendAs = record.SendAs;
            entry.pathName = record.PathName;
            entry.sendTime = FormatDefaultDateTime(record.SendTime);
        }
    });
    reply.Result(ran ? ToJson(result) : ErrorResult(kShuttingDown));
}

void ClientControl::ShowStatus(ReplyWriter& reply) {
    StatusResult result;
    result.face = parts_.face;
    result.intervalMs = static_cast<long>(parts_.timer.Interval().count());
    result.enabled = parts_.timer.Enabled();
    result.paused = parts_.cycle.paused();
    result.service = parts_.cycle.serviceStarted();
    result.pid = static_cast<long>(::getpid());
    ClientModelSnapshot model = parts_.runtime.model().Snapshot();
    result.sent = model.sendCount;
    result.received = model.getCount;
    const std::size_t first =
        model.activity.size() > kStatusActivityLines ? model.activity.size() - kStatusActivityLines : 0;
    result.activity.assign(model.activity.begin() + static_cast<std::ptrdiff_t>(first), model.activity.end());
    if (model.transfer) result.transfer = ProgressOf(*model.transfer);
    reply.Result(ToJson(result));
}

} // namespace zumaset
