#pragma once

#include "data_store.h"

#include <chrono>
#include <cstdint>
#include <string>

namespace zumaset::vansim {

// A delivery receipt waiting to be placed in a declarant's outbox.
struct Receipt {
    ServerDir dir;     // below the declarant's root
    std::string name;  // file name
    std::string bytes; // content, Windows-1250 text
};

// What a receipt confirms.
struct AcceptedFile {
    std::string user;
    std::string sendAs;     // the name the file was announced with
    std::string officeCode; // text kind: the office code sent with it
    ServerDir folder;       // XML kind: the sub-folder sent as its office value
    std::uintmax_t size = 0;
    std::chrono::system_clock::time_point when;
};

// Text kind: "<name up to its first dot>.POT" in "<user>\<office code>\", so the
// client finds the sent file by the office code (the directory's last eight
// characters) and by the base name.
Receipt MakeTextReceipt(const AcceptedFile& file);

// XML kind: "<name up to its first dot>_POT.xml" in "<user>\" followed by the
// sub-folder the file was sent from, so the reply lands in the inbound copy of
// that sub-folder; the content starts with "<" as the client requires.
Receipt MakeXmlReceipt(const AcceptedFile& file);

} // namespace zumaset::vansim
