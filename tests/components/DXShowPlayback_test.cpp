// File playback of the graph component: rendering media files through the graph manager
// and the QuickTime source filter, graph files, positions, rate and volume, on the
// simulated platform's file source, splitters, decoders and renderers.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "Components/VQDirectShow/DXShowErrors.h"
#include "dshow/DShowUtil.h"
#include "framework/Exceptions.h"
#include "platform/directshow/file_source.h"
#include "platform/linux/com.h"
#include "platform/sdk/dshow/capture.h"
#include "platform/sdk/storage.h"
#include "platform/support/comptr.h"
#include "platform/support/unicode.h"
#include "tests/components/DXShowFixture.h"
#include "tests/support/media_builders.h"
#include "tests/support/temp_dir.h"
#include "util/ErrorTexts.h"

namespace capspect::test {
namespace {

constexpr TDateTime kSecond = 1.0 / 86400;

std::u16string Formatted(const std::u16string& message, HRESULT hr, const std::u16string& code) {
    return message + u" Reason: " + GetDSErrorText(hr) + u" ($" + code + u").";
}

std::u16string PathText(const std::filesystem::path& path) {
    return Utf8ToUtf16(path.string());
}

// Half a second of 44.1 kHz 16-bit stereo PCM.
Bytes HalfSecondWave() {
    ByteWriter format;
    format.LE16(1).LE16(2).LE32(44100).LE32(176400).LE16(4).LE16(16);
    return RiffFile("WAVE",
                    Concat({RiffChunk("fmt ", format.bytes()), RiffChunk("data", Bytes(88200))}));
}

// An MPEG-1 program stream padded to 176050 bytes: one second at its multiplex rate.
Bytes OneSecondMpeg1() {
    Bytes bytes = MpegProgramStream(1, Mpeg1VideoStream());
    bytes.resize(176050, 0);
    return bytes;
}

std::string FilterName(IBaseFilter* filter) {
    FILTER_INFO info{};
    if (FAILED(filter->QueryFilterInfo(&info))) {
        return {};
    }
    if (info.pGraph != nullptr) {
        info.pGraph->Release();
    }
    return Utf16ToUtf8(info.achName);
}

std::string PinId(IPin* pin) {
    LPWSTR id = nullptr;
    if (FAILED(pin->QueryId(&id))) {
        return {};
    }
    std::string text = Utf16ToUtf8(id);
    CoTaskMemFree(id);
    return text;
}

// The graph as sorted lines: one per filter ("filter Name") and one per connection
// ("Name:pin -> Name:pin").
std::vector<std::string> Describe(IGraphBuilder* graph) {
    std::vector<std::string> lines;
    ComPtr<IEnumFilters> filters;
    EXPECT_EQ(graph->EnumFilters(filters.GetAddressOf()), S_OK);
    ComPtr<IBaseFilter> filter;
    while (filters->Next(1, filter.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
        lines.push_back("filter " + FilterName(filter.Get()));
        ComPtr<IEnumPins> pins;
        filter->EnumPins(pins.GetAddressOf());
        ComPtr<IPin> pin;
        while (pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
            PIN_DIRECTION direction{};
            ComPtr<IPin> peer;
            pin->QueryDirection(&direction);
            if (direction != PINDIR_OUTPUT || FAILED(pin->ConnectedTo(peer.GetAddressOf()))) {
                continue;
            }
            PIN_INFO info{};
            peer->QueryPinInfo(&info);
            const ComPtr<IBaseFilter> peerFilter(info.pFilter);
            info.pFilter->Release();
            lines.push_back(FilterName(filter.Get()) + ":" + PinId(pin.Get()) + " -> " +
                            FilterName(peerFilter.Get()) + ":" + PinId(peer.Get()));
        }
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

// A component whose hooks are journalled; it can insert a video renderer before rendering,
// as the video component does, and opens its protected rendering to tests.
class PlaybackDXShow : public RecordingDXShow {
public:
    PlaybackDXShow(Journal& journal, TDXShowReports reports)
        : RecordingDXShow(journal, std::move(reports)), journal_(journal) {}

    using TDXShow::RenderWithSourceFilter;

    bool insertVideoRenderer = false;

protected:
    void AddCustomFilters() override {
        journal_.push_back("AddCustomFilters");
        if (insertVideoRenderer) {
            AddFilterByCLSID(FGraph.Get(), CLSID_VideoRenderer, u"Video Renderer", nullptr);
        }
    }
    void AfterRender() override { journal_.push_back("AfterRender"); }

private:
    Journal& journal_;
};

class DXShowPlaybackTest : public DXShowTest {
protected:
    std::unique_ptr<PlaybackDXShow> CreatePlayer() {
        auto dx = std::make_unique<PlaybackDXShow>(journal, Reports());
        dx->SetOnLengthChanged(
            [this](TComponent&, TDateTime length) { lengths.push_back(length); });
        return dx;
    }

    std::u16string Write(const char* name, const Bytes& bytes) {
        return PathText(dir.Write(name, bytes));
    }

    static ComPtr<IMediaSeeking> Seeking(TDXShow& dx) {
        ComPtr<IMediaSeeking> seeking;
        EXPECT_EQ(dx.Graph().As(&seeking), S_OK);
        return seeking;
    }

    TempDir dir;
    std::vector<TDateTime> lengths;
};

// The QuickTime source filter, stood in for by the simulated file source.
class QuickTimeSourceTest : public DXShowPlaybackTest {
protected:
    ScopedClassRegistration quickTime_{CLSID_QTSourceFilter, FactoryFor<sim::FileSourceFilter>()};
};

// Rendering through the graph manager.

TEST_F(DXShowPlaybackTest, WaveFileRendersToTheAudioRendererAndReportsItsLength) {
    auto dx = CreatePlayer();
    const std::u16string file = Write("tone.wav", HalfSecondWave());

    EXPECT_EQ(dx->RenderFile(file, true), S_OK);

    const std::string source = Utf16ToUtf8(file);
    std::vector<std::string> expected{
        "Wave Parser:output -> Default DirectSound Device:Audio Input pin (rendered)",
        source + ":Output -> Wave Parser:Input",
        "filter " + source,
        "filter Default DirectSound Device",
        "filter Wave Parser",
    };
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Describe(dx->Graph().Get()), expected);
    EXPECT_EQ(dx->FileName(), file);
    ASSERT_EQ(lengths.size(), 1U);
    EXPECT_DOUBLE_EQ(lengths[0], 0.5 * kSecond);
    EXPECT_DOUBLE_EQ(dx->Duration(), 0.5 * kSecond);
    EXPECT_TRUE(errors.empty());
}

TEST_F(DXShowPlaybackTest, HooksRunAroundRenderingAndTheVideoIsPlacedInTheDisplayWindow) {
    auto dx = CreatePlayer();
    dx->insertVideoRenderer = true;
    TPlainWinControl window(320, 240);
    dx->SetDisplayWindow(&window);
    journal.clear();

    EXPECT_EQ(dx->RenderFile(Write("clip.mpg", OneSecondMpeg1()), true), S_OK);

    EXPECT_EQ(journal, (Journal{"Stop", "AddCustomFilters", "AfterRender"}));
    ComPtr<IBaseFilter> renderer;
    ASSERT_EQ(dx->Graph()->FindFilterByName(u"Video Renderer", renderer.GetAddressOf()), S_OK);
    EXPECT_TRUE(sim::HasConnectedInput(renderer.Get()));
    ComPtr<IVideoWindow> videoWindow;
    ASSERT_EQ(renderer.As(&videoWindow), S_OK);
    OAHWND owner = 0;
    videoWindow->get_Owner(&owner);
    EXPECT_EQ(owner, reinterpret_cast<OAHWND>(window.Handle()));
    ASSERT_EQ(lengths.size(), 1U);
    EXPECT_DOUBLE_EQ(lengths[0], kSecond);
}

TEST_F(DXShowPlaybackTest, RenderlessRendererLeavesTheVideoWindowAlone) {
    auto dx = CreatePlayer();
    dx->insertVideoRenderer = true;
    dx->SetDSVideoRenderer(vrVMR9Renderless);
    TPlainWinControl window(320, 240);
    dx->SetDisplayWindow(&window);

    EXPECT_EQ(dx->RenderFile(Write("clip.mpg", OneSecondMpeg1()), true), S_OK);

    ComPtr<IVideoWindow> videoWindow;
    ASSERT_EQ(dx->Graph().As(&videoWindow), S_OK);
    OAHWND owner = 0;
    EXPECT_EQ(videoWindow->get_Owner(&owner), S_OK);
    EXPECT_EQ(owner, 0);
}

TEST_F(DXShowPlaybackTest, FailureIsReturnedNotReportedAndTheLengthIsStillAnnounced) {
    auto dx = CreatePlayer();
    const std::u16string missing = PathText(dir.path() / "missing.avi");

    EXPECT_EQ(dx->RenderFile(missing, true), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(dx->RenderFile(Write("notes.txt", Bytes(64, 'x')), false), VFW_E_UNKNOWN_FILE_TYPE);

    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(journal, (Journal{"Stop", "AddCustomFilters", "AfterRender", "AddCustomFilters",
                                "AfterRender"}));
    EXPECT_EQ(lengths, (std::vector<TDateTime>{0, 0}));
}

TEST_F(DXShowPlaybackTest, RenderingWithoutClearingKeepsWhatTheGraphHolds) {
    auto dx = CreatePlayer();
    EXPECT_EQ(dx->RenderFile(Write("a.wav", HalfSecondWave()), true), S_OK);
    EXPECT_EQ(dx->RenderFile(Write("b.wav", HalfSecondWave()), false), S_OK);

    const auto lines = Describe(dx->Graph().Get());
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line) { return line.starts_with("filter "); }),
              6);
}

// The QuickTime source filter.

TEST_F(DXShowPlaybackTest, MissingQuickTimeSourceIsReportedAndReturned) {
    auto dx = CreatePlayer();
    dx->SetUseQTSourceFilter(true);

    const HRESULT hr = dx->RenderFile(Write("movie.mov", Bytes(32)), true);

    EXPECT_EQ(hr, REGDB_E_CLASSNOTREG);
    EXPECT_EQ(errors, (std::vector<Report>{
                          {hr, Formatted(u"Problem loading Quicktime movie.", hr, u"80040154")}}));
    EXPECT_EQ(lengths.size(), 1U);
}

TEST_F(QuickTimeSourceTest, FileTheSourceCannotLoadIsReportedWithItsCode) {
    auto dx = CreatePlayer();
    dx->SetUseQTSourceFilter(true);

    const HRESULT hr = dx->RenderFile(PathText(dir.path() / "gone.mov"), true);

    EXPECT_EQ(hr, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(errors, (std::vector<Report>{
                          {hr, Formatted(u"Problem loading Quicktime movie.", hr, u"80070002")}}));
    // The source that could not load its file stays in the graph.
    ComPtr<IBaseFilter> source;
    EXPECT_EQ(dx->Graph()->FindFilterByName(u"QT Source", source.GetAddressOf()), S_OK);
}

TEST_F(QuickTimeSourceTest, LoadedMovieRendersFromTheQuickTimeSource) {
    auto dx = CreatePlayer();
    dx->SetUseQTSourceFilter(true);

    EXPECT_EQ(dx->RenderFile(Write("tone.wav", HalfSecondWave()), true), S_OK);

    const auto lines = Describe(dx->Graph().Get());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "QT Source:Output -> Wave Parser:Input"),
              lines.end());
    EXPECT_TRUE(errors.empty());
    ASSERT_EQ(lengths.size(), 1U);
    EXPECT_DOUBLE_EQ(lengths[0], 0.5 * kSecond);
}

// Rendering from a given source filter.

TEST_F(DXShowPlaybackTest, SourceWhosePinsAllFailToRenderAnswersCannotRender) {
    auto dx = CreatePlayer();
    const std::u16string text = Write("notes.txt", Bytes(64, 'x'));

    EXPECT_EQ(dx->RenderWithSourceFilter(text, CLSID_AsyncReader, false, u"Reader"),
              VFW_E_CANNOT_RENDER);
    EXPECT_EQ(static_cast<std::uint32_t>(VFW_E_CANNOT_RENDER), 0x80040218U);
}

TEST_F(DXShowPlaybackTest, RenderingToExistingRenderersUsesOnlyFiltersInTheGraph) {
    auto dx = CreatePlayer();
    const std::u16string wave = Write("tone.wav", HalfSecondWave());
    ASSERT_EQ(AddFilterByCLSID(dx->Graph().Get(), CLSID_DSoundRender, u"Speaker", nullptr), S_OK);

    // The Wave Parser that the stream needs is not in the graph.
    EXPECT_EQ(dx->RenderWithSourceFilter(wave, CLSID_AsyncReader, true, u"Existing"),
              VFW_E_CANNOT_RENDER);
    EXPECT_EQ(dx->RenderWithSourceFilter(wave, CLSID_AsyncReader, false, u"Any"), S_OK);
    const auto lines = Describe(dx->Graph().Get());
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "Wave Parser:output -> Speaker:Audio Input pin (rendered)"),
              lines.end());
}

