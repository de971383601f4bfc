#pragma once

#include "platform/nmcli.h"

#include "temp_dir.h"

#include <string>
#include <vector>

namespace zumaset::test {

// A fake `nmcli` first on PATH for the object's lifetime: a shell script that
// records every call and answers from files the test writes. A call is one of
// the kinds "active" (connection show --active), "profiles" (connection show),
// "general", "up" and "down"; each kind answers with its exit status, standard
// output and standard error (0 and nothing until Answer says otherwise).
class FakeNmcli {
public:
    FakeNmcli();
    ~FakeNmcli();
    FakeNmcli(const FakeNmcli&) = delete;
    FakeNmcli& operator=(const FakeNmcli&) = delete;

    void Answer(const std::string& kind, int status, const std::string& out = {}, const std::string& err = {});
    // After a successful call of `kind` ("up" or "down") the active
    // connections are `active`, as NetworkManager would list them.
    void Then(const std::string& kind, const std::string& active);
    // Calls of `kind` sleep this long before they answer.
    void Sleep(const std::string& kind, int seconds);
    // Takes the script away: no nmcli on PATH.
    void Remove();

    // Every call's arguments joined by blanks (an empty argument as ''), in order.
    std::vector<std::string> Calls() const;
    // The LC_ALL each call saw, one line per call.
    std::string Locales() const;

    // A client of the fake with short deadlines.
    Nmcli client() const;

private:
    TempDir dir_;
    std::string savedPath_;
};

} // namespace zumaset::test
