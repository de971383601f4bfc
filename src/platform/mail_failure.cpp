#include "platform/mail_failure.h"

namespace zumaset {

namespace {

using namespace mail_error;

MailFailure Failure(long number, std::string_view cause, std::string_view prefix = {}) {
    std::string description(prefix.empty() ? MailFailureText(number) : prefix);
    if (!cause.empty()) description += " (" + std::string(cause) + ")";
    return {number, description};
}

} // namespace

bool IsSmtpRefusal(std::string_view reply) {
    return !reply.empty() && (reply.front() == '4' || reply.front() == '5');
}

std::string_view MailFailureText(long number) {
    switch (number) {
    case kLoginFailed: return "Přihlášení k poštovnímu serveru se nezdařilo.";
    case kUnknownRecipient: return "Poštovní server odmítl příjemce zprávy.";
    case kNetworkFailure: return "Spojení s poštovním serverem selhalo.";
    default: return "Zprávu se nepodařilo odeslat.";
    }
}

MailFailure MailFailureFromCurl(CURLcode code, std::string_view curlText, const SmtpExchange& exchange) {
    switch (code) {
    case CURLE_LOGIN_DENIED:
    case CURLE_AUTH_ERROR:
        return Failure(kLoginFailed, exchange.refusal.empty() ? curlText : std::string_view(exchange.refusal));
    case CURLE_USE_SSL_FAILED:
        return Failure(kLoginFailed, curlText,
                       "Poštovní server nenabízí šifrované spojení, přihlašovací údaje se nešifrovaně neposílají.");
    default: break;
    }
    if (!exchange.refusal.empty()) {
        if (exchange.refusedCommand == "RCPT") {
            return Failure(kUnknownRecipient, exchange.refusal,
                           "Poštovní server odmítl příjemce '" + exchange.refusedRecipient + "'.");
        }
        return Failure(kFailure, exchange.refusal);
    }
    switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
    case CURLE_OPERATION_TIMEDOUT:
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_ISSUER_ERROR: return Failure(kNetworkFailure, curlText);
    default: return Failure(kFailure, curlText);
    }
}

} // namespace zumaset