TEST_F(DXShowPlaybackTest, SourceSetUpFailuresAreTheResult) {
    auto dx = CreatePlayer();
    const std::u16string wave = Write("tone.wav", HalfSecondWave());
    {
        const ScopedFault fault("QueryInterface(IFilterGraph2)", E_NOINTERFACE);
        EXPECT_EQ(dx->RenderWithSourceFilter(wave, CLSID_AsyncReader, false, u"A"), E_NOINTERFACE);
    }
    {
        const ScopedFault fault("IBaseFilter::EnumPins", E_OUTOFMEMORY);
        EXPECT_EQ(dx->RenderWithSourceFilter(wave, CLSID_AsyncReader, false, u"B"), E_OUTOFMEMORY);
    }
    const CLSID unknown{0x7E570099, 0x1, 0x1, {1, 2, 3, 4, 5, 6, 7, 8}};
    EXPECT_EQ(dx->RenderWithSourceFilter(wave, unknown, false, u"C"), REGDB_E_CLASSNOTREG);
    // A class that is no file source cannot be given the file.
    EXPECT_THROW(dx->RenderWithSourceFilter(wave, CLSID_WAVEParser, false, u"D"), EIntfCastError);
    EXPECT_TRUE(errors.empty());
}

// Graph files.

TEST_F(DXShowPlaybackTest, SavedGraphFileIsACompoundFileThatLoadsBackTheSameGraph) {
    auto dx = CreatePlayer();
    dx->insertVideoRenderer = true;
    ASSERT_EQ(dx->RenderFile(Write("clip.mpg", OneSecondMpeg1()), true), S_OK);
    const std::vector<std::string> built = Describe(dx->Graph().Get());
    const std::u16string graphFile = PathText(dir.path() / "clip.grf");

    ASSERT_EQ(dx->SaveGraphFile(graphFile), S_OK);

    std::ifstream in(dir.path() / "clip.grf", std::ios::binary);
    std::vector<unsigned char> signature(8);
    in.read(reinterpret_cast<char*>(signature.data()), 8);
    EXPECT_EQ(signature,
              (std::vector<unsigned char>{0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1}));
    {
        ComPtr<IStorage> storage;
        ASSERT_EQ(StgOpenStorage(graphFile.c_str(), nullptr, STGM_READ | STGM_SHARE_DENY_WRITE,
                                 nullptr, 0, storage.GetAddressOf()),
                  S_OK);
        ComPtr<IStream> stream;
        ASSERT_EQ(storage->OpenStream(u"ActiveMovieGraph", nullptr,
                                      STGM_READ | STGM_SHARE_EXCLUSIVE, 0, stream.GetAddressOf()),
                  S_OK);
        char magic[4]{};
        ULONG read = 0;
        EXPECT_EQ(stream->Read(magic, 4, &read), S_OK);
        EXPECT_EQ(std::string(magic, 4), "CSGR");
    }

    auto loader = CreatePlayer();
    EXPECT_EQ(loader->LoadGraphFile(graphFile), S_OK);
    EXPECT_EQ(Describe(loader->Graph().Get()), built);
    EXPECT_DOUBLE_EQ(loader->Duration(), kSecond);
    EXPECT_TRUE(errors.empty());
}

