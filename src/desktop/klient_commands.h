#pragma once

#include "core/logs.h"

namespace zumaset {

// What the main window's menus and the tray menu ask the client to do. The
// program implements it: the commands run the manual passes, the configuration
// and the log viewer, and Exit runs the shutdown. Called on the UI thread.
class KlientCommands {
public:
    virtual ~KlientCommands() = default;

    virtual void Send() = 0;
    virtual void Receive() = 0;
    virtual void Configure() = 0;
    virtual void ViewLog(LogKind kind) = 0;
    // The window is being closed or the exit command was chosen: shut down.
    virtual void Exit() = 0;
};

} // namespace zumaset
