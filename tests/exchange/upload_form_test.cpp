#include "exchange/upload_form.h"
#include "zumaset/version.h"

#include <gtest/gtest.h>
#include <ostream>

namespace zumaset {
namespace {

struct FormCase {
    const char* name;
    FileKind kind;
    std::uint64_t current, count;
    const char* crc;
    const char* dateBT;
    std::string expected; // without the trailing client version
};

void PrintTo(const FormCase& row, std::ostream* os) {
    *os << row.name;
}

const WireValues kWire{"user", "p%26ss", "CZ1", "DECL.TXT", "Praha\\Sklad"};

class ChunkFormTest : public testing::TestWithParam<FormCase> {};

TEST_P(ChunkFormTest, FieldsInTheServersOrder) {
    const FormCase& row = GetParam();
    EXPECT_EQ(ChunkForm(row.kind, kWire, row.current, row.count, "0A1B", row.crc, row.dateBT),
              row.expected + "&VerzeApl=" + ZUMASET_VERSION);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ChunkFormTest,
    testing::Values(FormCase{"TextSendsOfficeCodeBeforeNameAndDate", FileKind::Text, 1, 3, "-12", "2010-05-04T13:02:09",
                             "JmenoDeklaranta=user&Heslo=p%26ss&Celnice=CZ1&FileName=DECL.TXT&FileCurent=1&FileCount=3"
                             "&FileData=0A1B&FileCRC=-12&DateBT=2010-05-04T13:02:09"},
                    FormCase{"XmlSendsFolderOfficeAfterNameAndNoDate", FileKind::Xml, 2, 2, "77", "ignored",
                             "JmenoDeklaranta=user&Heslo=p%26ss&FileName=DECL.TXT&Celnice=Praha\\Sklad&FileCurent=2"
                             "&FileCount=2&FileData=0A1B&FileCrc=77"}),
    [](const testing::TestParamInfo<FormCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace zumaset