TEST_F(DXShowPlaybackTest, FileThatIsNoCompoundFileGivesFailAfterTheGraphWasTornDown) {
    auto dx = CreatePlayer();
    const std::u16string wave = Write("tone.wav", HalfSecondWave());
    ASSERT_EQ(dx->RenderFile(wave, true), S_OK);

    EXPECT_EQ(dx->LoadGraphFile(wave), E_FAIL);
    EXPECT_TRUE(Describe(dx->Graph().Get()).empty());
    EXPECT_TRUE(dx->FileName().empty());

    EXPECT_EQ(dx->LoadGraphFile(PathText(dir.path() / "missing.grf")), E_FAIL);
    EXPECT_TRUE(errors.empty());
}

TEST_F(DXShowPlaybackTest, StorageThatCannotBeOpenedRaisesWithThePlatformText) {
    auto dx = CreatePlayer();
    ASSERT_EQ(dx->SaveGraphFile(PathText(dir.path() / "empty.grf")), S_OK);
    const ScopedFault fault("StgOpenStorage", STG_E_SHAREVIOLATION);

    try {
        dx->LoadGraphFile(PathText(dir.path() / "empty.grf"));
        FAIL() << "no exception";
    } catch (const EDShowError& error) {
        const std::u16string text = GetDSErrorText(STG_E_SHAREVIOLATION) + u" ($80030020).";
        EXPECT_EQ(error.HResult(), STG_E_SHAREVIOLATION);
        EXPECT_EQ(error.Message(), text);
        EXPECT_EQ(errors, (std::vector<Report>{{STG_E_SHAREVIOLATION, text}}));
    }
}

