#include "core/time_format.h"

#include "core/text.h"

#include <cstdio>

namespace zumaset {

namespace {

// Reads 1..maxDigits decimal digits at pos; moves pos past them.
std::optional<int> ReadNumber(std::string_view text, std::size_t& pos, std::size_t minDigits, std::size_t maxDigits) {
    std::size_t n = 0;
    int value = 0;
    while (pos < text.size() && n < maxDigits && text[pos] >= '0' && text[pos] <= '9') {
        value = value * 10 + (text[pos] - '0');
        ++pos;
        ++n;
    }
    if (n < minDigits) return std::nullopt;
    return value;
}

bool Expect(std::string_view text, std::size_t& pos, char c) {
    if (pos >= text.size() || text[pos] != c) return false;
    ++pos;
    return true;
}

std::string Format(const char* pattern, int a, int b, int c) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, pattern, a, b, c);
    return buffer;
}

} // namespace

std::tm LocalTime(TimePoint at) {
    const std::time_t t = std::chrono::system_clock::to_time_t(std::chrono::floor<std::chrono::seconds>(at));
    std::tm local{};
    localtime_r(&t, &local);
    return local;
}

namespace {

std::time_t LocalTimeT(int year, int month, int day, int hour, int minute, int second) {
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = -1;
    return std::mktime(&local);
}

} // namespace

TimePoint FromLocalTime(int year, int month, int day, int hour, int minute, int second) {
    return std::chrono::system_clock::from_time_t(LocalTimeT(year, month, day, hour, minute, second));
}

long LocalDayNumber(TimePoint at) {
    const std::tm local = LocalTime(at);
    const std::chrono::year_month_day date{std::chrono::year{local.tm_year + 1900},
                                           std::chrono::month{static_cast<unsigned>(local.tm_mon + 1)},
                                           std::chrono::day{static_cast<unsigned>(local.tm_mday)}};
    return static_cast<long>(std::chrono::sys_days{date}.time_since_epoch().count());
}

TimePoint LocalMidnight(TimePoint at) {
    const std::tm local = LocalTime(at);
    return FromLocalTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
}

std::string FormatClockTime(TimePoint at) {
    const std::tm t = LocalTime(at);
    return Format("%02d:%02d:%02d", t.tm_hour, t.tm_min, t.tm_sec);
}

std::string FormatLogDateTime(TimePoint at) {
    const std::tm t = LocalTime(at);
    return Format("%02d.%02d.%04d ", t.tm_mday, t.tm_mon + 1, t.tm_year + 1900) + FormatClockTime(at);
}

std::string FormatCompactDate(TimePoint at) {
    const std::tm t = LocalTime(at);
    return Format("%04d%02d%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday);
}

std::string FormatDefaultDateTime(TimePoint at) {
    const std::tm t = LocalTime(at);
    std::string text = Format("%d.%d.%04d", t.tm_mday, t.tm_mon + 1, t.tm_year + 1900);
    if (t.tm_hour != 0 || t.tm_min != 0 || t.tm_sec != 0) {
        text += Format(" %d:%02d:%02d", t.tm_hour, t.tm_min, t.tm_sec);
    }
    return text;
}

std::optional<TimePoint> ParseDefaultDateTime(std::string_view text) {
    text = TrimView(text);
    if (text.empty()) return std::nullopt;

    std::size_t pos = 0;
    const auto day = ReadNumber(text, pos, 1, 2);
    if (!day || !Expect(text, pos, '.')) return std::nullopt;
    const auto month = ReadNumber(text, pos, 1, 2);
    if (!month || !Expect(text, pos, '.')) return std::nullopt;
    const auto year = ReadNumber(text, pos, 4, 4);
    if (!year) return std::nullopt;
    const std::chrono::year_month_day date{std::chrono::year{*year}, std::chrono::month{static_cast<unsigned>(*month)},
                                           std::chrono::day{static_cast<unsigned>(*day)}};
    if (!date.ok() || *year < 1900) return std::nullopt;

    int hour = 0, minute = 0, second = 0;
    if (pos < text.size()) {
        if (!Expect(text, pos, ' ')) return std::nullopt;
        const auto h = ReadNumber(text, pos, 1, 2);
        if (!h || !Expect(text, pos, ':')) return std::nullopt;
        const auto m = ReadNumber(text, pos, 2, 2);
        if (!m || !Expect(text, pos, ':')) return std::nullopt;
        const auto s = ReadNumber(text, pos, 2, 2);
        if (!s || pos != text.size() || *h > 23 || *m > 59 || *s > 59) return std::nullopt;
        hour = *h;
        minute = *m;
        second = *s;
    }
    // A time point holds about 292 years either side of 1970: a later date
    // (a damaged line's "4052") is not a date the client can have written.
    const std::time_t t = LocalTimeT(*year, *month, *day, hour, minute, second);
    constexpr auto kLatest = std::chrono::floor<std::chrono::seconds>(TimePoint::duration::max()).count();
    if (t == static_cast<std::time_t>(-1) || t > kLatest) return std::nullopt;
    return std::chrono::system_clock::from_time_t(t);
}

} // namespace zumaset
