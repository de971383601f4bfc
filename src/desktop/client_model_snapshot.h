#pragma once

// A copy of the client model's state taken at one moment, so the window reads
// it on its own thread while a pass goes on changing the model.

#include "core/client_model.h"

namespace zumaset {

// The model's state now, taken under the model's lock.
inline ClientModelSnapshot SnapshotOf(const ClientModel& model) {
    return model.Snapshot();
}

} // namespace zumaset
