#pragma once

#include <chrono>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace zumaset {

using TimePoint = std::chrono::system_clock::time_point;

// A file time stamp (std::filesystem::last_write_time) as a moment.
inline TimePoint FromFileTime(std::filesystem::file_time_type time) {
    return std::chrono::time_point_cast<TimePoint::duration>(std::chrono::file_clock::to_sys(time));
}

// Local broken-down time of a moment (the process's time zone).
std::tm LocalTime(TimePoint at);

// The moment of a local date and time; tm_isdst is left to the C library.
TimePoint FromLocalTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

// Number of the local calendar day of a moment (days since 1.1.1970 by the
// local date), so that two moments are on different days exactly when their
// numbers differ and the difference counts the midnights between them.
long LocalDayNumber(TimePoint at);

// The local midnight that began the day of the moment.
TimePoint LocalMidnight(TimePoint at);

// "hh:mm:ss", 24-hour.
std::string FormatClockTime(TimePoint at);

// "dd.mm.yyyy hh:mm:ss".
std::string FormatLogDateTime(TimePoint at);

// "yyyymmdd", used in the names of rotated logs.
std::string FormatCompactDate(TimePoint at);

// The default Czech text of a date and time: "d.M.yyyy H:mm:ss"; a moment of
// exactly midnight gives the date alone ("6.12.2026").
std::string FormatDefaultDateTime(TimePoint at);

// Reads back what FormatDefaultDateTime writes (surrounding blanks allowed; a
// date alone means its midnight). Nothing for a text that is not a valid date.
std::optional<TimePoint> ParseDefaultDateTime(std::string_view text);

} // namespace zumaset
