#pragma once

#include "core/client_model.h"
#include "exchange/sent_files.h"
#include "exchange/upload.h"
#include "session_fixture.h"

#include <filesystem>
#include <string>
#include <vector>

namespace zumaset::test {

// Keeps what an upload records.
class RecordingSentFiles final : public SentFiles {
public:
    void Add(std::string SendAs, std::string PathName, std::string CuCode, TimePoint now) override {
        records.push_back({std::move(SendAs), std::move(PathName), std::move(CuCode), now});
    }
    const RegisterRecord* FindSentRecord(std::string_view, std::string_view, bool) const override { return nullptr; }
    bool Empty() const override { return records.empty(); }
    std::vector<RegisterRecord> records;
};

class CountingDialUpGate final : public DialUpGate {
public:
    bool EnsureDialUpConnection() override {
        ++calls;
        return connects;
    }
    int calls = 0;
    bool connects = true;
};

// An outbound folder, the upload's collaborators, and SendFile run through a
// fresh session on the given transport.
class UploadFixture : public SessionFixture {
protected:
    UploadFixture() : view(clock) {
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
        const UploadContext context{session, settings, logs, reporter, view, sent, gate, clock,
                                    [this] { awaitReceipt = true; }};
        return SendFile(context, folder, name, cuCode, sendAs, expected, readIdentity);
    }

    std::filesystem::path source;
    ClientModel view;
    RecordingSentFiles sent;
    CountingDialUpGate gate;
    bool awaitReceipt = false;
};

} // namespace zumaset::test
