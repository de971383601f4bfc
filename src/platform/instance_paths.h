#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace zumaset {

// The key that names one client's lock and socket: the 64-bit FNV-1a hash, in
// sixteen hex digits, of the settings file's absolute, lexically normal path.
// Two spellings of the same path ("a/../b", "./b") give the same key.
std::string InstanceKey(const std::filesystem::path& registryFile);

// The folder that holds the locks and sockets of the user's clients:
// $XDG_RUNTIME_DIR/zumaset when that variable names an absolute folder,
// /tmp/zumaset-<uid> otherwise. Created with mode 0700 when missing.
struct RuntimeFolder {
    std::filesystem::path path; // empty when refused
    std::string error;          // why the folder cannot be used
};
// Refuses a folder that is not a real folder, is owned by another user or is
// open to others: anyone who could write there could stand in for the client.
RuntimeFolder InstanceRuntimeFolder();

// <folder>/<key>.lock and <folder>/<key>.sock of the settings file.
struct InstanceFiles {
    std::filesystem::path lock;
    std::filesystem::path socket;
    std::string error; // the runtime folder's refusal; the paths are then empty
};
InstanceFiles InstanceFilesFor(const std::filesystem::path& registryFile);

} // namespace zumaset
