// TPinList over simulated filters.
#include <gtest/gtest.h>

#include "Components/VQDirectShow/PinList.h"
#include "framework/Exceptions.h"
#include "platform/directshow/filter.h"
#include "platform/support/comobject.h"
#include "platform/support/comptr.h"
#include "platform/support/faults.h"

namespace capspect {
namespace {

constexpr CLSID kMixerClsid{0x5A5C0001, 0x4, 0x4, {1, 2, 3, 4, 5, 6, 7, 8}};

// Two inputs around one output, so that a direction's pins are not adjacent.
class Mixer : public sim::Filter {
public:
    Mixer() : Filter(kMixerClsid) {
        AddInputPin(u"Video");
        AddOutputPin(u"Out");
        AddInputPin(u"Overlay");
    }
};

ULONG RefCount(IBaseFilter* object) {
    object->AddRef();
    return object->Release();
}

IPin* PinOf(sim::Filter& filter, std::size_t index) {
    return filter.Pins().at(index).get();
}

TEST(PinListTest, HoldsThePinsOfOneDirectionInOrder) {
    const auto mixer = MakeComObject<Mixer>();
    const TPinList inputs(mixer.Get(), PINDIR_INPUT);
    ASSERT_EQ(inputs.Count(), 2);
    EXPECT_EQ(inputs.Items(0).Get(), PinOf(*mixer, 0));
    EXPECT_EQ(inputs.Items(1).Get(), PinOf(*mixer, 2));
    EXPECT_EQ(inputs.Filter(), static_cast<IBaseFilter*>(mixer.Get()));

    const TPinList outputs(mixer.Get(), PINDIR_OUTPUT);
    ASSERT_EQ(outputs.Count(), 1);
    EXPECT_EQ(outputs.Items(0).Get(), PinOf(*mixer, 1));
    EXPECT_THROW(outputs.Items(1), EListError);
    EXPECT_THROW(outputs.Items(-1), EListError);
}

TEST(PinListTest, UpdateRefillsTheList) {
    const auto mixer = MakeComObject<Mixer>();
    TPinList pins(mixer.Get(), PINDIR_OUTPUT);
    mixer->AddOutputPin(u"Second out");
    pins.Update(PINDIR_OUTPUT);
    EXPECT_EQ(pins.Count(), 2);
    pins.Update(PINDIR_INPUT);
    EXPECT_EQ(pins.Count(), 2);
    EXPECT_EQ(pins.Items(1).Get(), PinOf(*mixer, 2));
    {
        const ScopedFault fault("IBaseFilter::EnumPins", E_OUTOFMEMORY);
        pins.Update(PINDIR_INPUT);
    }
    EXPECT_EQ(pins.Count(), 0);
    {
        const ScopedFault fault("IPin::QueryDirection", E_UNEXPECTED);
        pins.Update(PINDIR_INPUT);
    }
    EXPECT_EQ(pins.Count(), 0);

    TPinList empty(nullptr, PINDIR_INPUT);
    EXPECT_EQ(empty.Count(), 0);
    EXPECT_EQ(empty.Filter(), nullptr);
}

TEST(PinListTest, AddAppendsAndItemsRefusesWhatIsNotAPin) {
    const auto mixer = MakeComObject<Mixer>();
    TPinList pins(mixer.Get(), PINDIR_OUTPUT);
    EXPECT_EQ(pins.Add(PinOf(*mixer, 0)), 1);
    EXPECT_EQ(pins.Items(1).Get(), PinOf(*mixer, 0));

    TInterfaceList& list = pins;
    const int index = list.Add(ComPtr<IUnknown>(static_cast<IBaseFilter*>(mixer.Get())));
    EXPECT_THROW(pins.Items(index), EIntfCastError);
}

TEST(PinListTest, PinInfoReleasesTheFilterItHeldBefore) {
    const auto mixer = MakeComObject<Mixer>();
    const TPinList pins(mixer.Get(), PINDIR_INPUT);
    const ULONG refs = RefCount(mixer.Get());
    {
        OwnedPinInfo info;
        ASSERT_EQ(pins.PinInfo(0, info), S_OK);
        EXPECT_EQ(info.Name(), u"Video");
        ASSERT_EQ(pins.PinInfo(1, info), S_OK);
        EXPECT_EQ(info.Name(), u"Overlay");
        EXPECT_EQ(info.Direction(), PINDIR_INPUT);
        EXPECT_EQ(info.Filter(), static_cast<IBaseFilter*>(mixer.Get()));
        EXPECT_EQ(RefCount(mixer.Get()), refs + 1);
        const ScopedFault fault("IPin::QueryPinInfo", E_UNEXPECTED);
        EXPECT_EQ(pins.PinInfo(0, info), E_UNEXPECTED);
        EXPECT_EQ(info.Filter(), nullptr);
    }
    EXPECT_EQ(RefCount(mixer.Get()), refs);
}

TEST(PinListTest, DestructionReleasesTheFilterAndThePins) {
    const auto mixer = MakeComObject<Mixer>();
    const ULONG refs = RefCount(mixer.Get());
    {
        TPinList pins(mixer.Get(), PINDIR_INPUT);
        pins.Add(PinOf(*mixer, 1));
        // The filter, plus its three pins, which share its count.
        EXPECT_EQ(RefCount(mixer.Get()), refs + 4);
    }
    EXPECT_EQ(RefCount(mixer.Get()), refs);
}

}  // namespace
}  // namespace capspect
