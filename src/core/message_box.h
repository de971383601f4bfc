#pragma once

#include <ostream>
#include <string_view>

namespace zumaset {

// Icon of an informational box (always a single OK button).
enum class MessageIcon { Information, Exclamation, Stop, None };

// Shows a message box to the user and returns when it is dismissed.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    virtual void Show(std::string_view title, std::string_view text, MessageIcon icon) = 0;
};

// Stand-in until there is a window: writes the box as one block to a stream
// (standard error by default) and never blocks.
class StreamMessageBoxes final : public MessageBoxes {
public:
    StreamMessageBoxes();
    explicit StreamMessageBoxes(std::ostream& out) : out_(out) {}
    void Show(std::string_view title, std::string_view text, MessageIcon icon) override;

private:
    std::ostream& out_;
};

} // namespace zumaset
