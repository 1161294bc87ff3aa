// The graph component on the system's own DirectShow: the filter graph manager, the AVI
// splitter and the null renderer are the platform's, not ours.
#include <windows.h>

#include <dshow.h>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "Components/VQDirectShow/DXShow.h"
#include "dshow/DShowUtil.h"
#include "platform/support/comptr.h"
#include "tests/support/media_builders.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wine.h"
#include "tests/windows/com_apartment.h"

namespace {

using namespace capspect;

// qedit.h's null renderer, which mingw-w64 does not declare.
constexpr CLSID kNullRenderer = {
    0xC1F400A4, 0x3F08, 0x11D3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};

// Dispatches this thread's messages (the graph's events arrive as one) until `done` holds
// or `limit` has passed; the limit only keeps a broken platform from hanging the run.
bool DispatchMessagesUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return false;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left.count()), QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return true;
}

// Waits until the advise thread of the graph's reference clock has answered one request.
// Wine 8's system clock can deadlock when its last reference goes while the thread it
// starts at the first advise has not reached its wait yet (the stop signal is lost), which
// happens when a graph that ran briefly is released on a loaded machine.
void WaitForTheClockThread(IGraphBuilder& graph) {
    ComPtr<IMediaFilter> filter;
    ComPtr<IReferenceClock> clock;
    ASSERT_EQ(
        graph.QueryInterface(IID_IMediaFilter, reinterpret_cast<void**>(filter.GetAddressOf())),
        S_OK);
    if (filter->GetSyncSource(clock.GetAddressOf()) != S_OK || !clock) {
        return;  // no clock, no thread
    }
    const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(event, nullptr);
    REFERENCE_TIME now = 0;
    DWORD_PTR cookie = 0;
    clock->GetTime(&now);
    const HRESULT advised = clock->AdviseTime(now, 0, reinterpret_cast<HEVENT>(event), &cookie);
    const DWORD waited = SUCCEEDED(advised) ? WaitForSingleObject(event, 10000) : WAIT_FAILED;
    CloseHandle(event);
    ASSERT_EQ(advised, S_OK);
    ASSERT_EQ(waited, WAIT_OBJECT_0) << "the clock never signalled";
    Sleep(50);  // lets the thread get back into its wait
}

class SystemGraphTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(apartment_.Result(), S_OK); }

    // A file source for `file` through the AVI splitter into the null renderer.
    static void BuildFilePlayback(TDXShow& show, const std::filesystem::path& file) {
        IGraphBuilder* const graph = show.Graph().Get();
        ComPtr<IBaseFilter> source;
        ComPtr<IBaseFilter> splitter;
        ComPtr<IBaseFilter> renderer;
        ASSERT_EQ(graph->AddSourceFilter(file.c_str(), L"source", source.GetAddressOf()), S_OK);
        ASSERT_EQ(AddFilterByCLSID(graph, CLSID_AviSplitter, L"splitter", splitter.GetAddressOf()),
                  S_OK);
        ASSERT_EQ(AddFilterByCLSID(graph, kNullRenderer, L"null renderer", renderer.GetAddressOf()),
                  S_OK);
        ASSERT_EQ(ConnectFilters(graph, source.Get(), splitter.Get()), S_OK);
        ASSERT_EQ(ConnectFilters(graph, splitter.Get(), renderer.Get()), S_OK);
    }

    std::vector<std::u16string> FilterNames(TDXShow& show) {
        std::vector<std::u16string> names;
        ComPtr<IEnumFilters> filters;
        EXPECT_EQ(show.Graph()->EnumFilters(filters.GetAddressOf()), S_OK);
        ComPtr<IBaseFilter> filter;
        while (filters && filters->Next(1, filter.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
            FILTER_INFO info{};
            if (SUCCEEDED(filter->QueryFilterInfo(&info))) {
                names.emplace_back(reinterpret_cast<const char16_t*>(info.achName));
                if (info.pGraph != nullptr) {
                    info.pGraph->Release();
                }
            }
        }
        return names;
    }

    test::ComApartment apartment_;
    test::TempDir dir_;
    std::vector<std::u16string> errors_;
    TDXShowReports reports_{
        [this](HRESULT, const std::u16string& text) { errors_.push_back(text); }, {}};
};

