#pragma once

#include "exchange/upload.h"

#include "counting_dial_up_gate.h"
#include "recording_cycle_events.h"
#include "recording_sent_files.h"
#include "recording_transfer_progress.h"
#include "session_fixture.h"

#include <filesystem>
#include <string>
#include <vector>

namespace zumaset::test {

// An outbound folder, the upload's collaborators, and SendFile run through a
// fresh session on the given transport.
class UploadFixture : public SessionFixture {
protected:
    UploadFixture() {
        source = dir / "Na_CU";
        std::filesystem::create_directories(source);
        settings.SourcePath = source.string() + "/";
        settings.ServerTxt = settings.ServerXml = "van.example";
        settings.Pass = "heslo";
        settings.WriteLogFile = true;
    }

    // Writes a file below the outbound folder and gives its folder path (ending with "/").
    std::string Put(const std::string& name, const std::string& bytes, const std::string& sub = "") {
        const std::filesystem::path folder = sub.empty() ? source : source / sub;
        std::filesystem::create_directories(folder);
        WriteFileBytes(folder / name, bytes);
        return folder.string() + "/";
    }

    bool Send(Transport& transport, const std::string& folder, const std::string& name, const std::string& cuCode,
              const std::string& sendAs, FileIdentity* readIdentity = nullptr,
              const std::optional<FileNode>& expected = std::nullopt) {
        ServerSession session(transport, settings, registry, logs, reporter);
        session.Open();
        const UploadContext context{session, settings, logs, reporter, cycle, sent, gate, clock, &progress};
        return SendFile(context, folder, name, cuCode, sendAs, expected, readIdentity);
    }

    std::filesystem::path source;
    test::RecordingCycleEvents cycle;
    RecordingSentFiles sent;
    CountingDialUpGate gate;
    RecordingTransferProgress progress;
};

} // namespace zumaset::test
