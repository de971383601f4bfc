#include "exchange/date_bt.h"

#include <cstdio>

namespace zumaset {

std::string FormatDateBT(TimePoint at) {
    const std::tm t = LocalTime(at);
    char text[80];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday,
                  t.tm_hour, t.tm_min, t.tm_sec);
    return text;
}

} // namespace zumaset
