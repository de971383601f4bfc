#pragma once

#include <chrono>

namespace zumaset {

// Every reading of the wall clock goes through this interface, so tests can
// set the date of a log file or the age of a record instead of sleeping.
class Clock {
public:
    virtual ~Clock() = default;
    virtual std::chrono::system_clock::time_point Now() const = 0;
};

class SystemClock final : public Clock {
public:
    std::chrono::system_clock::time_point Now() const override { return std::chrono::system_clock::now(); }
};

// A clock that stands still until a test moves it.
class FixedClock final : public Clock {
public:
    explicit FixedClock(std::chrono::system_clock::time_point at) : at_(at) {}
    std::chrono::system_clock::time_point Now() const override { return at_; }
    void Set(std::chrono::system_clock::time_point at) { at_ = at; }
    void Advance(std::chrono::system_clock::duration by) { at_ += by; }

private:
    std::chrono::system_clock::time_point at_;
};

} // namespace zumaset
