#include <gtest/gtest.h>

#include "platform/linux/registry.h"
#include "platform/sdk/registry.h"
#include "platform/support/guids.h"

namespace {

using capspect::Registry;

constexpr CLSID kCategory{
    0x083863F1, 0x70DE, 0x11D0, {0xBD, 0x40, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}};
constexpr CLSID kFilter{
    0xAAAA0001, 0x0001, 0x0001, {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08}};
constexpr CLSID kOther{
    0xAAAA0002, 0x0001, 0x0001, {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08}};

class RegistryTest : public testing::Test {
protected:
    // The string value of a key, or the error of the first call that failed.
    static std::variant<std::u16string, LSTATUS> ReadString(HKEY root, const std::u16string& key,
                                                            const char16_t* name) {
        HKEY opened = nullptr;
        if (const LSTATUS status = RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &opened)) {
            return status;
        }
        DWORD type = REG_NONE;
        DWORD size = 0;
        LSTATUS status = RegQueryValueExW(opened, name, nullptr, &type, nullptr, &size);
        std::u16string text(size / sizeof(char16_t), u'\0');
        if (status == ERROR_SUCCESS) {
            status = RegQueryValueExW(opened, name, nullptr, &type,
                                      reinterpret_cast<BYTE*>(text.data()), &size);
        }
        RegCloseKey(opened);
        if (status != ERROR_SUCCESS) {
            return status;
        }
        EXPECT_EQ(type, REG_SZ);
        EXPECT_EQ(text.back(), u'\0');
        text.pop_back();
        return text;
    }

    static std::u16string InstanceKey(const CLSID& clsid) {
        return u"CLSID\\" + capspect::GuidToU16String(kCategory) + u"\\Instance\\" +
               capspect::GuidToU16String(clsid);
    }
};

using Result = std::variant<std::u16string, LSTATUS>;

TEST_F(RegistryTest, AFilterIsFoundByCategoryAndByClass) {
    Registry::Instance().RegisterFilter(kCategory, kFilter, u"Smart Tee", u"qcap.dll");
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, InstanceKey(kFilter), u"FriendlyName"),
              Result(u"Smart Tee"));
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, InstanceKey(kFilter), u"CLSID"),
              Result(capspect::GuidToU16String(kFilter)));
    const std::u16string server =
        u"Software\\Classes\\CLSID\\" + capspect::GuidToU16String(kFilter) + u"\\InprocServer32";
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, server, nullptr), Result(u"qcap.dll"));
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, server, u""), Result(u"qcap.dll"));
    // Key names do not depend on letter case.
    std::u16string lower = server;
    for (auto& c : lower) {
        c = (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
    }
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, lower, nullptr), Result(u"qcap.dll"));
}

TEST_F(RegistryTest, UnknownKeysAndValuesDoNotExist) {
    Registry::Instance().RegisterFilter(kCategory, kFilter, u"Smart Tee", u"");
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, InstanceKey(kOther), u"FriendlyName"),
              Result(LSTATUS{ERROR_FILE_NOT_FOUND}));
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, InstanceKey(kFilter), u"Merit"),
              Result(LSTATUS{ERROR_FILE_NOT_FOUND}));
    // A class registered without a file has no InprocServer32 key.
    EXPECT_EQ(
        ReadString(HKEY_CLASSES_ROOT,
                   u"CLSID\\" + capspect::GuidToU16String(kFilter) + u"\\InprocServer32", nullptr),
        Result(LSTATUS{ERROR_FILE_NOT_FOUND}));
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, u"Software", nullptr),
              Result(LSTATUS{ERROR_FILE_NOT_FOUND}));
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, u"\\CLSID", nullptr),
              Result(LSTATUS{ERROR_BAD_PATHNAME}));
}

TEST_F(RegistryTest, ValueSizesFollowThePlatformsBufferRules) {
    Registry::Instance().SetString(HKEY_LOCAL_MACHINE, u"Software\\Test", u"Name", u"abc");
    Registry::Instance().SetDword(HKEY_LOCAL_MACHINE, u"Software\\Test", u"Count", 7);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Test", 0, KEY_READ, &key),
              ERROR_SUCCESS);
    char16_t small[2] = {};
    DWORD size = sizeof small;
    EXPECT_EQ(
        RegQueryValueExW(key, u"Name", nullptr, nullptr, reinterpret_cast<BYTE*>(small), &size),
        ERROR_MORE_DATA);
    EXPECT_EQ(size, 8u);
    EXPECT_EQ(
        RegQueryValueExW(key, u"Name", nullptr, nullptr, reinterpret_cast<BYTE*>(small), nullptr),
        ERROR_INVALID_PARAMETER);
    DWORD count = 0;
    DWORD type = REG_NONE;
    size = sizeof count;
    EXPECT_EQ(
        RegQueryValueExW(key, u"count", nullptr, &type, reinterpret_cast<BYTE*>(&count), &size),
        ERROR_SUCCESS);
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(count, 7u);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegQueryValueExW(key, u"Name", nullptr, nullptr, nullptr, &size),
              ERROR_INVALID_HANDLE);
}

TEST_F(RegistryTest, IsReadOnlyAndHandlesOutliveRemovedKeys) {
    Registry::Instance().RegisterFilter(kCategory, kFilter, u"Tee", u"qcap.dll");
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, u"CLSID", 0, KEY_ALL_ACCESS, &key),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(key, nullptr);
    ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, InstanceKey(kFilter).c_str(), 0, KEY_READ, &key),
              ERROR_SUCCESS);
    Registry::Instance().UnregisterFilter(kCategory, kFilter);
    DWORD size = 0;
    EXPECT_NE(RegQueryValueExW(key, u"FriendlyName", nullptr, nullptr, nullptr, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(RegistryTest, CategoryListsItsFiltersInKeyOrder) {
    Registry::Instance().RegisterFilter(kCategory, kOther, u"Second", u"b.ax");
    Registry::Instance().RegisterFilter(kCategory, kFilter, u"First", u"a.ax");
    const auto filters = Registry::Instance().FiltersInCategory(kCategory);
    ASSERT_EQ(filters.size(), 2u);
    EXPECT_EQ(filters[0].clsid, kFilter);
    EXPECT_EQ(filters[0].friendlyName, u"First");
    EXPECT_EQ(filters[1].friendlyName, u"Second");

    HKEY instances = nullptr;
    const std::u16string path = u"CLSID\\" + capspect::GuidToU16String(kCategory) + u"\\Instance";
    ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &instances),
              ERROR_SUCCESS);
    char16_t name[39] = {};
    DWORD length = 39;
    EXPECT_EQ(RegEnumKeyExW(instances, 1, name, &length, nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(name, length), capspect::GuidToU16String(kOther));
    length = 10;
    EXPECT_EQ(RegEnumKeyExW(instances, 0, name, &length, nullptr, nullptr, nullptr, nullptr),
              ERROR_MORE_DATA);
    length = 39;
    EXPECT_EQ(RegEnumKeyExW(instances, 2, name, &length, nullptr, nullptr, nullptr, nullptr),
              ERROR_NO_MORE_ITEMS);
    // A key opened relative to an open key.
    HKEY first = nullptr;
    EXPECT_EQ(
        RegOpenKeyExW(instances, capspect::GuidToU16String(kFilter).c_str(), 0, KEY_READ, &first),
        ERROR_SUCCESS);
    RegCloseKey(first);
    RegCloseKey(instances);

    Registry::Instance().UnregisterFilter(kCategory, kOther);
    EXPECT_EQ(Registry::Instance().FiltersInCategory(kCategory).size(), 1u);
}

}  // namespace
