// The sample counter verify streams the system's devices into: what its input pin takes,
// and what it keeps of the samples it receives (from the system's memory allocator here).
#include <windows.h>

#include <dshow.h>
#include <gtest/gtest.h>

#include <chrono>

#include "app/win32/sample_counter.h"
#include "platform/support/comobject.h"
#include "platform/support/mediatypes.h"
#include "tests/windows/com_apartment.h"

namespace capspect {
namespace {

using namespace std::chrono_literals;

// A sample of the system's memory allocator, with or without a time.
ComPtr<IMediaSample> Sample(IMemAllocator& allocator, const REFERENCE_TIME* start) {
    ComPtr<IMediaSample> sample;
    EXPECT_EQ(allocator.GetBuffer(sample.GetAddressOf(), nullptr, nullptr, 0), S_OK);
    if (sample && start != nullptr) {
        REFERENCE_TIME begin = *start;
        REFERENCE_TIME end = *start + 1;
        sample->SetTime(&begin, &end);
    }
    return sample;
}

TEST(SampleCounter, TakesVideoAndKeepsEachSamplesTimeWhileRunning) {
    const test::ComApartment apartment;
    const ComPtr<SampleCounter> counter = MakeComObject<SampleCounter>();
    CountingPin& input = counter->Input();
    EXPECT_EQ(input.QueryAccept(&MediaType(MEDIATYPE_Video, MEDIASUBTYPE_RGB24).Get()), S_OK);
    EXPECT_NE(input.QueryAccept(&MediaType(MEDIATYPE_Audio, MEDIASUBTYPE_PCM).Get()), S_OK);

    ComPtr<IMemAllocator> allocator;
    ASSERT_EQ(CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER,
                               IID_PPV_ARGS(allocator.GetAddressOf())),
              S_OK);
    ALLOCATOR_PROPERTIES wanted{2, 1024, 1, 0};
    ALLOCATOR_PROPERTIES actual{};
    ASSERT_EQ(allocator->SetProperties(&wanted, &actual), S_OK);
    ASSERT_EQ(allocator->Commit(), S_OK);
    EXPECT_EQ(input.NotifyAllocator(allocator.Get(), FALSE), S_OK);

    const REFERENCE_TIME first = 400'000;
    EXPECT_EQ(input.Receive(Sample(*allocator.Get(), &first).Get()), VFW_E_WRONG_STATE)
        << "a stopped renderer takes no samples";
    ASSERT_EQ(counter->Run(0), S_OK);
    EXPECT_EQ(input.Receive(Sample(*allocator.Get(), &first).Get()), S_OK);
    EXPECT_EQ(input.Receive(Sample(*allocator.Get(), nullptr).Get()), S_OK);
    const ReceivedSamples received = counter->WaitFor(2, 0ms);
    EXPECT_EQ(received.startTimes, (std::vector<REFERENCE_TIME>{first, -1}));
    EXPECT_EQ(received.arrivals.size(), 2U);
    EXPECT_EQ(counter->WaitFor(3, 10ms).startTimes.size(), 2U) << "the wait ends at its timeout";
    counter->Reset();
    EXPECT_TRUE(counter->WaitFor(1, 0ms).startTimes.empty());
    counter->Stop();
    allocator->Decommit();
}

}  // namespace
}  // namespace capspect
