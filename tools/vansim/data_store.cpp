#include "data_store.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <system_error>

namespace zumaset::vansim {
namespace fs = std::filesystem;

namespace {

std::string ChunkFileName(int index) {
    char name[16];
    std::snprintf(name, sizeof name, "%06d", index);
    return name;
}

std::string ReadAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

bool IsSafeName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return c == '/' || c == '\\' || byte < 0x20 || byte == 0x7f;
    });
}

std::optional<std::vector<std::string>> SplitServerPath(std::string_view path) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        const size_t end = std::min(path.find('\\', start), path.size());
        const std::string_view part = path.substr(start, end - start);
        if (!part.empty()) {
            if (!IsSafeName(part)) return std::nullopt;
            parts.emplace_back(part);
        }
        start = end + 1;
    }
    return parts;
}

DataStore::DataStore(fs::path root) : root_(std::move(root)) {
    for (const char* folder : {"received", "partial", "outbox", "scheduled", "delivered", "tmp", "tls"}) {
        fs::create_directories(root_ / folder);
    }
}

std::map<std::string, Account> DataStore::LoadAccounts() const {
    std::map<std::string, Account> accounts;
    std::ifstream in(root_ / "accounts.txt");
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        // The password is everything between the first and the last ":", so it may hold ":" itself.
        const size_t first = line.find(':');
        const size_t last = line.rfind(':');
        if (first == std::string::npos || first == last || first == 0) continue;
        Account account;
        account.password = line.substr(first + 1, last - first - 1);
        const std::string flag = line.substr(last + 1);
        account.knownForXml = flag == "xml";
        accounts[line.substr(0, first)] = account;
    }
    return accounts;
}

fs::path DataStore::Under(const fs::path& base, const std::vector<std::string>& parts) const {
    fs::path result = base;
    for (const auto& part : parts) result /= part;
    return result;
}

void DataStore::WriteWhole(const fs::path& file, std::string_view bytes) {
    // Written beside the data under tmp/ and renamed, so no reader ever sees half a file.
    const fs::path temp = root_ / "tmp" / ("w" + std::to_string(tempCounter_++));
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out.flush()) throw std::runtime_error("cannot write " + temp.string());
    }
    fs::create_directories(file.parent_path());
    fs::rename(temp, file);
}

ChunkOutcome DataStore::StoreChunk(const std::string& user, bool xmlKind, const ServerDir& dir, const std::string& name,
                                   int index, int count, std::string_view bytes, fs::path& storedFile) {
    std::lock_guard lock(mutex_);
    ServerDir partialParts{user, xmlKind ? "xml" : "txt"};
    partialParts.insert(partialParts.end(), dir.begin(), dir.end());
    partialParts.push_back(name);
    const fs::path partial = Under(root_ / "partial", partialParts);
    const std::string countText = std::to_string(count);

    if (index == 1) {
        fs::remove_all(partial);
        fs::create_directories(partial);
        std::ofstream(partial / "count", std::ios::binary) << countText;
    } else if (!fs::exists(partial / ChunkFileName(index - 1)) || ReadAll(partial / "count") != countText) {
        return ChunkOutcome::OutOfOrder;
    }
    {
        std::ofstream out(partial / ChunkFileName(index), std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out.flush()) throw std::runtime_error("cannot keep a chunk of " + name);
    }
    if (index < count) return ChunkOutcome::Kept;

    ServerDir receivedParts{user};
    receivedParts.insert(receivedParts.end(), dir.begin(), dir.end());
    storedFile = Under(root_ / "received", receivedParts) / name;
    const fs::path temp = root_ / "tmp" / ("j" + std::to_string(tempCounter_++));
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        for (int i = 1; i <= count; ++i) {
            std::ifstream in(partial / ChunkFileName(i), std::ios::binary);
            if (!in) {
                fs::remove(temp);
                return ChunkOutcome::OutOfOrder;
            }
            // Inserting an empty chunk would mark the output as failed.
            if (in.peek() != std::ifstream::traits_type::eof()) out << in.rdbuf();
        }
        if (!out.flush()) throw std::runtime_error("cannot write " + storedFile.string());
    }
    fs::create_directories(storedFile.parent_path());
    fs::rename(temp, storedFile);
    fs::remove_all(partial);
    return ChunkOutcome::Stored;
}

void DataStore::PlaceReceipt(const std::string& user, const ServerDir& dir, const std::string& name,
                             std::string_view bytes, std::chrono::seconds delay) {
    std::lock_guard lock(mutex_);
    ServerDir parts{user};
    parts.insert(parts.end(), dir.begin(), dir.end());
    parts.push_back(name);
    if (delay.count() <= 0) {
        WriteWhole(Under(root_ / "outbox", parts), bytes);
        return;
    }
    const fs::path file = Under(root_ / "scheduled", parts);
    WriteWhole(file, bytes);
    fs::last_write_time(file, fs::file_time_type::clock::now() + delay);
}

void DataStore::ReleaseDueReceipts() {
    std::lock_guard lock(mutex_);
    const fs::path scheduled = root_ / "scheduled";
    const auto now = fs::file_time_type::clock::now();
    std::vector<fs::path> due;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(scheduled, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_regular_file(ec) && it->last_write_time(ec) <= now) due.push_back(it->path());
    }
    for (const auto& file : due) {
        const fs::path target = root_ / "outbox" / fs::relative(file, scheduled);
        fs::create_directories(target.parent_path(), ec);
        fs::rename(file, target, ec);
    }
}

std::vector<std::vector<std::string>> DataStore::ListWaiting(const std::string& user) const {
    std::lock_guard lock(mutex_);
    std::vector<std::vector<std::string>> files;
    const fs::path base = root_ / "outbox" / user;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(base, ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        std::vector<std::string> parts;
        for (const auto& part : fs::relative(it->path(), base)) parts.push_back(part.string());
        files.push_back(std::move(parts));
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::optional<std::string> DataStore::ReadWaiting(const std::vector<std::string>& path) const {
    std::lock_guard lock(mutex_);
    const fs::path file = Under(root_ / "outbox", path);
    std::error_code ec;
    if (path.size() < 2 || !fs::is_regular_file(file, ec)) return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool DataStore::Acknowledge(const std::vector<std::string>& path) {
    std::lock_guard lock(mutex_);
    const fs::path file = Under(root_ / "outbox", path);
    std::error_code ec;
    if (path.size() < 2 || !fs::is_regular_file(file, ec)) return false;
    const fs::path target = Under(root_ / "delivered", path);
    fs::create_directories(target.parent_path(), ec);
    fs::rename(file, target, ec);
    return !ec;
}

} // namespace zumaset::vansim
