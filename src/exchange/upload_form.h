#pragma once

#include "exchange/file_encoder.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace zumaset {

// The form values of an upload, already converted for the wire.
struct WireValues {
    std::string user, pass, officeCode, sendAs, xmlOffice;
};

// Appends the fields of chunk `current` of `count` that come before the
// chunk's data, ending with "FileData=". The two kinds send the office and the
// file name in a different order, and only the text kind sends the office code.
void AppendChunkFormHead(std::string& out, FileKind kind, const WireValues& wire, std::uint64_t current,
                         std::uint64_t count);

// Appends the fields that follow the chunk's data: the checksum (spelt
// "FileCRC" by the text kind and "FileCrc" by the XML kind), the file's
// date for the text kind only, and the client version.
void AppendChunkFormTail(std::string& out, FileKind kind, std::string_view crcText, std::string_view dateBT);

// The whole form of one chunk whose encoded data is `data`.
std::string ChunkForm(FileKind kind, const WireValues& wire, std::uint64_t current, std::uint64_t count,
                      std::string_view data, std::string_view crcText, std::string_view dateBT);

} // namespace zumaset
