#include "core/client_model.h"

#include "core/time_format.h"

namespace zumaset {

void ClientModel::AddActivity(std::string_view text, bool /*scroll*/) {
    activity_.push_back(FormatClockTime(clock_.Now()) + " * " + std::string(text));
}

void ClientModel::TrimActivity() {
    while (activity_.size() > kActivityCapacity) activity_.pop_front();
}

} // namespace zumaset
