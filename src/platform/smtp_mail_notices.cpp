#include "platform/smtp_mail_notices.h"

#include "core/mail_address.h"
#include "core/message_table.h"
#include "core/text.h"
#include "platform/mail_failure.h"
#include "platform/mail_message.h"

#include <algorithm>
#include <cstring>
#include <curl/curl.h>
#include <memory>
#include <optional>
#include <random>
#include <utility>

namespace zumaset {

namespace {

using namespace mail_error;

struct EasyDeleter {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct SlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using EasyPtr = std::unique_ptr<CURL, EasyDeleter>;
using SlistPtr = std::unique_ptr<curl_slist, SlistDeleter>;

// A setup step that libcurl refused.
struct SetupFailed {
    CURLcode code;
};

template <typename Value> void Set(CURL* easy, CURLoption option, Value value) {
    if (const CURLcode code = curl_easy_setopt(easy, option, value); code != CURLE_OK) throw SetupFailed{code};
}

// The message text handed to libcurl piece by piece.
struct Upload {
    std::string text;
    std::size_t offset = 0;
};

std::size_t ReadUpload(char* buffer, std::size_t size, std::size_t count, void* userData) {
    auto& upload = *static_cast<Upload*>(userData);
    const std::size_t n = std::min(size * count, upload.text.size() - upload.offset);
    std::memcpy(buffer, upload.text.data() + upload.offset, n);
    upload.offset += n;
    return n;
}

std::string_view WithoutLineEnd(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    return line;
}

// Follows the conversation as libcurl shows it: the verb of every command
// (never its argument, which for AUTH holds the login), the address of every
// RCPT, and the server's first refusal with the command it refused.
int FollowExchange(CURL*, curl_infotype type, char* data, std::size_t size, void* userData) {
    auto& exchange = *static_cast<SmtpExchange*>(userData);
    const std::string_view text(data, size);
    if (type == CURLINFO_HEADER_OUT) {
        const std::string_view command = WithoutLineEnd(text);
        exchange.lastCommand = std::string(command.substr(0, command.find_first_of(" :")));
        if (exchange.lastCommand == "RCPT") {
            const auto open = command.find('<');
            const auto close = command.rfind('>');
            if (open != std::string_view::npos && close != std::string_view::npos && close > open) {
                exchange.lastRecipient = std::string(command.substr(open + 1, close - open - 1));
            }
        }
    } else if (type == CURLINFO_HEADER_IN && exchange.refusal.empty()) {
        const std::string_view reply = WithoutLineEnd(text);
        if (IsSmtpRefusal(reply)) {
            exchange.refusal = EscapeControlChars(reply);
            exchange.refusedCommand = exchange.lastCommand;
            exchange.refusedRecipient = EscapeControlChars(exchange.lastRecipient);
        }
    }
    return 0;
}

// A unique left part for the Message-ID.
std::string UniquePart(std::chrono::system_clock::time_point at) {
    std::random_device random;
    const std::uint64_t value = (std::uint64_t{random()} << 32) | random();
    constexpr std::string_view kHex = "0123456789abcdef";
    std::string hex;
    for (int shift = 60; shift >= 0; shift -= 4) hex += kHex[(value >> shift) & 0xf];
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(at.time_since_epoch()).count();
    return hex + "." + std::to_string(seconds) + ".zumaset";
}

// What is wrong with the settings before any connection, if anything.
std::optional<MailFailure> SettingsProblem(const Settings& settings, const std::vector<std::string>& recipients) {
    if (settings.MailServer.empty()) return MailFailure{kFailure, "Poštovní server není nastaven (MailServer)."};
    if (!IsMailServerUrl(settings.MailServer)) {
        return MailFailure{kFailure, "Nastavení MailServer není adresa smtp:// ani smtps:// (" +
                                         EscapeControlChars(settings.MailServer) + ")."};
    }
    if (!IsMailAddress(settings.MailFrom)) {
        return MailFailure{kFailure, settings.MailFrom.empty() ? "Adresa odesílatele není nastavena (MailFrom)."
                                                               : "Adresa odesílatele není platná (MailFrom: " +
                                                                     EscapeControlChars(settings.MailFrom) + ")."};
    }
    for (std::size_t i = 0; i < recipients.size(); ++i) {
        const std::string number = std::to_string(i + 1);
        // A piece of blanks names nobody, just as an empty one.
        if (TrimBlanks(recipients[i]).empty()) {
            return MailFailure{kUnknownRecipient, "Příjemce č. " + number + " v SendTo nemá adresu."};
        }
        // A line break would end the command and start another one.
        if (HasControlCharacter(recipients[i])) {
            return MailFailure{kUnknownRecipient, "Adresa příjemce č. " + number + " v SendTo obsahuje řídicí znak."};
        }
    }
    return std::nullopt;
}

} // namespace

SmtpMailNotices::SmtpMailNotices(const Settings& settings, const Logs& logs, MessageBoxes& boxes,
                                 std::string programName)
    : settings_(settings), logs_(logs), boxes_(boxes), programName_(std::move(programName)) {}

void SmtpMailNotices::SendMailNotice(NoticeKind kind, std::string_view text) {
    try {
        if (!NoticeWanted(settings_, kind)) return;
        MailMessage message{settings_.MailFrom, SplitRecipients(settings_.SendTo), std::string(NoticeSubject(kind)),
                            std::string(text)};
        if (const auto problem = SettingsProblem(settings_, message.recipients)) {
            Report(problem->number, problem->description);
            return;
        }
        const auto now = logs_.clock().Now();
        Upload upload{MailMessageText(message, now, UniquePart(now))};
        SmtpExchange exchange;
        char curlText[CURL_ERROR_SIZE] = {};

        const EasyPtr easy(curl_easy_init());
        if (!easy) {
            Report(kFailure, std::string(MailFailureText(kFailure)) + " (curl_easy_init)");
            return;
        }
        SlistPtr recipients;
        CURLcode result = CURLE_OK;
        try {
            CURL* e = easy.get();
            Set(e, CURLOPT_ERRORBUFFER, curlText);
            Set(e, CURLOPT_URL, settings_.MailServer.c_str());
            Set(e, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
            Set(e, CURLOPT_NOSIGNAL, 1L);
            // A login goes only over an encrypted connection; without one the
            // notice goes in the clear when the server offers no STARTTLS.
            const bool login = !settings_.MAPIUser.empty();
            Set(e, CURLOPT_USE_SSL, login ? static_cast<long>(CURLUSESSL_ALL) : static_cast<long>(CURLUSESSL_TRY));
            if (login) {
                Set(e, CURLOPT_USERNAME, settings_.MAPIUser.c_str());
                Set(e, CURLOPT_PASSWORD, settings_.MAPIPass.c_str());
            }
            Set(e, CURLOPT_MAIL_FROM, settings_.MailFrom.c_str());
            for (const auto& recipient : message.recipients) {
                curl_slist* longer = curl_slist_append(recipients.get(), recipient.c_str());
                if (longer == nullptr) throw SetupFailed{CURLE_OUT_OF_MEMORY};
                static_cast<void>(recipients.release());
                recipients.reset(longer);
            }
            Set(e, CURLOPT_MAIL_RCPT, recipients.get());
            Set(e, CURLOPT_UPLOAD, 1L);
            Set(e, CURLOPT_READFUNCTION, &ReadUpload);
            Set(e, CURLOPT_READDATA, &upload);
            Set(e, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(upload.text.size()));
            Set(e, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(kConnectTimeout / std::chrono::milliseconds(1)));
            Set(e, CURLOPT_TIMEOUT_MS, static_cast<long>(kNoticeTimeout / std::chrono::milliseconds(1)));
            Set(e, CURLOPT_DEBUGFUNCTION, &FollowExchange);
            Set(e, CURLOPT_DEBUGDATA, &exchange);
            Set(e, CURLOPT_VERBOSE, 1L);
            result = curl_easy_perform(e);
        } catch (const SetupFailed& failed) {
            result = failed.code;
            if (curlText[0] == '\0') std::strncpy(curlText, curl_easy_strerror(result), CURL_ERROR_SIZE - 1);
        }
        if (result == CURLE_OK) return;
        const std::string said = curlText[0] != '\0' ? curlText : curl_easy_strerror(result);
        const MailFailure failure = MailFailureFromCurl(result, EscapeControlChars(said), exchange);
        Report(failure.number, failure.description);
    } catch (...) {
        Report(kFailure, std::string(MailFailureText(kFailure)));
    }
}

void SmtpMailNotices::Report(long number, const std::string& description) const noexcept {
    try {
        if (settings_.ShowErrMessage) {
            const std::string heading = LoadMessage(msg::kApplicationError, {{kPlaceholder, std::to_string(number)}});
            try {
                boxes_.Show(programName_, heading + "\r\n" + description, MessageIcon::Exclamation);
            } catch (...) {
                // A box that cannot be shown must not cost the log line.
            }
        }
        logs_.WriteLog("[" + std::to_string(number) + "] *** " + description, LogKind::Error);
    } catch (...) {}
}

} // namespace zumaset
