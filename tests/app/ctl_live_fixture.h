#pragma once

#include "exchange/curl_handles.h"

#include "ctl_runner.h"
#include "temp_dir.h"
#include "vansim_process.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace zumaset::test {

// zumasetctl against a simulator of its own, as an administrator runs it: the
// configuration, data and runtime folders and the logs ("Logy") in the test's
// folder, no client running and no proxy from the environment.
class CtlLiveTest : public ::testing::Test {
protected:
    explicit CtlLiveTest(std::vector<std::string> vansimArguments = {}) : vansim(std::move(vansimArguments)) {
        setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
        setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
        std::filesystem::create_directories(dir / "run");
        setenv("XDG_RUNTIME_DIR", (dir / "run").c_str(), 1);
        unsetenv("https_proxy");
        unsetenv("HTTPS_PROXY");
        std::filesystem::create_directories(logs());
        EXPECT_EQ(
            ctl.Set({{"LogsPath", logs().string()}, {"ErrLogPath", logs().string()}, {"ConLogPath", logs().string()}}),
            0)
            << err.str();
    }
    ~CtlLiveTest() override {
        for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"}) unsetenv(name);
    }

    int Run(std::vector<std::string> args, const std::string& input = "") { return ctl.Run(std::move(args), input); }
    void Set(const std::string& name, const std::string& value) { ASSERT_EQ(ctl.Set({{name, value}}), 0) << err.str(); }
    void TrustVansim() {
        std::filesystem::create_directories(caFolder());
        std::filesystem::copy_file(vansim.caPath(), caFolder() / "van.pem");
    }
    std::filesystem::path caFolder() const { return dir / "config" / "zumaset" / "ca"; }
    std::filesystem::path logs() const { return dir / "Logy"; }

    TempDir dir;
    VansimProcess vansim;
    CurlGlobal curl;
    CtlRunner ctl{dir / "config" / "zumaset" / "registry.reg"};
    std::ostringstream& out = ctl.out;
    std::ostringstream& err = ctl.err;
};

} // namespace zumaset::test
