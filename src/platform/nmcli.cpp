#include "platform/nmcli.h"

#include "platform/program_run.h"
#include "platform/terse_fields.h"

#include <cerrno>
#include <string_view>

namespace zumaset {

namespace {

constexpr std::string_view kErrorPrefix = "Error: ";

int AnswerCode(const ProgramRun& run) {
    using End = ProgramRun::End;
    switch (run.end) {
    case End::Exited: return run.exitStatus;
    case End::Signalled: return nmcli_code::kSignalled + run.signal;
    case End::TimedOut: return nmcli_code::kTimeout;
    case End::NotStarted: break;
    }
    return run.startError == ENOENT ? nmcli_code::kNotFound : nmcli_code::kCannotStart;
}

} // namespace

// The error line when there is one (a version warning may come first),
// otherwise the first line.
std::string NmcliAnswer::Message() const {
    std::string_view first;
    std::string_view rest(err);
    while (!rest.empty()) {
        const auto end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.remove_suffix(1);
        if (line.substr(0, kErrorPrefix.size()) == kErrorPrefix) return std::string(line.substr(kErrorPrefix.size()));
        if (first.empty()) first = line;
        if (end == std::string_view::npos) break;
        rest.remove_prefix(end + 1);
    }
    return std::string(first);
}

std::vector<std::vector<std::string>> NmcliAnswer::Rows() const {
    return SplitTerseOutput(out);
}

NmcliAnswer Nmcli::Query(const std::string& fields, const std::vector<std::string>& args) const {
    std::vector<std::string> argv{options_.program, "--terse", "--fields", fields};
    argv.insert(argv.end(), args.begin(), args.end());
    return Run(std::move(argv), options_.queryTimeout);
}

NmcliAnswer Nmcli::Command(std::chrono::seconds wait, const std::vector<std::string>& args) const {
    std::vector<std::string> argv{options_.program, "--wait", std::to_string(wait.count())};
    argv.insert(argv.end(), args.begin(), args.end());
    return Run(std::move(argv), std::chrono::duration_cast<std::chrono::milliseconds>(wait) + options_.grace);
}

NmcliAnswer Nmcli::Run(std::vector<std::string> argv, std::chrono::milliseconds timeout) const {
    ProgramRun run = RunProgram(argv, {"LC_ALL=C.UTF-8"}, timeout);
    return NmcliAnswer{AnswerCode(run), std::move(run.out), std::move(run.err)};
}

} // namespace zumaset
