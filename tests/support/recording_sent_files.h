#pragma once

#include "exchange/sent_files.h"

#include <string>
#include <string_view>
#include <vector>

namespace zumaset::test {

// Keeps what an upload records and finds nothing.
class RecordingSentFiles final : public SentFiles {
public:
    void Add(std::string sendAs, std::string pathName, std::string cuCode, TimePoint now) override {
        records.push_back({std::move(sendAs), std::move(pathName), std::move(cuCode), now});
    }
    const RegisterRecord* FindSentRecord(std::string_view, std::string_view, bool) const override { return nullptr; }
    bool Empty() const override { return records.empty(); }
    std::vector<RegisterRecord> records;
};

} // namespace zumaset::test
