#pragma once

#include "core/unique_fd.h"

#include "child_process.h"
#include "temp_dir.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace zumaset::test {

// Runs zumaset-vansim for one test: a fresh data folder, a free port on
// 127.0.0.1, started in the constructor (which returns once the simulator says
// it listens) and stopped with SIGTERM in the destructor. The helpers write the
// simulator's data folder, which it reads again on every request.
class VansimProcess {
public:
    // extraArguments go to the command line, e.g. {"--certificate", "expired"}.
    explicit VansimProcess(std::vector<std::string> extraArguments = {});

    std::string host() const { return "127.0.0.1:" + std::to_string(port_); }
    // The test CA's certificate (PEM), for a client's CA folder.
    const std::filesystem::path& caPath() const { return caPath_; }
    const std::filesystem::path& dataFolder() const { return data_.path(); }

    // Adds a declarant; knownForXml false makes XML uploads answer "CHYBA ID".
    void AddAccount(const std::string& user, const std::string& password, bool knownForXml = true);
    // Puts a file in a declarant's outbox; serverPath as the list shows it, "user\dir\name".
    void AddWaitingFile(const std::string& serverPath, const std::string& bytes);
    // Adds a fault rule, "PAGE ACTION [VALUE] [file=NAME] [chunk=N] [times=N]".
    void AddFaultRule(const std::string& rule);
    // Sets a setting of the settings file ("receipt_delay", "refuse_version").
    void SetSetting(const std::string& name, const std::string& value);
    // Empties the settings file: no faults, no refused versions, no delay.
    void ClearSettings();

    // Where the simulator keeps a file, given its server path "user\dir\name".
    std::filesystem::path ReceivedFile(const std::string& serverPath) const;
    std::filesystem::path WaitingFile(const std::string& serverPath) const;
    std::filesystem::path DeliveredFile(const std::string& serverPath) const;
    // The request log so far.
    std::string RequestLog() const;

private:
    std::filesystem::path Below(const char* area, const std::string& serverPath) const;
    void AppendSetting(const std::string& line);

    TempDir data_;
    UniqueFd output_;
    std::optional<ChildProcess> child_;
    int port_ = 0;
    std::filesystem::path caPath_;
};

} // namespace zumaset::test
