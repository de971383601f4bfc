#pragma once

#include "child_process.h"
#include "loopback_port.h"

#include <filesystem>
#include <optional>
#include <string>

namespace zumaset::test {

// Debian's tinyproxy on a free 127.0.0.1 port with Basic authentication,
// configured in and logging to `folder`. Started by the constructor (which
// throws when it does not come up), stopped by the destructor.
class TinyproxyProcess {
public:
    TinyproxyProcess(const std::filesystem::path& folder, const std::string& user, const std::string& password);

    // "127.0.0.1:port", as the proxy setting names it.
    std::string address() const { return "127.0.0.1:" + std::to_string(port_); }

private:
    int port_ = 0;
    std::optional<ChildProcess> child_;
};

} // namespace zumaset::test
