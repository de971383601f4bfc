#include "receipts.h"

#include "wire_text.h"

#include <cstdio>
#include <ctime>

namespace zumaset::vansim {
namespace {

std::string BaseName(const std::string& sendAs) {
    const std::string base = sendAs.substr(0, sendAs.find('.'));
    return base.empty() ? "receipt" : base;
}

std::string TimeText(std::chrono::system_clock::time_point when) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}

std::string XmlEscaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

// Receipts travel as Windows-1250 like every other text; the names in them came
// from the wire in that code page, so the conversion back cannot fail in practice.
std::string OnWire(const std::string& utf8) {
    return Utf8ToCp1250(utf8).value_or(utf8);
}

} // namespace

Receipt MakeTextReceipt(const AcceptedFile& file) {
    Receipt receipt;
    receipt.dir = {file.officeCode};
    receipt.name = BaseName(file.sendAs) + ".POT";
    receipt.bytes = OnWire("POTVRZENI O PRIJETI SOUBORU\r\n"
                           "Soubor: " +
                           file.sendAs +
                           "\r\n"
                           "Celnice: " +
                           file.officeCode +
                           "\r\n"
                           "Deklarant: " +
                           file.user +
                           "\r\n"
                           "Prijato: " +
                           TimeText(file.when) +
                           "\r\n"
                           "Velikost: " +
                           std::to_string(file.size) + "\r\n");
    return receipt;
}

Receipt MakeXmlReceipt(const AcceptedFile& file) {
    Receipt receipt;
    receipt.dir = file.folder;
    receipt.name = BaseName(file.sendAs) + "_POT.xml";
    receipt.bytes = OnWire("<?xml version=\"1.0\" encoding=\"windows-1250\"?>\r\n"
                           "<Potvrzeni>\r\n"
                           "  <Soubor>" +
                           XmlEscaped(file.sendAs) +
                           "</Soubor>\r\n"
                           "  <Deklarant>" +
                           XmlEscaped(file.user) +
                           "</Deklarant>\r\n"
                           "  <Prijato>" +
                           TimeText(file.when) +
                           "</Prijato>\r\n"
                           "  <Velikost>" +
                           std::to_string(file.size) +
                           "</Velikost>\r\n"
                           "</Potvrzeni>\r\n");
    return receipt;
}

} // namespace zumaset::vansim
