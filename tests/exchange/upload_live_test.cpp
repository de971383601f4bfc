// SendFile against the simulator over TLS: what the server reassembles, and
// the faults that must leave the file unrecorded.
#include "exchange/curl_handles.h"
#include "exchange/curl_transport.h"

#include "trace_has.h"
#include "upload_fixture.h"
#include "vansim_process.h"

#include <gtest/gtest.h>
#include <random>

namespace zumaset {
namespace {

namespace fs = std::filesystem;

std::string RandomBytes(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& ch : bytes) ch = static_cast<char>(random() & 0xFF);
    return bytes;
}

class LiveUpload : public test::UploadFixture {
protected:
    LiveUpload() {
        vansim.AddAccount("DEKL01", "heslo");
        settings.ServerTxt = settings.ServerXml = vansim.host();
        CurlTransportOptions options;
        options.caFolder = dir / "ca";
        fs::create_directories(options.caFolder);
        fs::copy_file(vansim.caPath(), options.caFolder / "vansim.pem");
        options.systemProxy = SystemProxy{};
        transport.emplace(options);
    }
    bool Send(const std::string& folder, const std::string& name, const std::string& sendAs) {
        return UploadFixture::Send(*transport, folder, name, "CZ510201", sendAs);
    }
    std::size_t Count(const std::string& what) const { return SessionFixture::Count(vansim.RequestLog(), what); }

    CurlGlobal curl;
    test::VansimProcess vansim;
    std::optional<CurlTransport> transport;
};

TEST_F(LiveUpload, TheServerReassemblesBothKindsByteForByte) {
    const std::string text = RandomBytes(3 * 33333 + 10, 1);
    ASSERT_TRUE(Send(Put("binary.dok", text), "binary.dok", "BINARY.DOK")) << Log("Error.log");
    EXPECT_EQ(test::ReadFileBytes(vansim.ReceivedFile("DEKL01\\CZ510201\\BINARY.DOK")), text);
    EXPECT_EQ(Count("chunk 4/4, stored"), 1u);

    const std::string xml = RandomBytes(2 * 49999 + 1, 2);
    ASSERT_TRUE(Send(Put("binary.xml", xml, "sub"), "binary.xml", "binary.xml"));
    EXPECT_EQ(test::ReadFileBytes(vansim.ReceivedFile("DEKL01\\sub\\binary.xml")), xml);
    EXPECT_EQ(Count("chunk 3/3, stored"), 1u);

    // An XML file in the source folder itself has no office folder.
    ASSERT_TRUE(Send(Put("top.xml", "<a/>"), "top.xml", "top.xml"));
    EXPECT_EQ(test::ReadFileBytes(vansim.ReceivedFile("DEKL01\\top.xml")), "<a/>");
    EXPECT_EQ(sent.records.size(), 3u);
}

TEST_F(LiveUpload, AFailureInTheSecondOfThreeChunksRecordsNothingAndTheNextTryStartsAfresh) {
    vansim.AddFaultRule("upload_prg.asp status 500 chunk=2 times=1");
    const std::string bytes = RandomBytes(2 * 33333 + 5, 3);
    const std::string folder = Put("three.dok", bytes);
    EXPECT_FALSE(Send(folder, "three.dok", "THREE.DOK"));
    EXPECT_TRUE(sent.records.empty());
    EXPECT_FALSE(fs::exists(vansim.ReceivedFile("DEKL01\\CZ510201\\THREE.DOK")));
    EXPECT_NE(Log("Error.log").find("[500] *** Chyba přijímací ASP"), std::string::npos);
    EXPECT_EQ(cycle.filesAccepted, 0);

    ASSERT_TRUE(Send(folder, "three.dok", "THREE.DOK"));
    EXPECT_EQ(Count("chunk 1/3"), 2u);
    EXPECT_EQ(test::ReadFileBytes(vansim.ReceivedFile("DEKL01\\CZ510201\\THREE.DOK")), bytes);
    EXPECT_EQ(sent.records.size(), 1u);
}

TEST_F(LiveUpload, ASecondChunkThatNeverArrivesIsASendFailureNotAServerError) {
    // Every attempt, so libcurl's own re-send on a fresh connection fails too.
    vansim.AddFaultRule("upload_prg.asp drop chunk=2");
    EXPECT_FALSE(Send(Put("two.dok", RandomBytes(33333 + 5, 4)), "two.dok", "TWO.DOK"));
    const std::string errors = Log("Error.log");
    EXPECT_EQ(errors.find("[918]"), std::string::npos) << errors;
    EXPECT_EQ(SessionFixture::Count(errors, "] *** "), 1u) << errors;
    EXPECT_NE(errors.find("[121"), std::string::npos) << errors; // a transport error number
    EXPECT_NE(Log("Relational.log").find("Soubor nebyl odeslán"), std::string::npos);
    EXPECT_TRUE(sent.records.empty());
}

} // namespace
} // namespace zumaset
