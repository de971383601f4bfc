#include "core/client_model.h"

#include "core/time_format.h"

namespace zumaset {

void ClientModel::AddActivity(std::string_view text, bool /*scroll*/) {
    activity_.push_back(FormatClockTime(clock_.Now()) + " * " + std::string(text));
    Notify(Change::Activity);
}

void ClientModel::AddActivityLine(std::string_view line) {
    activity_.emplace_back(line);
    Notify(Change::Activity);
}

void ClientModel::TrimActivity() {
    if (activity_.size() <= kActivityCapacity) return;
    while (activity_.size() > kActivityCapacity) activity_.pop_front();
    Notify(Change::Activity);
}

} // namespace zumaset
