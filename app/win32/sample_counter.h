// A renderer filter of ours for the system's filter graph that counts the samples its one
// input pin receives and keeps their start times, so that verify can stream a system
// capture device for real. It accepts any video type and takes the upstream allocator.
#pragma once

#include <windows.h>

#include <dshow.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/directshow/filter.h"
#include "platform/directshow/interfaces.h"

namespace capspect {

// What arrived since the last Reset.
struct ReceivedSamples {
    // The samples' own start times in arrival order; -1 for a sample without a time.
    std::vector<REFERENCE_TIME> startTimes;
    // When each arrived.
    std::vector<std::chrono::steady_clock::time_point> arrivals;
};

class SampleCounter;

class CountingPin final : public sim::WithInterfaces<sim::Pin, IMemInputPin> {
public:
    CountingPin(sim::Filter& filter, SampleCounter& counter);

    HRESULT STDMETHODCALLTYPE GetAllocator(IMemAllocator** allocator) override;
    HRESULT STDMETHODCALLTYPE NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) override;
    HRESULT STDMETHODCALLTYPE GetAllocatorRequirements(ALLOCATOR_PROPERTIES* properties) override;
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) override;
    HRESULT STDMETHODCALLTYPE ReceiveMultiple(IMediaSample** samples, long count,
                                              long* processed) override;
    HRESULT STDMETHODCALLTYPE ReceiveCanBlock() override;

protected:
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& mediaType) const override;

private:
    SampleCounter& counter_;
};

class SampleCounter final : public sim::Filter {
public:
    SampleCounter();

    CountingPin& Input() const { return *input_; }

    // Forgets what arrived so far.
    void Reset();
    // Waits until `count` samples arrived or `timeout` passed, whichever comes first.
    ReceivedSamples WaitFor(std::size_t count, std::chrono::milliseconds timeout);

    void Received(REFERENCE_TIME start);

private:
    CountingPin* input_ = nullptr;
    std::mutex mutex_;
    std::condition_variable arrived_;
    ReceivedSamples samples_;
};

}  // namespace capspect