TEST_F(SystemGraphTest, IsMadeAndTornDown) {
    TDXShow show(reports_);
    ASSERT_TRUE(show.Graph());
    EXPECT_EQ(show.GraphState(), gsStopped);
    BuildFilePlayback(show, dir_.Write("clip.avi", test::PlayableAviFile(5)));
    EXPECT_GE(FilterNames(show).size(), 3u);  // source, splitter, renderer

    show.TearDownGraph();
    EXPECT_TRUE(show.Graph());
    EXPECT_TRUE(FilterNames(show).empty());
    EXPECT_EQ(show.GraphState(), gsStopped);
    EXPECT_TRUE(errors_.empty()) << std::string(errors_.front().begin(), errors_.front().end());
}

TEST_F(SystemGraphTest, FollowsRunPauseAndStop) {
    TDXShow show(reports_);
    BuildFilePlayback(show, dir_.Write("clip.avi", test::PlayableAviFile(250)));
    ASSERT_TRUE(SUCCEEDED(show.Pause()));
    EXPECT_TRUE(DispatchMessagesUntil([&] { return show.GraphState() == gsPaused; },
                                      std::chrono::seconds(10)));
    ASSERT_TRUE(SUCCEEDED(show.Run()));
    EXPECT_TRUE(DispatchMessagesUntil([&] { return show.GraphState() == gsRunning; },
                                      std::chrono::seconds(10)));
    EXPECT_TRUE(show.IsPlaying());
    ASSERT_TRUE(SUCCEEDED(show.Stop()));
    EXPECT_EQ(show.GraphState(), gsStopped);
    EXPECT_FALSE(show.IsPlaying());
    WaitForTheClockThread(*show.Graph().Get());
}

TEST_F(SystemGraphTest, FinishesWhenTheFileHasPlayed) {
    TDXShow show(reports_);
    int finished = 0;
    show.SetOnFinished([&](TComponent&) { ++finished; });
    BuildFilePlayback(show, dir_.Write("clip.avi", test::PlayableAviFile(5)));
    ASSERT_TRUE(SUCCEEDED(show.Run()));
    // Five frames at 25 per second: EC_COMPLETE after a fifth of a second.
    ASSERT_TRUE(DispatchMessagesUntil([&] { return finished > 0; }, std::chrono::seconds(20)))
        << "no EC_COMPLETE";
    EXPECT_EQ(finished, 1);
    // The component rewinds and shows the first frame (StopWhenReady), which the platform
    // completes asynchronously.
    EXPECT_TRUE(DispatchMessagesUntil([&] { return show.GraphState() == gsStopped; },
                                      std::chrono::seconds(10)));
    WaitForTheClockThread(*show.Graph().Get());
}

TEST_F(SystemGraphTest, SavesAndLoadsGraphFiles) {
    TDXShow show(reports_);
    ComPtr<IPersistStream> persist;
    if (FAILED(show.Graph().As(&persist))) {
        CAPSPECT_SKIP_UNDER_WINE("the filter graph manager has no IPersistStream");
        FAIL() << "the filter graph manager has no IPersistStream";
    }
    BuildFilePlayback(show, dir_.Write("clip.avi", test::PlayableAviFile(5)));
    const std::vector<std::u16string> built = FilterNames(show);
    const std::u16string graphFile = (dir_.path() / "clip.grf").u16string();
    ASSERT_EQ(show.SaveGraphFile(graphFile), S_OK);
    ASSERT_EQ(show.LoadGraphFile(graphFile), S_OK);
    EXPECT_EQ(FilterNames(show).size(), built.size());
}

TEST_F(SystemGraphTest, RefusesAGraphFileThatIsNoCompoundFile) {
    TDXShow show(reports_);
    const auto file = dir_.Write("plain.grf", test::PlayableAviFile(1));
    EXPECT_EQ(show.LoadGraphFile(file.u16string()), E_FAIL);
}

}  // namespace