TEST_F(DXShowPlaybackTest, CompoundFileWithoutTheGraphStreamAnswersTheOpenFailure) {
    auto dx = CreatePlayer();
    const std::u16string other = PathText(dir.path() / "other.stg");
    {
        ComPtr<IStorage> storage;
        ASSERT_EQ(
            StgCreateDocfile(other.c_str(),
                             STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_TRANSACTED,
                             0, storage.GetAddressOf()),
            S_OK);
        ComPtr<IStream> stream;
        ASSERT_EQ(
            storage->CreateStream(u"Contents", STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0,
                                  0, stream.GetAddressOf()),
            S_OK);
        ASSERT_EQ(storage->Commit(STGC_DEFAULT), S_OK);
    }

    EXPECT_EQ(dx->LoadGraphFile(other), STG_E_FILENOTFOUND);
    {
        const ScopedFault fault("QueryInterface(IPersistStream)", E_NOINTERFACE);
        EXPECT_EQ(dx->LoadGraphFile(other), E_NOINTERFACE);
    }
    EXPECT_TRUE(errors.empty());
}

TEST_F(DXShowPlaybackTest, FailedSaveLeavesTheEarlierGraphFileAsItWas) {
    auto dx = CreatePlayer();
    ASSERT_EQ(dx->RenderFile(Write("tone.wav", HalfSecondWave()), true), S_OK);
    const std::vector<std::string> saved = Describe(dx->Graph().Get());
    const std::u16string graphFile = PathText(dir.path() / "tone.grf");
    ASSERT_EQ(dx->SaveGraphFile(graphFile), S_OK);
    // Without a video renderer in the graph only the sound of the clip is rendered.
    ASSERT_EQ(dx->RenderFile(Write("clip.mpg", OneSecondMpeg1()), true), VFW_S_PARTIAL_RENDER);

    {
        const ScopedFault fault("IPersistStream::Save", STG_E_MEDIUMFULL);
        EXPECT_EQ(dx->SaveGraphFile(graphFile), STG_E_MEDIUMFULL);
    }
    {
        const ScopedFault fault("QueryInterface(IPersistStream)", E_NOINTERFACE);
        EXPECT_EQ(dx->SaveGraphFile(graphFile), E_NOINTERFACE);
    }
    EXPECT_EQ(dx->SaveGraphFile(PathText(dir.path() / "no-such-dir" / "x.grf")),
              STG_E_PATHNOTFOUND);

    EXPECT_EQ(dx->LoadGraphFile(graphFile), S_OK);
    EXPECT_EQ(Describe(dx->Graph().Get()), saved);
}

