#pragma once

#include <filesystem>

namespace zumaset {

// Numbered backups keep every earlier file of a name: "name.~1~", "name.~2~",
// and so on in the same folder, each new one numbered one above the highest
// that exists.

// The next numbered backup name of `file`: "name.~N~" with N one above the
// highest N already used in the file's folder, 1 when there is none.
std::filesystem::path NextNumberedBackupName(const std::filesystem::path& file);

// Moves the existing `file` to its next numbered backup name, never replacing
// another file. Returns 0 when it was moved (then `movedTo`, when given, holds
// the backup's path), ENOENT when there is no such file, EISDIR when the name
// is a folder, or another errno value.
int MoveToNumberedBackup(const std::filesystem::path& file, std::filesystem::path* movedTo = nullptr);

// Gives the finished file `ready` (normally a temporary file in the target's
// folder) the name `target`. A file already called `target` is first moved to
// its next numbered backup name, so nothing is ever replaced. Returns 0 or an
// errno value (EISDIR when a folder holds the name); on failure `ready` stays.
int PlaceWithNumberedBackup(const std::filesystem::path& ready, const std::filesystem::path& target,
                            std::filesystem::path* backup = nullptr);

} // namespace zumaset
