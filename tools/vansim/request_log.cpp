#include "request_log.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>

namespace zumaset::vansim {
namespace {

std::string Field(std::string text) {
    for (char& c : text) {
        if (c == '\t' || c == '\r' || c == '\n') c = ' ';
    }
    return text;
}

std::string NowText() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, static_cast<int>(millis));
    return text;
}

} // namespace

RequestLog::RequestLog(std::filesystem::path file) : file_(std::move(file)) {}

void RequestLog::Write(const LogEntry& entry) {
    const std::string line = NowText() + '\t' + Field(entry.page) + '\t' + Field(entry.user) + '\t' +
                             Field(entry.file) + '\t' + Field(entry.result) + '\n';
    std::lock_guard lock(mutex_);
    std::ofstream out(file_, std::ios::binary | std::ios::app);
    out << line;
}

} // namespace zumaset::vansim
