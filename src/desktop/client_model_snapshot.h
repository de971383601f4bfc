#pragma once

// A copy of the client model's state taken at one moment, so the window reads
// it on its own thread while a pass goes on changing the model.
//
// The model will hand out this copy itself (ClientModel::Snapshot(), taken
// under the model's lock). Until then this header defines the same struct and
// SnapshotOf() copies the fields through the accessors; once the model has it,
// this header only includes core/client_model.h and SnapshotOf() calls
// Snapshot().

#include "core/client_model.h"
#include "core/transfer_progress.h"

#include <optional>
#include <string>
#include <vector>

namespace zumaset {

struct ClientModelSnapshot {
    std::vector<std::string> activity;
    long sendCount = 0;
    long getCount = 0;
    std::string lastBalloon;
    std::optional<TransferState> transfer;
};

// The model's state now. Not safe while another thread changes the model.
inline ClientModelSnapshot SnapshotOf(const ClientModel& model) {
    ClientModelSnapshot snapshot;
    snapshot.activity.assign(model.activity().begin(), model.activity().end());
    snapshot.sendCount = model.sendCount();
    snapshot.getCount = model.getCount();
    snapshot.lastBalloon = model.lastBalloon();
    return snapshot;
}

} // namespace zumaset
