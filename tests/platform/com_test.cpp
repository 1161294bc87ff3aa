#include "platform/linux/com.h"
#include "platform/sdk/com.h"
#include "platform/support/comobject.h"
#include "platform/support/comptr.h"

#include <gtest/gtest.h>

// Interface identities are declared at global scope, as the platform's are.
struct IBase : IUnknown {
    virtual int BaseValue() = 0;
};
CAPSPECT_INTERFACE_ID(IBase, IUnknown, 0x11111111, 0x0001, 0x0001, 1, 2, 3, 4, 5, 6, 7, 8);

struct IDerived : IBase {
    virtual int DerivedValue() = 0;
};
CAPSPECT_INTERFACE_ID(IDerived, IBase, 0x11111111, 0x0002, 0x0002, 1, 2, 3, 4, 5, 6, 7, 8);

struct IOther : IUnknown {
    virtual int OtherValue() = 0;
};
CAPSPECT_INTERFACE_ID(IOther, IUnknown, 0x11111111, 0x0003, 0x0003, 1, 2, 3, 4, 5, 6, 7, 8);

struct IMissing : IUnknown {};
CAPSPECT_INTERFACE_ID(IMissing, IUnknown, 0x11111111, 0x0004, 0x0004, 1, 2, 3, 4, 5, 6, 7, 8);

namespace {

using capspect::ComPtr;

constexpr CLSID kTestClass{0x22222222, 0x0001, 0x0001, {1, 2, 3, 4, 5, 6, 7, 8}};

class Thing : public capspect::ComObject<IDerived, IOther> {
public:
    explicit Thing(int* destroyed = nullptr) : destroyed_(destroyed) {}
    ~Thing() override {
        if (destroyed_ != nullptr) {
            ++*destroyed_;
        }
    }
    int BaseValue() override { return 1; }
    int DerivedValue() override { return 2; }
    int OtherValue() override { return 3; }

private:
    int* destroyed_;
};

TEST(ComObject, AnswersListedInterfacesTheirBasesAndOneIdentity) {
    const ComPtr<Thing> thing = capspect::MakeComObject<Thing>();
    ComPtr<IBase> base;
    ComPtr<IOther> other;
    ASSERT_EQ(thing.As(&base), S_OK);
    ASSERT_EQ(thing.As(&other), S_OK);
    EXPECT_EQ(base->BaseValue(), 1);
    EXPECT_EQ(other->OtherValue(), 3);

    ComPtr<IUnknown> fromBase;
    ComPtr<IUnknown> fromOther;
    ASSERT_EQ(base.As(&fromBase), S_OK);
    ASSERT_EQ(other.As(&fromOther), S_OK);
    EXPECT_EQ(fromBase.Get(), fromOther.Get());

    ComPtr<IMissing> missing;
    EXPECT_EQ(thing.As(&missing), E_NOINTERFACE);
    EXPECT_FALSE(missing);
    EXPECT_EQ(thing->QueryInterface(IID_IOther, nullptr), E_POINTER);
}

TEST(ComObject, LastReleaseDestroysOnceWhateverInterfaceHeldIt) {
    int destroyed = 0;
    {
        ComPtr<IOther> other;
        {
            const ComPtr<Thing> thing = capspect::MakeComObject<Thing>(&destroyed);
            ASSERT_EQ(thing.As(&other), S_OK);
        }
        EXPECT_EQ(destroyed, 0);
        ComPtr<IOther> copy = other;
        other.Reset();
        EXPECT_EQ(destroyed, 0);
    }
    EXPECT_EQ(destroyed, 1);
}

TEST(ComPtr, AttachDetachAndCopyToKeepTheCountRight) {
    int destroyed = 0;
    ComPtr<Thing> thing = capspect::MakeComObject<Thing>(&destroyed);
    IDerived* raw = nullptr;
    ASSERT_EQ(ComPtr<IDerived>(thing).CopyTo(&raw), S_OK);
    thing.Reset();
    EXPECT_EQ(destroyed, 0);
    ComPtr<IDerived> adopted;
    adopted.Attach(raw);
    EXPECT_EQ(adopted->DerivedValue(), 2);
    IDerived* handedOut = adopted.Detach();
    EXPECT_FALSE(adopted);
    EXPECT_EQ(handedOut->Release(), 0u);
    EXPECT_EQ(destroyed, 1);
}

TEST(CoCreateInstance, CreatesRegisteredClassesOnly) {
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(CoCreateInstance(kTestClass, nullptr, CLSCTX_INPROC_SERVER, IID_IOther, &object),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(object, nullptr);
    {
        const capspect::ScopedClassRegistration registration(kTestClass,
                                                             capspect::FactoryFor<Thing>());
        ComPtr<IOther> other;
        ASSERT_EQ(CoCreateInstance(kTestClass, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_PPV_ARGS(other.GetAddressOf())),
                  S_OK);
        EXPECT_EQ(other->OtherValue(), 3);
        ComPtr<IMissing> missing;
        EXPECT_EQ(CoCreateInstance(kTestClass, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_PPV_ARGS(missing.GetAddressOf())),
                  E_NOINTERFACE);
    }
    EXPECT_FALSE(capspect::ClassRegistry::Instance().IsRegistered(kTestClass));
}

}  // namespace
