#include "platform/connection_state.h"

#include <ifaddrs.h>
#include <memory>
#include <net/if.h>

namespace zumaset {

namespace {

struct IfAddrsFree {
    void operator()(ifaddrs* list) const noexcept { ::freeifaddrs(list); }
};

} // namespace

bool NetworkManagerRunning(const Nmcli& nmcli) {
    const NmcliAnswer answer = nmcli.Query("RUNNING", {"general"});
    if (!answer.ok()) return false;
    const auto rows = answer.Rows();
    return !rows.empty() && rows.front().front() == "running";
}

bool NonLoopbackInterfaceUp() {
    ifaddrs* raw = nullptr;
    if (::getifaddrs(&raw) != 0) return false;
    const std::unique_ptr<ifaddrs, IfAddrsFree> list(raw);
    for (const ifaddrs* entry = list.get(); entry != nullptr; entry = entry->ifa_next) {
        if ((entry->ifa_flags & IFF_UP) != 0 && (entry->ifa_flags & IFF_LOOPBACK) == 0) return true;
    }
    return false;
}

int ConnectionStateFlag(int flag, const Nmcli& nmcli) {
    using namespace connection_flag;
    switch (flag) {
    case kModem:
    case kProxy:
    case kOffline:
    case kConfigured: return 0;
    case kLan: return NonLoopbackInterfaceUp() ? flag : 0;
    case kRasInstalled: return NetworkManagerRunning(nmcli) ? flag : 0;
    default: return -1;
    }
}

} // namespace zumaset
