#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace zumaset {

// Writes `line` and a line feed to a connected socket, whole. False when the
// peer has gone; never raises SIGPIPE.
bool WriteSocketLine(int fd, const std::string& line);

// Reads a socket line by line (line feeds end lines, a carriage return before
// one is dropped).
class SocketLineReader {
public:
    SocketLineReader(int fd, std::size_t maxLine) : fd_(fd), maxLine_(maxLine) {}

    // The next line; nothing at the end of the stream, on an error or time-out,
    // or when a line grows past the limit.
    std::optional<std::string> Next();

private:
    int fd_;
    std::size_t maxLine_;
    std::string buffer_;
};

} // namespace zumaset
