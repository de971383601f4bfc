#include "smtp_server_process.h"

#include "core/text.h"

#include "loopback_port.h"
#include "temp_dir.h"
#include "test_certs.h"

#include <algorithm>
#include <sstream>
#include <stdexcept>

namespace zumaset::test {
namespace {

// Debian's modules import only under Debian's interpreter, whatever python3
// comes first on PATH.
constexpr const char* kPython = "/usr/bin/python3";

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::string Trimmed(std::string_view text) {
    return std::string(TrimView(text, " \t"));
}

// The delivery number in a maildir file name ("...P1234Q7.vm" is the 7th).
long DeliveryNumber(const std::string& name) {
    const auto q = name.rfind('Q');
    return q == std::string::npos ? 0 : std::strtol(name.c_str() + q + 1, nullptr, 10);
}

std::vector<std::string> SplitList(const std::string& text) {
    std::vector<std::string> items;
    std::stringstream stream(text);
    for (std::string item; std::getline(stream, item, ',');) items.push_back(Trimmed(item));
    return items;
}

ReceivedMail ParseMail(const std::string& stored) {
    std::string text = stored;
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    const auto split = text.find("\n\n");
    const std::string head = text.substr(0, split);
    ReceivedMail mail;
    std::string body = split == std::string::npos ? "" : text.substr(split + 2);
    std::string name;
    std::stringstream lines(head);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && (line.front() == ' ' || line.front() == '\t')) {
            if (!name.empty()) mail.headers[name] += " " + Trimmed(line);
            continue;
        }
        const auto colon = line.find(':');
        if (colon == std::string::npos) continue;
        name = line.substr(0, colon);
        if (mail.headers.count(name) != 0) {
            name.clear(); // keep the first occurrence
            continue;
        }
        mail.headers[name] = Trimmed(line.substr(colon + 1));
    }
    if (mail.Header("Content-Transfer-Encoding") == "quoted-printable") body = DecodeQuotedPrintable(body);
    mail.body = body;
    mail.mailFrom = mail.Header("X-MailFrom");
    mail.recipients = SplitList(mail.Header("X-RcptTo"));
    return mail;
}

} // namespace

std::string ReceivedMail::Header(const std::string& name) const {
    const auto found = headers.find(name);
    return found == headers.end() ? "" : found->second;
}

std::string DecodeQuotedPrintable(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '=') {
            out += text[i];
            continue;
        }
        if (text.compare(i + 1, 1, "\n") == 0 || text.compare(i + 1, 2, "\r\n") == 0) {
            i += text[i + 1] == '\r' ? 2 : 1; // soft line break
            continue;
        }
        if (i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
            continue;
        }
        out += text[i];
    }
    return out;
}

SmtpServerProcess::SmtpServerProcess(const std::filesystem::path& folder, SmtpTls tls)
    : mailbox_(folder / "mailbox"), tls_(tls), port_(FreeLoopbackPort()) {
    // The handler creates the maildir itself and refuses one that is half there.
    std::filesystem::remove_all(mailbox_);
    const auto output = folder / "aiosmtpd.out";
    std::vector<std::string> args{kPython,
                                  "-u",
                                  "-m",
                                  "aiosmtpd",
                                  "-n",
                                  "-l",
                                  "127.0.0.1:" + std::to_string(port_),
                                  "-c",
                                  "aiosmtpd.handlers.Mailbox",
                                  mailbox_.string()};
    if (tls != SmtpTls::None) {
        const auto [cert, key] = TestCa("Zumaset Mail Test CA").WriteServerFiles(folder, "smtp");
        // The handler's own arguments come last.
        const bool starttls = tls == SmtpTls::StartTls;
        args.insert(args.end() - 1, {starttls ? "--tlscert" : "--smtpscert", cert.string(),
                                     starttls ? "--tlskey" : "--smtpskey", key.string()});
    }
    child_.emplace(std::move(args), ChildProcess::Options{.output = output});
    if (!WaitForListener(port_, std::chrono::seconds(30)))
        throw std::runtime_error("aiosmtpd did not start: " + ReadFileBytes(output));
}

std::vector<ReceivedMail> SmtpServerProcess::Messages() const {
    std::vector<std::filesystem::path> files;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(mailbox_ / "new", ignored)) {
        files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end(), [](const auto& a, const auto& b) {
        return DeliveryNumber(a.filename().string()) < DeliveryNumber(b.filename().string());
    });
    std::vector<ReceivedMail> messages;
    for (const auto& file : files) messages.push_back(ParseMail(ReadFileBytes(file)));
    return messages;
}

} // namespace zumaset::test
