// Source filters, aspect ratios, creating filters by class, friendly names from the
// registry and COM identity.
#include <gtest/gtest.h>

#include "dshow/DSUtils.h"
#include "dshow/DShowUtil.h"
#include "framework/Exceptions.h"
#include "platform/linux/com.h"
#include "platform/support/faults.h"
#include "platform/linux/registry.h"
#include "platform/sdk/com.h"
#include "platform/sdk/dshow/categories.h"
#include "platform/sdk/registry.h"
#include "platform/support/comobject.h"
#include "platform/support/comptr.h"
#include "platform/support/guids.h"
#include "tests/dshow/dshow_fixtures.h"

namespace capspect::dshow_test {
namespace {

using sim::test::SourceFilter;
using sim::test::TransformFilter;

using SourceFilterTest = GraphTest;

TEST_F(SourceFilterTest, MiscFlagsDecideWhenOfferedElseTheFileSourceInterface) {
    bool isSource = false;
    EXPECT_EQ(IsSourceFilter(MakeComObject<SourceFilter>().Get(), &isSource), S_OK);
    EXPECT_TRUE(isSource);
    EXPECT_EQ(IsSourceFilter(MakeComObject<TransformFilter>().Get(), &isSource), S_OK);
    EXPECT_FALSE(isSource);
    EXPECT_EQ(IsSourceFilter(MakeComObject<FileReader>().Get(), &isSource), S_OK);
    EXPECT_TRUE(isSource);
    EXPECT_EQ(IsSourceFilter(MakeComObject<BareFilter<>>().Get(), &isSource), E_NOINTERFACE);
    EXPECT_FALSE(isSource);
    EXPECT_EQ(IsSourceFilter(nullptr, &isSource), E_POINTER);
}

TEST_F(SourceFilterTest, FindSourceFilterAnswersTheGraphsSource) {
    ComPtr<IBaseFilter> found;
    Add<TransformFilter>(u"Decoder");
    EXPECT_FALSE(FindSourceFilter(graph.Get(), found.GetAddressOf()));
    EXPECT_EQ(found, nullptr);

    auto source = Add<SourceFilter>(u"Source");
    EXPECT_TRUE(FindSourceFilter(graph.Get(), found.GetAddressOf()));
    EXPECT_EQ(found.Get(), static_cast<IBaseFilter*>(source.Get()));
    EXPECT_FALSE(FindSourceFilter(nullptr, found.ReleaseAndGetAddressOf()));
    EXPECT_EQ(found, nullptr);
}

using AspectRatioTest = GraphTest;

TEST_F(AspectRatioTest, ReadsThePictureAspectOfAVideoInfo2Connection) {
    auto source = Add<VideoSource>(u"Source", VideoInfo2Type(16, 9));
    auto renderer = Add<AnyVideoRenderer>(u"Renderer");
    EXPECT_EQ(GetPictureAspectRatio(source.Get()), 0.0F);

    ASSERT_EQ(graph->ConnectDirect(PinOf(*source, 0), PinOf(*renderer, 0), nullptr), S_OK);
    EXPECT_FLOAT_EQ(GetPictureAspectRatio(source.Get()), 0.5625F);
    EXPECT_FLOAT_EQ(GetPictureAspectRatio(renderer.Get()), 0.5625F);
}

TEST_F(AspectRatioTest, IgnoresOtherFormatsZeroRatiosAndShortBlocks) {
    auto renderer = Add<AnyVideoRenderer>(u"Renderer");
    for (const MediaType& mediaType :
         {sim::test::VideoType(MEDIASUBTYPE_YUY2), VideoInfo2Type(0, 9),
          VideoInfo2Type(16, 9, offsetof(VIDEOINFOHEADER2, dwControlFlags))}) {
        auto source = Add<VideoSource>(u"Source", mediaType);
        ASSERT_EQ(graph->ConnectDirect(PinOf(*source, 0), PinOf(*renderer, 0), nullptr), S_OK);
        EXPECT_EQ(GetPictureAspectRatio(source.Get()), 0.0F);
        ASSERT_EQ(RemoveFilterFromGraph(graph.Get(), source.Get()), S_OK);
    }
}

using AddFilterTest = GraphTest;

TEST_F(AddFilterTest, CreatesTheClassAndAddsItUnderTheName) {
    const ScopedClassRegistration countedClass(kCountedClsid, FactoryFor<CountedFilter>());
    ComPtr<IBaseFilter> filter;
    ASSERT_EQ(AddFilterByCLSID(graph.Get(), kCountedClsid, u"Counted", filter.GetAddressOf()),
              S_OK);
    ComPtr<IBaseFilter> byName;
    EXPECT_EQ(graph->FindFilterByName(u"Counted", byName.GetAddressOf()), S_OK);
    EXPECT_EQ(byName, filter);
    byName = nullptr;
    // One reference for the graph, one for the caller.
    EXPECT_EQ(RefCount(filter.Get()), 2U);
}

TEST_F(AddFilterTest, FailuresLeaveNoFilterBehind) {
    const ScopedClassRegistration countedClass(kCountedClsid, FactoryFor<CountedFilter>());
    ComPtr<IBaseFilter> filter;
    {
        const ScopedFault fault("IFilterGraph::AddFilter", VFW_E_DUPLICATE_NAME);
        EXPECT_EQ(AddFilterByCLSID(graph.Get(), kCountedClsid, u"Counted", filter.GetAddressOf()),
                  VFW_E_DUPLICATE_NAME);
    }
    EXPECT_EQ(filter, nullptr);
    EXPECT_EQ(CountedFilter::live, 0);
    EXPECT_EQ(AddFilterByCLSID(graph.Get(), kPlainClsid, u"Plain", filter.GetAddressOf()),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(filter, nullptr);
    EXPECT_EQ(AddFilterByCLSID(nullptr, kCountedClsid, u"Counted", filter.GetAddressOf()),
              E_POINTER);
    EXPECT_EQ(CountedFilter::live, 0);
    EXPECT_TRUE(FilterNames().empty());
}

class FriendlyNameTest : public ::testing::Test {
protected:
    static constexpr CLSID kFilter{0x5A5B0101, 0x3, 0x3, {1, 2, 3, 4, 5, 6, 7, 8}};

    static std::u16string InstanceKey(const GUID& category) {
        return u"CLSID\\" + GuidToU16String(category) + u"\\Instance\\" + GuidToU16String(kFilter);
    }
    void TearDown() override {
        for (const GUID* category : {&CLSID_ActiveMovieCategories, &CLSID_AudioRendererCategory}) {
            Registry::Instance().RemoveKey(HKEY_CLASSES_ROOT, InstanceKey(*category));
        }
    }
};

TEST_F(FriendlyNameTest, FindsTheNameInAVideoInputDeviceCategory) {
    EXPECT_EQ(GetFilterFriendlyName(kFilter), u"");
    const ScopedFilterRegistration device(CLSID_VideoInputDeviceCategory, kFilter, u"Grabber",
                                          u"grabber.ax");
    EXPECT_EQ(GetFilterFriendlyName(kFilter), u"Grabber");
}

TEST_F(FriendlyNameTest, EarlierCategoriesWin) {
    const ScopedFilterRegistration capture(AM_KSCATEGORY_CAPTURE, kFilter, u"KS capture",
                                           u"ks.sys");
    const ScopedFilterRegistration device(CLSID_VideoInputDeviceCategory, kFilter, u"Grabber",
                                          u"grabber.ax");
    EXPECT_EQ(GetFilterFriendlyName(kFilter), u"Grabber");
    const ScopedFilterRegistration legacy(CLSID_LegacyAmFilterCategory, kFilter, u"Legacy",
                                          u"grabber.ax");
    EXPECT_EQ(GetFilterFriendlyName(kFilter), u"Legacy");
}

TEST_F(FriendlyNameTest, SkipsEmptyAndNonStringValues) {
    const ScopedFilterRegistration device(CLSID_VideoInputDeviceCategory, kFilter, u"Grabber",
                                          u"grabber.ax");
    Registry::Instance().SetDword(HKEY_CLASSES_ROOT, InstanceKey(CLSID_ActiveMovieCategories),
                                  u"FriendlyName", 7);
    Registry::Instance().SetString(HKEY_CLASSES_ROOT, InstanceKey(CLSID_AudioRendererCategory),
                                   u"FriendlyName", u"");
    EXPECT_EQ(GetFilterFriendlyName(kFilter), u"Grabber");
}

TEST(IsEqualObjectTest, ComparesObjectsNotInterfacePointers) {
    const ComPtr<IBaseFilter> source = MakeComObject<SourceFilter>();
    const ComPtr<IBaseFilter> other = MakeComObject<SourceFilter>();
    ComPtr<IAMFilterMiscFlags> flags;
    ASSERT_EQ(source.As(&flags), S_OK);
    ASSERT_NE(static_cast<void*>(flags.Get()), static_cast<void*>(source.Get()));

    EXPECT_TRUE(IsEqualObject(source.Get(), flags.Get()));
    EXPECT_FALSE(IsEqualObject(other.Get(), flags.Get()));
    EXPECT_TRUE(IsEqualObject(nullptr, nullptr));
    EXPECT_THROW(IsEqualObject(source.Get(), nullptr), EAssertionFailed);
    EXPECT_EQ(RefCount(source.Get()), 2U);
}

}  // namespace
}  // namespace capspect::dshow_test