// Positions and rate over a rendered file.

TEST_F(DXShowPlaybackTest, PositionsAreDaysAtTheSurfaceAndMediaTimeOnThePlatform) {
    auto dx = CreatePlayer();
    dx->insertVideoRenderer = true;
    ASSERT_EQ(dx->RenderFile(Write("clip.mpg", OneSecondMpeg1()), true), S_OK);
    const ComPtr<IMediaSeeking> seeking = Seeking(*dx);

    dx->SetPosition(0.25 * kSecond);
    LONGLONG current = 0;
    seeking->GetCurrentPosition(&current);
    EXPECT_EQ(current, 2500000);

    LONGLONG moved = 5000000;
    ASSERT_EQ(seeking->SetPositions(&moved, AM_SEEKING_AbsolutePositioning, nullptr,
                                    AM_SEEKING_NoPositioning),
              S_OK);
    EXPECT_DOUBLE_EQ(dx->GetPosition(), 0.5 * kSecond);

    // A position before the start is refused by the platform and reported.
    dx->SetPosition(-kSecond);
    EXPECT_EQ(errors, (std::vector<Report>{{E_INVALIDARG, Formatted(u"TDXShow.SetPositions",
                                                                    E_INVALIDARG, u"80070057")}}));
    EXPECT_DOUBLE_EQ(dx->GetPosition(), 0.5 * kSecond);
}

