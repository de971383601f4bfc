#include "fake_nmcli.h"

#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace zumaset::test {

namespace {

// The script finds its answers in the folder above its own.
constexpr const char* kScript = R"sh(#!/bin/sh
dir=$(dirname "$0")/..
line=""
for a in "$@"; do
  [ -z "$a" ] && a="''"
  line="$line${line:+ }$a"
done
printf '%s\n' "$line" >> "$dir/calls"
printf '%s\n' "$LC_ALL" >> "$dir/locales"
kind=other
for a in "$@"; do
  case "$a" in
    --active) kind=active ;;
    general) kind=general ;;
    up|down) [ "$kind" = other ] && kind=$a ;;
    show) [ "$kind" = other ] && kind=profiles ;;
  esac
done
[ -f "$dir/$kind.sleep" ] && sleep "$(cat "$dir/$kind.sleep")"
[ -f "$dir/$kind.out" ] && cat "$dir/$kind.out"
[ -f "$dir/$kind.err" ] && cat "$dir/$kind.err" >&2
status=$(cat "$dir/$kind.status" 2>/dev/null || echo 0)
[ "$status" = 0 ] && [ -f "$dir/$kind.then" ] && cp "$dir/$kind.then" "$dir/active.out"
exit "$status"
)sh";

} // namespace

FakeNmcli::FakeNmcli() {
    std::filesystem::create_directories(dir_ / "bin");
    const auto script = dir_ / "bin" / "nmcli";
    WriteFileBytes(script, kScript);
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    const char* path = std::getenv("PATH");
    savedPath_ = path != nullptr ? path : "/usr/bin:/bin";
    ::setenv("PATH", ((dir_ / "bin").string() + ":" + savedPath_).c_str(), 1);
}

FakeNmcli::~FakeNmcli() {
    ::setenv("PATH", savedPath_.c_str(), 1);
}

void FakeNmcli::Answer(const std::string& kind, int status, const std::string& out, const std::string& err) {
    WriteFileBytes(dir_ / (kind + ".status"), std::to_string(status) + "\n");
    WriteFileBytes(dir_ / (kind + ".out"), out);
    WriteFileBytes(dir_ / (kind + ".err"), err);
}

void FakeNmcli::Then(const std::string& kind, const std::string& active) {
    WriteFileBytes(dir_ / (kind + ".then"), active);
}

void FakeNmcli::Sleep(const std::string& kind, int seconds) {
    WriteFileBytes(dir_ / (kind + ".sleep"), std::to_string(seconds) + "\n");
}

void FakeNmcli::Remove() {
    std::filesystem::remove(dir_ / "bin" / "nmcli");
}

std::vector<std::string> FakeNmcli::Calls() const {
    std::vector<std::string> calls;
    std::istringstream in(ReadFileBytes(dir_ / "calls"));
    for (std::string line; std::getline(in, line);) calls.push_back(line);
    return calls;
}

std::string FakeNmcli::Locales() const {
    return ReadFileBytes(dir_ / "locales");
}

Nmcli FakeNmcli::client() const {
    Nmcli::Options options;
    options.queryTimeout = std::chrono::seconds(5);
    options.grace = std::chrono::seconds(5);
    return Nmcli(options);
}

} // namespace zumaset::test
