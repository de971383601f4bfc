// A reply page as the upload and the connection test judge it: the text
// framed by <body> is taken out, decoded from Windows-1250 and upper-cased,
// then compared with the answer words. Checks besides the sanitizers that the
// text taken out is a part of the reply and that upper-casing keeps a valid
// UTF-8 text valid.
#include "core/charset.h"
#include "core/upper_case.h"
#include "exchange/body_text.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zumaset;
    const std::string_view reply(reinterpret_cast<const char*>(data), size);
    const auto text = GetBodyText(reply);
    if (!text) return 0;
    if (reply.find(*text) == std::string_view::npos) std::abort();
    const auto decoded = Cp1250ToUtf8(*text);
    const std::string word = ToUpperText(decoded.value_or(*text));
    if (decoded && !IsValidUtf8(word)) std::abort();
    // The words the client knows; the comparison is what the judging does.
    volatile bool known = word == "OK" || word == "TESTING SERVER RLK OK" || word == "CHYBA CRC";
    (void)known;
    return 0;
}
