// The simulated file source: which files it takes and what playing time their headers tell,
// and saved graphs that hold a file source.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/directshow/audio_filters.h"
#include "platform/directshow/file_source.h"
#include "platform/directshow/filter_graph.h"
#include "platform/directshow/media_file.h"
#include "platform/linux/storage.h"
#include "platform/sdk/storage.h"
#include "platform/support/comobject.h"
#include "platform/support/comptr.h"
#include "platform/support/unicode.h"
#include "tests/sim/test_filters.h"
#include "tests/support/media_builders.h"
#include "tests/support/temp_dir.h"

namespace capspect::sim::test {
namespace {

using capspect::test::Bytes;
using capspect::test::ByteWriter;
using capspect::test::Concat;
using capspect::test::RiffChunk;
using capspect::test::RiffFile;

Bytes Wave(std::uint32_t bytesPerSecond, std::uint32_t declaredData, std::size_t presentData) {
    ByteWriter format;
    format.LE16(1).LE16(2).LE32(44100).LE32(bytesPerSecond).LE16(4).LE16(16);
    ByteWriter data;
    data.Tag("data").LE32(declaredData).Fill(presentData);
    return RiffFile("WAVE", Concat({RiffChunk("fmt ", format.bytes()), data.bytes()}));
}

std::optional<MediaFileFacts> Identify(const Bytes& bytes, std::u16string_view name = u"file") {
    return IdentifyMediaFile(bytes, bytes.size(), name);
}

TEST(MediaFile, KindsAreToldByTheirFirstBytesWithThePlayingTimeTheHeadersGive) {
    // 40 ms per frame, one frame.
    const auto avi = Identify(capspect::test::AviFile({}));
    ASSERT_TRUE(avi);
    EXPECT_EQ(avi->subtype, MEDIASUBTYPE_Avi);
    EXPECT_EQ(avi->duration, 400000);

    const auto wave = Identify(Wave(1000, 250, 250));
    ASSERT_TRUE(wave);
    EXPECT_EQ(wave->subtype, MEDIASUBTYPE_WAVE);
    EXPECT_EQ(wave->duration, 2500000);

    // One pack at 3521 × 50 bytes per second, in a file of that many bytes.
    Bytes mpeg = capspect::test::MpegProgramStream(1, capspect::test::Mpeg1VideoStream());
    mpeg.resize(176050);
    const auto system = Identify(mpeg, u"clip.avi");
    ASSERT_TRUE(system);
    EXPECT_EQ(system->subtype, MEDIASUBTYPE_MPEG1System);
    EXPECT_EQ(system->duration, 10000000);
}

TEST(MediaFile, DataChunkThatClaimsMoreThanTheFileCountsOnlyWhatIsThere) {
    const auto wave = Identify(Wave(1000, 0xFFFFFFF0, 500));
    ASSERT_TRUE(wave);
    EXPECT_EQ(wave->duration, 5000000);

    // Without a byte rate nothing can be told.
    EXPECT_EQ(Identify(Wave(0, 100, 100))->duration, std::nullopt);
}

TEST(MediaFile, UnrecognisedBytesFallBackToTheExtension) {
    const Bytes mpeg2 = capspect::test::MpegProgramStream(2, capspect::test::Mpeg2VideoStream());
    const auto byName = Identify(mpeg2, u"C:\\Videos\\CLIP.MPG");
    ASSERT_TRUE(byName);
    EXPECT_EQ(byName->subtype, MEDIASUBTYPE_MPEG1System);
    EXPECT_EQ(byName->duration, std::nullopt);
    EXPECT_EQ(Identify(Bytes(4), u"sound.WAV")->subtype, MEDIASUBTYPE_WAVE);

    EXPECT_FALSE(Identify(Bytes(64, 'x'), u"notes.txt"));
    EXPECT_FALSE(Identify(Bytes(64, 'x'), u"dir.avi/notes"));
}

class FileSourceTest : public GraphTest {
protected:
    std::u16string Write(const char* name, const Bytes& bytes) {
        return Utf8ToUtf16(dir.Write(name, bytes).string());
    }

    capspect::test::TempDir dir;
};

TEST_F(FileSourceTest, SourceLoadsOnceAndSeeksWithinForwardRates) {
    auto source = MakeComObject<FileSourceFilter>();
    const std::u16string file = Write("tone.wav", Wave(176400, 88200, 88200));
    EXPECT_EQ(source->Load(u"/no/such/file.wav", nullptr),
              HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
    EXPECT_TRUE(source->Pins().empty());

    ASSERT_EQ(source->Load(file.c_str(), nullptr), S_OK);
    EXPECT_EQ(source->Load(file.c_str(), nullptr), E_UNEXPECTED);
    LPOLESTR current = nullptr;
    ASSERT_EQ(source->GetCurFile(&current, nullptr), S_OK);
    EXPECT_EQ(std::u16string(current), file);
    CoTaskMemFree(current);

    LONGLONG duration = 0;
    EXPECT_EQ(source->GetDuration(&duration), S_OK);
    EXPECT_EQ(duration, 5000000);
    EXPECT_EQ(source->SetRate(0.0), E_INVALIDARG);
    EXPECT_EQ(source->SetRate(0.5), S_OK);
}

TEST_F(FileSourceTest, SavedGraphOpensItsSourceFileAgainOrFailsEmptyWhenItIsGone) {
    const std::u16string file = Write("tone.wav", Wave(176400, 88200, 88200));
    ASSERT_EQ(graph->RenderFile(file.c_str(), nullptr), S_OK);
    const std::vector<std::u16string> names = FilterNames();
    ComPtr<IPersistStream> persist;
    ASSERT_EQ(graph.As(&persist), S_OK);
    const ComPtr<IStream> stream = CreateMemoryStream();
    ASSERT_EQ(persist->Save(stream.Get(), TRUE), S_OK);

    const LARGE_INTEGER start{};
    stream->Seek(start, STREAM_SEEK_SET, nullptr);
    ASSERT_EQ(persist->Load(stream.Get()), S_OK);
    EXPECT_EQ(FilterNames(), names);
    ComPtr<IBaseFilter> renderer;
    ASSERT_EQ(graph->FindFilterByName(u"Default DirectSound Device", renderer.GetAddressOf()),
              S_OK);
    EXPECT_TRUE(HasConnectedInput(renderer.Get()));

    std::filesystem::remove(dir.path() / "tone.wav");
    stream->Seek(start, STREAM_SEEK_SET, nullptr);
    EXPECT_EQ(persist->Load(stream.Get()), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(FilterNames().empty());
}

TEST_F(FileSourceTest, AudioRendererKeepsVolumeAndBalanceWithinTheirRanges) {
    auto renderer = MakeComObject<DSoundRenderer>();
    EXPECT_EQ(renderer->put_Volume(1), E_INVALIDARG);
    EXPECT_EQ(renderer->put_Volume(-10001), E_INVALIDARG);
    EXPECT_EQ(renderer->put_Volume(-10000), S_OK);
    EXPECT_EQ(renderer->put_Balance(10001), E_INVALIDARG);
    EXPECT_EQ(renderer->put_Balance(-10000), S_OK);
    LONG volume = 0;
    LONG balance = 0;
    renderer->get_Volume(&volume);
    renderer->get_Balance(&balance);
    EXPECT_EQ(volume, -10000);
    EXPECT_EQ(balance, -10000);
}

}  // namespace
}  // namespace capspect::sim::test
