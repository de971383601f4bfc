#include "wire_text.h"

#include <cerrno>
#include <iconv.h>
#include <memory>

namespace zumaset::vansim {
namespace {

struct IconvCloser {
    void operator()(iconv_t cd) const { iconv_close(cd); }
};

std::optional<std::string> Convert(std::string_view text, const char* to, const char* from) {
    iconv_t raw = iconv_open(to, from);
    if (raw == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::unique_ptr<std::remove_pointer_t<iconv_t>, IconvCloser> cd(raw);

    std::string input(text);
    std::string output(input.size() * 4 + 16, '\0');
    char* in = input.data();
    size_t inLeft = input.size();
    char* out = output.data();
    size_t outLeft = output.size();
    while (inLeft > 0) {
        if (iconv(cd.get(), &in, &inLeft, &out, &outLeft) == static_cast<size_t>(-1)) {
            if (errno != E2BIG) return std::nullopt;
            const size_t used = output.size() - outLeft;
            output.resize(output.size() * 2);
            out = output.data() + used;
            outLeft = output.size() - used;
        }
    }
    output.resize(output.size() - outLeft);
    return output;
}

} // namespace

std::optional<std::string> Cp1250ToUtf8(std::string_view text) {
    return Convert(text, "UTF-8", "CP1250");
}

std::optional<std::string> Utf8ToCp1250(std::string_view text) {
    return Convert(text, "CP1250", "UTF-8");
}

std::vector<FormField> ParseFormBody(std::string_view body) {
    std::vector<FormField> fields;
    if (body.empty()) return fields;
    size_t start = 0;
    while (true) {
        const size_t end = body.find('&', start);
        const std::string_view piece =
            body.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        const size_t eq = piece.find('=');
        if (eq == std::string_view::npos) {
            fields.push_back({std::string(piece), std::string()});
        } else {
            fields.push_back({std::string(piece.substr(0, eq)), std::string(piece.substr(eq + 1))});
        }
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return fields;
}

const std::string* FindField(const std::vector<FormField>& fields, std::string_view name) {
    for (const auto& field : fields) {
        if (field.name == name) return &field.value;
    }
    return nullptr;
}

bool FieldsInOrder(const std::vector<FormField>& fields, std::initializer_list<std::string_view> expected) {
    size_t lastIndex = 0;
    bool first = true;
    for (std::string_view name : expected) {
        size_t index = 0;
        while (index < fields.size() && fields[index].name != name) ++index;
        if (index == fields.size()) return false;
        if (!first && index <= lastIndex) return false;
        lastIndex = index;
        first = false;
    }
    return true;
}

std::string FramePage(std::string_view text) {
    std::string page = "<html>\r\n<body>\r\n";
    page += text;
    page += "\r\n</body>\r\n</html>\r\n";
    return page;
}

} // namespace zumaset::vansim
