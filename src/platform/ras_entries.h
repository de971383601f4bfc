#pragma once

#include "platform/nmcli.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zumaset {

// Whether a NetworkManager connection type (nmcli's raw TYPE) is one that
// dials: the profiles that stand for phonebook entries.
bool IsDiallingType(std::string_view type);

// The phonebook entries the configuration dialog offers and the one it selects.
struct RasEntries {
    std::vector<std::string> names; // the dialling profiles, in nmcli's order
    std::size_t selected = 0;       // the entry named exactly RASName, else the first
};

// Lists the connection profiles of the dialling kinds. Nothing when nmcli
// fails or there is no such profile: the dialog then keeps the local network.
std::optional<RasEntries> ListRasEntries(std::string_view rasName, const Nmcli& nmcli = Nmcli{});

} // namespace zumaset
