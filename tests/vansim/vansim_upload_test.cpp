// Uploads against the running simulator: storing, reassembly and refusals.
#include "exchange/body_text.h"

#include "sim_client.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace zumaset::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kTextPage = "/secure/activex_download/upload_prg.asp";
constexpr const char* kXmlPage = "/secure/activex_download/upload_prov.asp";

// The answer's text as the client reads it.
std::string BodyText(const std::string& reply) {
    return GetBodyText(reply).value_or("<unclosed body>");
}

class VansimUpload : public ::testing::Test {
protected:
    VansimUpload() { sim.AddAccount("novak", "tajne"); }

    VansimProcess sim;
    SimClient client{sim};
};

TEST_F(VansimUpload, EmptyFileIsStoredEmpty) {
    const auto reply = client.Post(kTextPage, ChunkBody({.digits = ""}));
    EXPECT_EQ(reply.status, 200);
    EXPECT_EQ(BodyText(reply.body), "OK");
    EXPECT_TRUE(fs::exists(sim.ReceivedFile("novak\\CZ510201\\ABC.DOK")));
    EXPECT_EQ(ReadFileBytes(sim.ReceivedFile("novak\\CZ510201\\ABC.DOK")), "");
}

TEST_F(VansimUpload, XmlChunkIsConfirmedWithItsChecksumAndItsReceiptGoesToTheSameSubFolder) {
    const std::string content = "<?xml version=\"1.0\"?><zprava>\x9a\xe8</zprava>";
    const std::string digits = HexDigits(content);
    const auto reply = client.Post(
        kXmlPage, ChunkBody({.kind = FileKind::Xml, .office = "praha\\", .name = "DECL01.xml", .digits = digits}));
    EXPECT_EQ(BodyText(reply.body), CrcToDecimal(CalcCrc32(digits)));
    EXPECT_EQ(ReadFileBytes(sim.ReceivedFile("novak\\praha\\DECL01.xml")), content);
    const std::string receipt = ReadFileBytes(sim.WaitingFile("novak\\praha\\DECL01_POT.xml"));
    ASSERT_FALSE(receipt.empty());
    EXPECT_EQ(receipt.front(), '<');
    EXPECT_NE(receipt.find("DECL01.xml"), std::string::npos);

    // A file directly in the source folder has its receipt in the user's folder.
    const auto top = client.Post(
        kXmlPage, ChunkBody({.kind = FileKind::Xml, .office = "", .name = "TOP.xml", .digits = HexDigits("<a/>")}));
    EXPECT_EQ(BodyText(top.body), CrcToDecimal(CalcCrc32(HexDigits("<a/>"))));
    EXPECT_TRUE(fs::exists(sim.WaitingFile("novak\\TOP_POT.xml")));
}

TEST_F(VansimUpload, UserNameTravelsInWindows1250) {
    sim.AddAccount("Dvořák", "tajne");
    const std::string wireUser = "Dvo\xf8\xe1k"; // ř and á in Windows-1250
    const auto reply = client.Post(kTextPage, ChunkBody({.user = wireUser, .digits = "065"}));
    EXPECT_EQ(BodyText(reply.body), "OK");
    EXPECT_EQ(ReadFileBytes(sim.ReceivedFile("Dvořák\\CZ510201\\ABC.DOK")), "A");

    const auto list =
        client.Post("/secure/activex_download/download_list.asp", "JmenoDeklaranta=" + wireUser + "&Heslo=tajne");
    EXPECT_EQ(list.body, wireUser + "\\CZ510201\\ABC.POT#");
}

// Refusals: every row is answered with its keyword and nothing is stored.
struct Refusal {
    const char* name;
    const char* page;
    std::string body;
    const char* keyword;
};

void PrintTo(const Refusal& row, std::ostream* os) {
    *os << row.name << " (" << row.page << " answers " << row.keyword << ")";
}

// "Celnice" and "FileName" in the XML kind's order.
std::string TextFieldsSwapped() {
    return "JmenoDeklaranta=novak&Heslo=tajne&FileName=ABC.DOK&Celnice=CZ510201&FileCurent=1&FileCount=1"
           "&FileData=065&FileCRC=" +
           CrcToDecimal(CalcCrc32("065")) + "&DateBT=2010-05-04T13:02:09&VerzeApl=2.0.0.2";
}

class VansimRefusal : public ::testing::TestWithParam<Refusal> {
protected:
    static void SetUpTestSuite() {
        sim_ = std::make_unique<VansimProcess>();
        sim_->AddAccount("novak", "tajne");
        sim_->AddAccount("svoboda", "heslo", false);
    }
    static void TearDownTestSuite() { sim_.reset(); }

    static std::unique_ptr<VansimProcess> sim_;
};
std::unique_ptr<VansimProcess> VansimRefusal::sim_;

TEST_P(VansimRefusal, IsAnsweredWithItsKeywordAndStoresNothing) {
    SimClient client(*sim_);
    const auto reply = client.Post(GetParam().page, GetParam().body);
    EXPECT_EQ(reply.status, 200);
    EXPECT_EQ(BodyText(reply.body), GetParam().keyword);
    EXPECT_TRUE(fs::is_empty(sim_->dataFolder() / "received"));
    EXPECT_TRUE(fs::is_empty(sim_->dataFolder() / "outbox"));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, VansimRefusal,
    ::testing::Values(
        Refusal{"WrongPassword", kTextPage, ChunkBody({.password = "spatne", .digits = "065"}), "NEPLATNE HESLO"},
        Refusal{"XmlDeclarantNotKnownForXml", kXmlPage,
                ChunkBody({.kind = FileKind::Xml, .user = "svoboda", .password = "heslo", .digits = "41"}), "CHYBA ID"},
        Refusal{"TextWrongCrc", kTextPage, ChunkBody({.digits = "065066", .crc = CrcToDecimal(CalcCrc32("065067"))}),
                "CHYBA CRC"},
        Refusal{"FieldsOutOfOrder", kTextPage, TextFieldsSwapped(), "CHYBA FORMULARE"},
        Refusal{"ChunkWithoutItsPredecessor", kTextPage,
                ChunkBody({.name = "X.DOK", .index = 2, .count = 2, .digits = "065"}), "CHYBA PORADI"},
        Refusal{"FileNameClimbsUp", kTextPage, ChunkBody({.name = "..", .digits = "065"}), "CHYBA NAZEV"},
        Refusal{"XmlFolderClimbsUp", kXmlPage,
                ChunkBody({.kind = FileKind::Xml, .office = "a\\..\\..\\", .digits = "41"}), "CHYBA NAZEV"}),
    [](const ::testing::TestParamInfo<Refusal>& info) { return std::string(info.param.name); });

} // namespace
} // namespace zumaset::test
