#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace zumaset {

// Builds the text of one debug trace line, so that no routine lays out the
// fixed-width fields by hand. Widths count characters, not bytes.
//
//   TraceLine{"SendFile", 'G', 1}.Start()
//       -> "[SendFile      - START]<G01>"
//   TraceLine{"SendFile", 'G', 46}.End("Návrat na WorkUpFile")
//       -> "[SendFile      -   END]<G46>*** Návrat na WorkUpFile    ***"
//   TraceLine{"SearchFiles", 'K', 2}.Label("sFileName-nalezeno").Values({name})
//       -> "[SearchFiles          ]<K02>*** sFileName-nalezeno      *** [name]"
//   TraceLine{"SendFile", 'G', 47}.Label("ERROR").Error(5, "Přístup byl odepřen.")
//       -> "[SendFile             ]<G47>*** ERROR                   *** 5  Přístup byl odepřen."
//
// The tag number names the place in the routine, not a running count. A label
// is padded to 24 characters; one that must stand centred is passed with its
// leading blanks ("      SERVER ONE"). Longer labels are kept whole.
class TraceLine {
public:
    TraceLine(std::string_view routine, char letter, int number);

    // Adds the "*** label ***" field to the line.
    TraceLine& Label(std::string_view label);

    // The line with the plain routine field, the tag and the label if any.
    std::string Text() const;
    // As Text, followed by " [v1][v2]...".
    std::string Values(std::initializer_list<std::string_view> values) const;
    // As Text, followed by " " + code + two blanks + description (no brackets).
    std::string Error(long code, std::string_view description) const;

    // The routine's start line: name padded to 14 + "- START".
    std::string Start() const;
    // The routine's end line: name padded to 14 + "-   END", with the place
    // control returns to as label when given.
    std::string End(std::string_view returnsTo = {}) const;
    // A separator line: 21 hyphens in the routine field.
    std::string Separator() const;

    // For the one trace line whose routine field is not 21 wide: the field is
    // written exactly as given.
    static TraceLine WithVerbatimField(std::string_view field, char letter, int number);

private:
    std::string Compose(std::string_view field) const;

    std::string routine_;
    char letter_;
    int number_;
    std::string label_;
    bool hasLabel_ = false;
    bool verbatimField_ = false;
};

// How a yes/no value is written in a trace line.
inline std::string_view TraceBool(bool value) {
    return value ? "True" : "False";
}

} // namespace zumaset
