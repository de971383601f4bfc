#pragma once

#include <iosfwd>

namespace zumaset {

class TransferProgress;

// Where a command writes and in which form.
struct CtlOutput {
    std::ostream& out;
    std::ostream& err;
    bool json = false;                    // one JSON document on `out` instead of text
    TransferProgress* progress = nullptr; // the terminal's progress line; null: none
};

} // namespace zumaset