TEST_F(DXShowPlaybackTest, StopPositionZeroMeansTheEndOfTheMedia) {
    auto dx = CreatePlayer();
    dx->insertVideoRenderer = true;
    ASSERT_EQ(dx->RenderFile(Write("clip.mpg", OneSecondMpeg1()), true), S_OK);
    const ComPtr<IMediaSeeking> seeking = Seeking(*dx);
    LONGLONG stop = 0;

    dx->SetStopPosition(0.5 * kSecond);
    seeking->GetStopPosition(&stop);
    EXPECT_EQ(stop, 5000000);

    dx->SetStopPosition(0);
    seeking->GetStopPosition(&stop);
    EXPECT_EQ(stop, 10000000);
    EXPECT_EQ(dx->StopPosition(), 0);

    dx->SetStopPosition(-kSecond);
    EXPECT_EQ(dx->StopPosition(), -kSecond);
    EXPECT_EQ(errors, (std::vector<Report>{{E_INVALIDARG, Formatted(u"SetStopPosition",
                                                                    E_INVALIDARG, u"80070057")}}));
}

TEST_F(DXShowPlaybackTest, SpeedIsThePlatformRateAndRefusedRatesAreReported) {
    auto dx = CreatePlayer();
    ASSERT_EQ(dx->RenderFile(Write("tone.wav", HalfSecondWave()), true), S_OK);
    EXPECT_EQ(dx->Speed(), 1.0);

    dx->SetSpeed(2.0);
    EXPECT_EQ(dx->Speed(), 2.0);

    // The file source plays forwards only.
    dx->SetSpeed(-1.0);
    EXPECT_EQ(dx->Speed(), 2.0);
    EXPECT_EQ(
        errors,
        (std::vector<Report>{{E_INVALIDARG, Formatted(u"SetSpeed", E_INVALIDARG, u"80070057")}}));

    const ScopedFault fault("IMediaSeeking::GetRate", E_FAIL);
    EXPECT_EQ(dx->Speed(), 1.0);
}

