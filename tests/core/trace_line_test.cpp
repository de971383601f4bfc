#include "core/trace_line.h"

#include <gtest/gtest.h>

namespace zumaset {
namespace {

struct TraceCase {
    const char* name;
    std::string built;
    std::string expected;
};

void PrintTo(const TraceCase& row, std::ostream* os) {
    *os << row.name << " (\"" << row.expected << "\")";
}

class TraceLayout : public testing::TestWithParam<TraceCase> {};

TEST_P(TraceLayout, MatchesTheFixedColumns) {
    EXPECT_EQ(GetParam().built, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    TraceLine, TraceLayout,
    testing::Values(
        TraceCase{"StartLine", TraceLine{"SendFile", 'G', 1}.Start(), "[SendFile      - START]<G01>"},
        TraceCase{"EndLineNamesWhereControlReturns", TraceLine{"SendFile", 'G', 46}.End("Návrat na WorkUpFile"),
                  "[SendFile      -   END]<G46>*** Návrat na WorkUpFile    ***"},
        TraceCase{"Separator", TraceLine{"TimerApp", 'B', 1}.Separator(), "[---------------------]<B01>"},
        TraceCase{"CzechLabelPaddedByCharacters",
                  TraceLine{"SendFile", 'G', 2}.Label("Příchozí parametry").Values({"A.TXT", "CZ510201"}),
                  "[SendFile             ]<G02>*** Příchozí parametry      *** [A.TXT][CZ510201]"},
        TraceCase{"LabelOfExactlyTwentyFourCharacters",
                  TraceLine{"PopGet_Click", 'D', 1}.Label("volá GetRemoteFile-ručně").Text(),
                  "[PopGet_Click         ]<D01>*** volá GetRemoteFile-ručně***"},
        TraceCase{"ErrorLineHasNoBrackets", TraceLine{"SendFile", 'G', 47}.Label("ERROR").Error(12029, "Nelze"),
                  "[SendFile             ]<G47>*** ERROR                   *** 12029  Nelze"},
        TraceCase{"LongerLabelKeptWhole", TraceLine{"X", 'B', 4}.Label("abcdefghijklmnopqrstuvwxyz").Text(),
                  "[X                    ]<B04>*** abcdefghijklmnopqrstuvwxyz***"},
        TraceCase{"VerbatimRoutineField",
                  TraceLine::WithVerbatimField("PopSend_Click       ", 'C', 1).Label("volá SearchFiles(ručně) ").Text(),
                  "[PopSend_Click       ]<C01>*** volá SearchFiles(ručně) ***"}),
    [](const testing::TestParamInfo<TraceCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace zumaset
