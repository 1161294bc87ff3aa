// The registry's contents on Linux: what the active backend registers.
#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sdk/registry.h"
#include "platform/support/unicode.h"

namespace capspect {

// A filter registered in a category.
struct RegisteredFilter {
    CLSID clsid;
    std::u16string friendlyName;
};

// The registry's contents and the backends' registration calls. Thread-safe.
class Registry {
public:
    Registry() = default;
    // The current platform context\'s (platform/support/platform_context.h).
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
