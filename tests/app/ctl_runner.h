#pragma once

#include "app/ctl/ctl_app.h"

#include <filesystem>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace zumaset::test {

// Runs zumasetctl in-process with a given registry file and keeps what it printed.
class CtlRunner {
public:
    explicit CtlRunner(std::filesystem::path registry) : registry_(std::move(registry)) {}

    int Run(std::vector<std::string> args, const std::string& input = "", bool errIsTerminal = false) {
        args.insert(args.begin(), {"zumasetctl", "--registry", registry_.string()});
        std::vector<const char*> argv;
        for (const auto& a : args) argv.push_back(a.c_str());
        std::istringstream in(input);
        out.str("");
        err.str("");
        return RunZumasetCtl(static_cast<int>(argv.size()), argv.data(), in, out, err, errIsTerminal);
    }
    // "config set" for each pair in turn: the first status that is not 0, else 0.
    int Set(const std::vector<std::pair<std::string, std::string>>& values) {
        for (const auto& [name, value] : values) {
            if (const int status = Run({"config", "set", name, value}); status != 0) return status;
        }
        return 0;
    }
    const std::filesystem::path& registry() const { return registry_; }

    std::ostringstream out;
    std::ostringstream err;

private:
    std::filesystem::path registry_;
};

} // namespace zumaset::test
