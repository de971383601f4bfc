#pragma once

#include "core/time_format.h"

#include <string>
#include <string_view>

namespace zumaset {

// One uploaded file the client waits to hear back about.
struct RegisterRecord {
    std::string SendAs;   // the name it was sent under
    std::string PathName; // the folder it came from, ending with the separator
    std::string CuCode;   // the customs office code sent with it
    TimePoint SendTime;   // when the server accepted it
};

// What the upload and the download need of the register of sent files: the
// upload records each accepted file, the download routes each received file
// back to the folder its sent file came from.
class SentFiles {
public:
    virtual ~SentFiles() = default;
    virtual void Add(std::string sendAs, std::string pathName, std::string cuCode, TimePoint now) = 0;
    virtual const RegisterRecord* FindSentRecord(std::string_view officeCode, std::string_view lookupName,
                                                 bool runMode) const = 0;
    virtual bool Empty() const = 0;
};

} // namespace zumaset
