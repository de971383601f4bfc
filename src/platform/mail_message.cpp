#include "platform/mail_message.h"

#include <array>
#include <ctime>

namespace zumaset {

namespace {

constexpr std::string_view kCrLf = "\r\n";
// A quoted-printable line holds at most 76 characters; a soft break takes one.
constexpr std::size_t kLineLimit = 75;

std::string TwoDigits(int value) {
    return std::string(1, static_cast<char>('0' + value / 10 % 10)) + static_cast<char>('0' + value % 10);
}

std::string HexByte(unsigned char byte) {
    constexpr std::string_view kHex = "0123456789ABCDEF";
    return std::string{'=', kHex[byte >> 4], kHex[byte & 0x0f]};
}

// One line of the text (without its line end) in quoted-printable form.
void AppendEncodedLine(std::string& out, std::string_view line) {
    std::size_t used = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const auto byte = static_cast<unsigned char>(line[i]);
        const bool last = i + 1 == line.size();
        // A blank at the end of a line would be lost on the way: encode it.
        const bool literal = (byte >= 33 && byte <= 126 && byte != '=') || ((byte == ' ' || byte == '\t') && !last);
        const std::string piece = literal ? std::string(1, static_cast<char>(byte)) : HexByte(byte);
        if (used + piece.size() > kLineLimit) {
            out += "=";
            out += kCrLf;
            used = 0;
        }
        out += piece;
        used += piece.size();
    }
    out += kCrLf;
}

} // namespace

bool NoticeWanted(const Settings& settings, NoticeKind kind) {
    if (!settings.UseMAPI) return false;
    if (kind == NoticeKind::Error) return settings.MAPIErrorMessage;
    if (kind == NoticeKind::MissingReceipt) return settings.MAPINoRetMessage;
    return true;
}

std::string_view NoticeSubject(NoticeKind kind) {
    return kind == NoticeKind::Error ? "Zumaset Error" : "Zumaset Info";
}

std::vector<std::string> SplitRecipients(std::string_view sendTo) {
    const char separator = sendTo.find(',') != std::string_view::npos   ? ','
                           : sendTo.find(';') != std::string_view::npos ? ';'
                                                                        : ' ';
    std::vector<std::string> pieces;
    std::size_t start = 0;
    for (;;) {
        const auto end = sendTo.find(separator, start);
        pieces.emplace_back(sendTo.substr(start, end - start));
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return pieces;
}

std::string MailDate(std::chrono::system_clock::time_point at) {
    static constexpr std::array<std::string_view, 7> kDays{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr std::array<std::string_view, 12> kMonths{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const std::time_t seconds = std::chrono::system_clock::to_time_t(at);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    return std::string(kDays.at(static_cast<std::size_t>(utc.tm_wday))) + ", " + TwoDigits(utc.tm_mday) + " " +
           std::string(kMonths.at(static_cast<std::size_t>(utc.tm_mon))) + " " + std::to_string(utc.tm_year + 1900) +
           " " + TwoDigits(utc.tm_hour) + ":" + TwoDigits(utc.tm_min) + ":" + TwoDigits(utc.tm_sec) + " +0000";
}

std::string QuotedPrintable(std::string_view text) {
    std::string out;
    std::size_t start = 0;
    while (start <= text.size()) {
        const auto end = text.find_first_of("\r\n", start);
        AppendEncodedLine(out, text.substr(start, end - start));
        if (end == std::string_view::npos) break;
        start = end + (text.substr(end, 2) == kCrLf ? 2 : 1);
        if (start == text.size()) break; // a final line break ends the last line
    }
    return out;
}

std::string MailMessageText(const MailMessage& message, std::chrono::system_clock::time_point at,
                            std::string_view uniquePart) {
    const auto atSign = message.from.rfind('@');
    const std::string domain = atSign == std::string::npos ? "localhost" : message.from.substr(atSign + 1);
    std::string to;
    for (const auto& recipient : message.recipients) {
        if (!to.empty()) to += ", ";
        to += recipient;
    }
    std::string text;
    const auto header = [&text](std::string_view name, std::string_view value) {
        text += std::string(name) + ": " + std::string(value) + std::string(kCrLf);
    };
    header("Date", MailDate(at));
    header("From", message.from);
    header("To", to);
    header("Subject", message.subject);
    header("Message-ID", "<" + std::string(uniquePart) + "@" + domain + ">");
    header("MIME-Version", "1.0");
    header("Content-Type", "text/plain; charset=UTF-8");
    header("Content-Transfer-Encoding", "quoted-printable");
    text += kCrLf;
    text += QuotedPrintable(message.text);
    return text;
}

} // namespace zumaset
