// The registry, read-only: it answers what the active backend registers (filter classes
// with their implementing files, filters by category with their friendly names). Keys
// that nobody registered do not exist.
//
// HKEY_CLASSES_ROOT is HKEY_LOCAL_MACHINE\Software\Classes, as on the platform without
// per-user classes. Key and value names compare without regard to ASCII letter case.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sdk/guid.h"
#include "platform/sdk/hresult.h"
#include "platform/sdk/wintypes.h"

struct HKEY__;
using HKEY = HKEY__*;
using PHKEY = HKEY*;
using REGSAM = DWORD;
using LSTATUS = LONG;
using LPDWORD = DWORD*;
using LPBYTE = BYTE*;
struct FILETIME;

inline HKEY const HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(std::uintptr_t{0x80000000});
inline HKEY const HKEY_CURRENT_USER = reinterpret_cast<HKEY>(std::uintptr_t{0x80000001});
inline HKEY const HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(std::uintptr_t{0x80000002});

constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_NOTIFY = 0x0010;
constexpr REGSAM KEY_CREATE_LINK = 0x0020;
constexpr REGSAM KEY_WOW64_64KEY = 0x0100;
constexpr REGSAM KEY_WOW64_32KEY = 0x0200;
constexpr REGSAM DELETE = 0x00010000;
constexpr REGSAM READ_CONTROL = 0x00020000;
constexpr REGSAM WRITE_DAC = 0x00040000;
constexpr REGSAM WRITE_OWNER = 0x00080000;
constexpr REGSAM KEY_READ = READ_CONTROL | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS | KEY_NOTIFY;
constexpr REGSAM KEY_WRITE = READ_CONTROL | KEY_SET_VALUE | KEY_CREATE_SUB_KEY;
constexpr REGSAM KEY_EXECUTE = KEY_READ;
constexpr REGSAM KEY_ALL_ACCESS = 0x000F003F;

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_MULTI_SZ = 7;
constexpr DWORD REG_QWORD = 11;

// The platform's calls. Opening for any write access answers ERROR_ACCESS_DENIED.
LSTATUS RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD options, REGSAM access, PHKEY result);
LSTATUS RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                         LPDWORD dataSize);
// Names the index-th subkey in name order; ERROR_NO_MORE_ITEMS past the last.
LSTATUS RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameLength, LPDWORD reserved,
                      LPWSTR className, LPDWORD classLength, FILETIME* lastWriteTime);
LSTATUS RegCloseKey(HKEY key);

namespace capspect {

// Less-than on UTF-16 names with ASCII letters compared without regard to case.
struct NameLess {
    using is_transparent = void;
    bool operator()(std::u16string_view a, std::u16string_view b) const;
};

// A filter registered in a category.
struct RegisteredFilter {
    CLSID clsid;
    std::u16string friendlyName;
};

// The registry's contents and the backends' registration calls. Thread-safe.
class Registry {
public:
    static Registry& Instance();

    // HKCR\CLSID\{clsid}: default value `name`; \InprocServer32: default value `fileName`
    // (left out when empty) and ThreadingModel "Both".
    void RegisterClass(const CLSID& clsid, std::u16string_view name, std::u16string_view fileName);
    // The class as above, plus HKCR\CLSID\{category}\Instance\{clsid} with the values
    // FriendlyName and CLSID, as the platform's filter mapper writes them.
    void RegisterFilter(const CLSID& category, const CLSID& clsid, std::u16string_view friendlyName,
                        std::u16string_view fileName);
    void UnregisterFilter(const CLSID& category, const CLSID& clsid);
    // Removes HKCR\CLSID\{clsid} with everything below it.
    void UnregisterClass(const CLSID& clsid);

    // The filters of a category in key order (the order RegEnumKeyExW gives).
    std::vector<RegisteredFilter> FiltersInCategory(const CLSID& category) const;

    // Sets a string or DWORD value under `root` (HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT or
    // HKEY_CURRENT_USER), creating the key path; for backends with keys of their own.
    void SetString(HKEY root, std::u16string_view keyPath, std::u16string_view valueName,
                   std::u16string_view value);
    void SetDword(HKEY root, std::u16string_view keyPath, std::u16string_view valueName,
                  DWORD value);
    void RemoveKey(HKEY root, std::u16string_view keyPath);
    // Forgets everything registered (tests).
    void Clear();

    LSTATUS Open(HKEY key, LPCWSTR subKey, REGSAM access, PHKEY result);
    LSTATUS QueryValue(HKEY key, LPCWSTR valueName, LPDWORD type, LPBYTE data, LPDWORD dataSize);
    LSTATUS EnumKey(HKEY key, DWORD index, LPWSTR name, LPDWORD nameLength);
    LSTATUS Close(HKEY key);

private:
    struct Value {
        DWORD type = REG_NONE;
        std::vector<BYTE> data;
    };
    struct Key {
        std::map<std::u16string, Key, NameLess> subkeys;
        std::map<std::u16string, Value, NameLess> values;
    };
    // A key named by its path from one of the two trees; an open handle stores a path,
    // not a node, so that keys removed while open make the handle fail, not dangle.
    struct KeyPath {
        bool currentUser = false;
        std::vector<std::u16string> names;
    };

    Registry() = default;

    std::optional<KeyPath> ResolveHandle(HKEY key) const;
    std::optional<KeyPath> MakePath(HKEY root, std::u16string_view subKey) const;
    const Key* Find(const KeyPath& path) const;
    Key& Create(const KeyPath& path);
    void SetValue(HKEY root, std::u16string_view keyPath, std::u16string_view valueName,
                  Value value);
    void Remove(const KeyPath& path);

    mutable std::mutex mutex_;
    Key localMachine_;
    Key currentUser_;
    std::map<std::uintptr_t, KeyPath> handles_;
    std::uintptr_t nextHandle_ = 0x1000;
};

// Registers a filter for the lifetime of the object (tests, scoped backends); unregisters
// the category entry and the class when it ends.
class ScopedFilterRegistration {
public:
    ScopedFilterRegistration(const CLSID& category, const CLSID& clsid,
                             std::u16string_view friendlyName, std::u16string_view fileName);
    ~ScopedFilterRegistration();
    ScopedFilterRegistration(const ScopedFilterRegistration&) = delete;
    ScopedFilterRegistration& operator=(const ScopedFilterRegistration&) = delete;

private:
    CLSID category_;
    CLSID clsid_;
};

}  // namespace capspect
