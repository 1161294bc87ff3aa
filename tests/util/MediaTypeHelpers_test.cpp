#include "util/MediaTypeHelpers.h"
#include "platform/support/comobject.h"
#include "platform/support/comptr.h"

#include <gtest/gtest.h>

#include <memory>

#include <objbase.h>

#include "util/FreeAndClear.h"

namespace {

using capspect::ComPtr;

using capspect::ClearMediaType;
using capspect::DisposeMediaType;

// A COM object that counts how often it was destroyed.
class Tracked : public capspect::ComObject<IUnknown> {
public:
    explicit Tracked(int& destroyed) : destroyed_(destroyed) {}
    ~Tracked() override { ++destroyed_; }

private:
    int& destroyed_;
};

// A media type that owns a format block and one reference on `unknown`.
AM_MEDIA_TYPE OwningMediaType(IUnknown* unknown) {
    AM_MEDIA_TYPE mediaType{};
    mediaType.cbFormat = sizeof(VIDEOINFOHEADER);
    mediaType.pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(mediaType.cbFormat));
    mediaType.pUnk = unknown;
    unknown->AddRef();
    return mediaType;
}

TEST(ClearMediaType, FreesTheFormatAndReleasesTheObject) {
    int destroyed = 0;
    {
        const ComPtr<Tracked> object = capspect::MakeComObject<Tracked>(destroyed);
        AM_MEDIA_TYPE mediaType = OwningMediaType(object.Get());
        ClearMediaType(mediaType);  // the leak checker sees a format block left behind
        EXPECT_EQ(mediaType.cbFormat, 0u);
        EXPECT_EQ(mediaType.pbFormat, nullptr);
        EXPECT_EQ(mediaType.pUnk, nullptr);
        EXPECT_EQ(destroyed, 0);    // our own reference keeps it
        ClearMediaType(mediaType);  // a cleared record clears again harmlessly
    }
    EXPECT_EQ(destroyed, 1);
}

TEST(ClearMediaType, LeavesAFormatPointerWithoutSizeAlone) {
    BYTE block[4] = {};
    AM_MEDIA_TYPE mediaType{};
    mediaType.pbFormat = block;
    ClearMediaType(mediaType);
    EXPECT_EQ(mediaType.pbFormat, block);
}

TEST(DisposeMediaType, ClearsAndFreesARecordFromTaskMemory) {
    DisposeMediaType(nullptr);
    int destroyed = 0;
    {
        const ComPtr<Tracked> object = capspect::MakeComObject<Tracked>(destroyed);
        auto* record = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
        *record = OwningMediaType(object.Get());
        DisposeMediaType(record);
    }
    EXPECT_EQ(destroyed, 1);
}

// An object that records what its owner's reference held while it was destroyed.
struct Watcher {
    Watcher(const std::unique_ptr<Watcher>& owner, bool& ownerWasEmpty)
        : owner(owner), ownerWasEmpty(ownerWasEmpty) {}
    ~Watcher() { ownerWasEmpty = owner == nullptr; }
    const std::unique_ptr<Watcher>& owner;
    bool& ownerWasEmpty;
};

TEST(FreeAndClear, ClearsTheReferenceBeforeDestroying) {
    bool ownerWasEmpty = false;
    std::unique_ptr<Watcher> ref;
    ref = std::make_unique<Watcher>(ref, ownerWasEmpty);
    capspect::FreeAndClear(ref);
    EXPECT_TRUE(ownerWasEmpty);
    EXPECT_EQ(ref, nullptr);
    capspect::FreeAndClear(ref);  // an empty reference is fine
}

}  // namespace
