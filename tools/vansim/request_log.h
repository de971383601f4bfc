#pragma once

#include <filesystem>
#include <mutex>
#include <string>

namespace zumaset::vansim {

// One request as the log shows it.
struct LogEntry {
    std::string page;
    std::string user;
    std::string file;
    std::string result;
};

// The request log: one UTF-8 line per request, fields separated by TAB:
// local time (YYYY-MM-DD HH:MM:SS.mmm), page, user, file, result.
// Each line is appended and flushed at once, so a reader sees it right away.
class RequestLog {
public:
    explicit RequestLog(std::filesystem::path file);
    void Write(const LogEntry& entry);

private:
    std::filesystem::path file_;
    std::mutex mutex_;
};

} // namespace zumaset::vansim
