// An output pin agrees on the allocator with an input pin that takes samples through
// IMemInputPin, as the platform's pins do: the input pin's allocator, sized for the
// connection's samples within the input pin's requirements, and a refusal fails the
// connection.
#include <gtest/gtest.h>

#include "tests/sim/test_filters.h"

namespace capspect::sim::test {
namespace {

class RecordingAllocator final : public ComObject<IMemAllocator> {
public:
    HRESULT STDMETHODCALLTYPE SetProperties(ALLOCATOR_PROPERTIES* request,
                                            ALLOCATOR_PROPERTIES* actual) override {
        requested = *request;
        *actual = *request;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetProperties(ALLOCATOR_PROPERTIES* properties) override {
        *properties = requested;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Commit() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Decommit() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetBuffer(IMediaSample**, REFERENCE_TIME*, REFERENCE_TIME*,
                                        DWORD) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE ReleaseBuffer(IMediaSample*) override { return E_NOTIMPL; }

    ALLOCATOR_PROPERTIES requested{};
};

// An input pin with its own allocator and requirements; NotifyAllocator answers `notify`.
class MemInputPin final : public WithInterfaces<Pin, IMemInputPin> {
public:
    MemInputPin(Filter& filter, HRESULT notify)
        : WithInterfaces(filter, PINDIR_INPUT, u"In", {Pattern(MEDIATYPE_Video)}),
          notify_(notify) {}

    HRESULT STDMETHODCALLTYPE GetAllocator(IMemAllocator** allocator) override {
        *allocator = allocator_.Get();
        (*allocator)->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE NotifyAllocator(IMemAllocator* allocator, BOOL) override {
        notified = allocator;
        return notify_;
    }
    HRESULT STDMETHODCALLTYPE GetAllocatorRequirements(ALLOCATOR_PROPERTIES* wanted) override {
        *wanted = {3, 0, 16, 0};
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ReceiveMultiple(IMediaSample**, LONG, LONG*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE ReceiveCanBlock() override { return S_FALSE; }

    const ComPtr<RecordingAllocator> allocator_ = MakeComObject<RecordingAllocator>();
    IMemAllocator* notified = nullptr;

private:
    const HRESULT notify_;
};

class SampleSink : public Filter {
public:
    explicit SampleSink(HRESULT notify) : Filter(kVideoRendererClsid) {
        input = &AddPin<MemInputPin>(notify);
    }
    MemInputPin* input;
};

TEST(PinAllocator, TheInputPinsAllocatorIsSizedForTheSamples) {
    const auto source = MakeComObject<SourceFilter>();
    const auto sink = MakeComObject<SampleSink>(S_OK);
    Pin& output = *source->Pins().front();
    ASSERT_EQ(output.Connect(sink->input, nullptr), S_OK);
    EXPECT_EQ(sink->input->notified, sink->input->allocator_.Get());
    const ALLOCATOR_PROPERTIES& asked = sink->input->allocator_->requested;
    EXPECT_EQ(asked.cBuffers, 3);
    EXPECT_EQ(asked.cbBuffer, 640 * 480 * 2);  // one YUY2 image
    EXPECT_EQ(asked.cbAlign, 16);
    output.Disconnect();
    sink->input->Disconnect();
}

TEST(PinAllocator, ARefusedAllocatorFailsTheConnection) {
    const auto source = MakeComObject<SourceFilter>();
    const auto sink = MakeComObject<SampleSink>(VFW_E_TYPE_NOT_ACCEPTED);
    Pin& output = *source->Pins().front();
    // Every type the pins could agree on failed with it.
    EXPECT_EQ(output.Connect(sink->input, nullptr), VFW_E_NO_ACCEPTABLE_TYPES);
    EXPECT_FALSE(output.IsConnected());
    EXPECT_FALSE(sink->input->IsConnected());
}

}  // namespace
}  // namespace capspect::sim::test
