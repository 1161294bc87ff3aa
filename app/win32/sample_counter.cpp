#include "app/win32/sample_counter.h"

namespace capspect {
namespace {

// {6C2B7E55-0F1D-4C39-9A0B-5E1F7D3A2C61}: the class of the counting renderer.
const CLSID kSampleCounterClass{
    0x6c2b7e55, 0x0f1d, 0x4c39, {0x9a, 0x0b, 0x5e, 0x1f, 0x7d, 0x3a, 0x2c, 0x61}};

}  // namespace

CountingPin::CountingPin(sim::Filter& filter, SampleCounter& counter)
    : WithInterfaces(filter, PINDIR_INPUT, u"In"), counter_(counter) {}

HRESULT CountingPin::CheckMediaType(const AM_MEDIA_TYPE& mediaType) const {
    return mediaType.majortype == MEDIATYPE_Video ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CountingPin::GetAllocator(IMemAllocator** allocator) {
    if (allocator == nullptr) {
        return E_POINTER;
    }
    *allocator = nullptr;
    return VFW_E_NO_ALLOCATOR;  // the upstream pin brings its own
}

HRESULT CountingPin::NotifyAllocator(IMemAllocator* allocator, BOOL /*readOnly*/) {
    return allocator != nullptr ? S_OK : E_POINTER;
}

HRESULT CountingPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES* /*properties*/) {
    return E_NOTIMPL;
}

HRESULT CountingPin::Receive(IMediaSample* sample) {
    if (sample == nullptr) {
        return E_POINTER;
    }
    if (Owner().State() == State_Stopped) {
        return VFW_E_WRONG_STATE;
    }
    REFERENCE_TIME start = 0;
    REFERENCE_TIME end = 0;
    if (FAILED(sample->GetTime(&start, &end))) {
        start = -1;  // a sample without a time
    }
    counter_.Received(start);
    return S_OK;
}

HRESULT CountingPin::ReceiveMultiple(IMediaSample** samples, long count, long* processed) {
    long done = 0;
    HRESULT hr = S_OK;
    for (; done < count && SUCCEEDED(hr); ++done) {
        hr = Receive(samples[done]);
    }
    if (processed != nullptr) {
        *processed = done;
    }
    return hr;
}

HRESULT CountingPin::ReceiveCanBlock() {
    return S_FALSE;
}

SampleCounter::SampleCounter() : Filter(kSampleCounterClass, AM_FILTER_MISC_FLAGS_IS_RENDERER) {
    input_ = &AddPin<CountingPin>(*this);
}

void SampleCounter::Reset() {
    const std::lock_guard lock(mutex_);
    samples_ = {};
}

void SampleCounter::Received(REFERENCE_TIME start) {
    {
        const std::lock_guard lock(mutex_);
        samples_.startTimes.push_back(start);
        samples_.arrivals.push_back(std::chrono::steady_clock::now());
    }
    arrived_.notify_all();
}

ReceivedSamples SampleCounter::WaitFor(std::size_t count, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    arrived_.wait_for(lock, timeout, [&] { return samples_.startTimes.size() >= count; });
    return samples_;
}

}  // namespace capspect
