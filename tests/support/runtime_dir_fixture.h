#pragma once

#include "temp_dir.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace zumaset::test {

// Points XDG_RUNTIME_DIR at a fresh folder for the test and puts the old value back.
class RuntimeDirTest : public ::testing::Test {
protected:
    RuntimeDirTest() {
        if (const char* old = std::getenv("XDG_RUNTIME_DIR")) saved_ = old;
        std::filesystem::create_directories(runtime());
        setenv("XDG_RUNTIME_DIR", runtime().c_str(), 1);
    }
    ~RuntimeDirTest() override {
        if (saved_)
            setenv("XDG_RUNTIME_DIR", saved_->c_str(), 1);
        else
            unsetenv("XDG_RUNTIME_DIR");
    }

    std::filesystem::path runtime() const { return dir / "run"; }
    std::filesystem::path settings() const { return dir / "config" / "registry.reg"; }

    TempDir dir;

private:
    std::optional<std::string> saved_;
};

} // namespace zumaset::test
