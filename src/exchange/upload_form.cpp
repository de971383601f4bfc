#include "exchange/upload_form.h"

#include "zumaset/version.h"

namespace zumaset {

void AppendChunkFormHead(std::string& out, FileKind kind, const WireValues& wire, std::uint64_t current,
                         std::uint64_t count) {
    out += "JmenoDeklaranta=" + wire.user + "&Heslo=" + wire.pass;
    if (kind == FileKind::Text) {
        out += "&Celnice=" + wire.officeCode + "&FileName=" + wire.sendAs;
    } else {
        out += "&FileName=" + wire.sendAs + "&Celnice=" + wire.xmlOffice;
    }
    out += "&FileCurent=" + std::to_string(current) + "&FileCount=" + std::to_string(count) + "&FileData=";
}

void AppendChunkFormTail(std::string& out, FileKind kind, std::string_view crcText, std::string_view dateBT) {
    out += kind == FileKind::Text ? "&FileCRC=" : "&FileCrc=";
    out += crcText;
    if (kind == FileKind::Text) {
        out += "&DateBT=";
        out += dateBT;
    }
    out += std::string("&VerzeApl=") + ZUMASET_VERSION;
}

std::string ChunkForm(FileKind kind, const WireValues& wire, std::uint64_t current, std::uint64_t count,
                      std::string_view data, std::string_view crcText, std::string_view dateBT) {
    std::string form;
    AppendChunkFormHead(form, kind, wire, current, count);
    form += data;
    AppendChunkFormTail(form, kind, crcText, dateBT);
    return form;
}

} // namespace zumaset
