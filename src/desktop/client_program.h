#pragma once

#include <map>
#include <string>

namespace zumaset {

class ClientHost;
class DesktopFace;

// Joins a host and its desktop face: the menus' commands, the window showing
// the model, a second start restoring it, the service's tray tips and caption.
void WireDesktopFace(ClientHost& host, DesktopFace& face);

// Whether the client runs without a window: no display to show one on
// (neither DISPLAY nor WAYLAND_DISPLAY), or started by the service manager
// (NOTIFY_SOCKET or INVOCATION_ID). Decided before any Qt application exists,
// since a widgets application without a display cannot even start.
bool RunsHeadless(const std::map<std::string, std::string>& environment);
bool RunsHeadless();

// The client program: picks its face, starts, runs the event loop until it
// ends, and gives the exit status.
int RunClientProgram(int& argc, char** argv);

} // namespace zumaset
