// Binding objects by display name (CoGetObject).
#include <gtest/gtest.h>

#include <string>

#include "platform/linux/bind.h"
#include "platform/linux/com.h"
#include "platform/support/faults.h"
#include "platform/sdk/bind.h"
#include "platform/sdk/com.h"
#include "platform/support/comobject.h"
#include "platform/support/comptr.h"

struct ITestThing : IUnknown {
    virtual int Kind() = 0;

protected:
    ~ITestThing() = default;
};

CAPSPECT_INTERFACE_ID(ITestThing, IUnknown, 0x7E57B1D0, 0x0001, 0x0001, 0x01, 0x02, 0x03, 0x04,
                      0x05, 0x06, 0x07, 0x08);

namespace {

using capspect::ComPtr;

constexpr CLSID kThingClsid{0x7E57B1D1, 0x0001, 0x0001, {1, 2, 3, 4, 5, 6, 7, 8}};

class Thing final : public capspect::ComObject<ITestThing> {
public:
    explicit Thing(int kind = 1) : kind_(kind) {}
    int Kind() override { return kind_; }

private:
    int kind_;
};

int KindBoundFrom(const std::u16string& name) {
    ComPtr<ITestThing> thing;
    if (FAILED(CoGetObject(name.c_str(), nullptr, IID_PPV_ARGS(thing.GetAddressOf())))) {
        return 0;
    }
    return thing->Kind();
}

class CoGetObjectTest : public ::testing::Test {
protected:
    const capspect::ScopedClassRegistration registration{kThingClsid,
                                                         capspect::FactoryFor<Thing>()};
};

TEST_F(CoGetObjectTest, SoftwareDeviceAndClassMonikerNamesCreateTheClass) {
    EXPECT_EQ(KindBoundFrom(u"@device:sw:{083863F1-70DE-11D0-BD40-00A0C911CE86}\\"
                            u"{7E57B1D1-0001-0001-0102-030405060708}"),
              1);
    EXPECT_EQ(KindBoundFrom(u"@DEVICE:SW:{083863F1-70DE-11D0-BD40-00A0C911CE86}\\"
                            u"{7e57b1d1-0001-0001-0102-030405060708}"),
              1);
    EXPECT_EQ(KindBoundFrom(u"clsid:7E57B1D1-0001-0001-0102-030405060708:"), 1);
    EXPECT_EQ(KindBoundFrom(u"clsid:{7E57B1D1-0001-0001-0102-030405060708}"), 1);
}

TEST_F(CoGetObjectTest, NamesNoBinderTakesAreSyntaxErrors) {
    ComPtr<ITestThing> thing;
    EXPECT_EQ(
        CoGetObject(u"@device:pnp:\\\\?\\usb#none", nullptr, IID_PPV_ARGS(thing.GetAddressOf())),
        MK_E_SYNTAX);
    EXPECT_EQ(CoGetObject(u"@device:sw:{083863F1-70DE-11D0-BD40-00A0C911CE86}\\junk", nullptr,
                          IID_PPV_ARGS(thing.GetAddressOf())),
              MK_E_SYNTAX);
    EXPECT_EQ(CoGetObject(u"@device:sw:{083863F1-70DE-11D0-BD40-00A0C911CE86}\\"
                          u"{00000000-0000-0000-0000-000000000001}",
                          nullptr, IID_PPV_ARGS(thing.GetAddressOf())),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(thing, nullptr);
}

TEST_F(CoGetObjectTest, LongestRegisteredPrefixBinds) {
    capspect::RegisterDisplayNameBinder(
        u"@device:pnp:", [](std::u16string_view, REFIID riid, void** object) {
            return capspect::MakeComObject<Thing>(2)->QueryInterface(riid, object);
        });
    capspect::RegisterDisplayNameBinder(
        u"@device:pnp:\\\\?\\usb", [](std::u16string_view, REFIID riid, void** object) {
            return capspect::MakeComObject<Thing>(3)->QueryInterface(riid, object);
        });
    EXPECT_EQ(KindBoundFrom(u"@device:pnp:\\\\?\\pci#card"), 2);
    EXPECT_EQ(KindBoundFrom(u"@device:pnp:\\\\?\\USB#camera"), 3);
    capspect::RevokeDisplayNameBinder(u"@device:pnp:\\\\?\\usb");
    EXPECT_EQ(KindBoundFrom(u"@device:pnp:\\\\?\\usb#camera"), 2);
    capspect::RevokeDisplayNameBinder(u"@device:pnp:");
    EXPECT_EQ(KindBoundFrom(u"@device:pnp:\\\\?\\usb#camera"), 0);
}

TEST_F(CoGetObjectTest, InjectedFaultFailsTheBind) {
    const capspect::ScopedFault fault("CoGetObject", E_ACCESSDENIED);
    ComPtr<ITestThing> thing;
    EXPECT_EQ(CoGetObject(u"clsid:{7E57B1D1-0001-0001-0102-030405060708}", nullptr,
                          IID_PPV_ARGS(thing.GetAddressOf())),
              E_ACCESSDENIED);
}

}  // namespace
