#pragma once

#include <string>

namespace zumaset::vansim {

// Cuts the connection of a request the server is handling, without an answer:
// finds this process's socket whose ends match the two ports and shuts it down.
// The server library still owns and closes the descriptor. False when no such
// socket was found.
bool DropConnection(int localPort, const std::string& remoteAddress, int remotePort);

// Ends the reading side of every connection accepted on the port, so that a
// connection idling between kept-alive requests closes at once when the server
// stops, while answers being written still go out whole.
void StopReadingConnections(int localPort);

} // namespace zumaset::vansim