// Volume.

TEST_F(DXShowPlaybackTest, VolumeIsClampedToTheDecibelScale) {
    auto dx = CreatePlayer();
    ASSERT_EQ(dx->RenderFile(Write("tone.wav", HalfSecondWave()), true), S_OK);

    dx->SetVolume(-1234);
    EXPECT_EQ(dx->Volume(), -1234);
    dx->SetVolume(500);
    EXPECT_EQ(dx->Volume(), 0);
    dx->SetVolume(-20000);
    EXPECT_EQ(dx->Volume(), -10000);
    EXPECT_TRUE(errors.empty());
}

TEST_F(DXShowPlaybackTest, VolumePercentIsAnAmplitudeFactor) {
    auto dx = CreatePlayer();
    ASSERT_EQ(dx->RenderFile(Write("tone.wav", HalfSecondWave()), true), S_OK);
    const struct {
        float factor;
        int volume;
    } cases[] = {
        {0.5F, -602},
        {1.0F, 0},
        {0.1F, -2000},
        {0.00009F, -10000},
        {0.0F, -10000},
        {-3.0F, -10000},
        {2.0F, 0},
        {0.0001F, -8000},
        // Values that are not finite numbers end at the ends of the scale.
        {std::numeric_limits<float>::quiet_NaN(), -10000},
        {std::numeric_limits<float>::infinity(), 0},
        {std::numeric_limits<float>::max(), 0},
    };
    for (const auto& c : cases) {
        dx->SetVolume(-5000);
        dx->SetVolumePercent(c.factor);
        EXPECT_EQ(dx->Volume(), c.volume) << c.factor;
    }
}

TEST_F(DXShowPlaybackTest, ReadingTheVolumeWithoutAudioRaisesWritingDoesNothing) {
    auto dx = CreatePlayer();
    dx->SetVolume(-100);
    dx->SetVolumePercent(0.5F);
    EXPECT_TRUE(errors.empty());

    const std::u16string noRenderer =
        Formatted(u"TDXShow.GetVolume => BasicAudio.get_Volume", E_NOTIMPL, u"80004001");
    try {
        dx->Volume();
        FAIL() << "no exception";
    } catch (const EDShowError& error) {
        EXPECT_EQ(error.HResult(), E_NOTIMPL);
        EXPECT_EQ(error.Message(), noRenderer);
    }

    const ScopedFault fault("QueryInterface(IBasicAudio)", E_NOINTERFACE);
    dx->SetVolume(-100);
    const std::u16string noInterface = Formatted(u"TDXShow.GetVolume", E_NOINTERFACE, u"80004002");
    EXPECT_THROW(dx->Volume(), EDShowError);
    EXPECT_EQ(errors, (std::vector<Report>{{E_NOTIMPL, noRenderer}, {E_NOINTERFACE, noInterface}}));
}

}  // namespace
}  // namespace capspect::test
