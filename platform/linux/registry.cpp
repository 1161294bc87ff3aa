#include "platform/sdk/registry.h"

#include <algorithm>
#include <cstring>

#include "platform/linux/registry.h"
#include "platform/support/guids.h"
#include "platform/support/platform_context.h"

namespace capspect {
namespace {

constexpr LSTATUS kKeyDeleted = 1018;  // ERROR_KEY_DELETED
constexpr REGSAM kWriteAccess =
    KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | DELETE | WRITE_DAC | WRITE_OWNER;
constexpr std::uintptr_t kHandleStep = 4;

// Splits "A\B\C" into its names; a trailing backslash is allowed.
std::vector<std::u16string> SplitPath(std::u16string_view path) {
    std::vector<std::u16string> names;
    while (!path.empty()) {
        const auto separator = path.find(u'\\');
        names.emplace_back(path.substr(0, separator));
        if (separator == std::u16string_view::npos) {
            break;
        }
        path.remove_prefix(separator + 1);
    }
    return names;
}

std::vector<BYTE> StringData(std::u16string_view text) {
    std::vector<BYTE> data((text.size() + 1) * sizeof(char16_t), 0);
    std::memcpy(data.data(), text.data(), text.size() * sizeof(char16_t));
    return data;
}

std::u16string ClsidKey(const CLSID& clsid) {
    return u"CLSID\\" + GuidToU16String(clsid);
}

std::u16string InstanceKey(const CLSID& category, const CLSID& clsid) {
    return ClsidKey(category) + u"\\Instance\\" + GuidToU16String(clsid);
}

}  // namespace

Registry& Registry::Instance() {
    return PlatformContext::Part<Registry>();
}

void Registry::RegisterClass(const CLSID& clsid, std::u16string_view name,
                             std::u16string_view fileName) {
    const std::u16string key = ClsidKey(clsid);
    SetString(HKEY_CLASSES_ROOT, key, u"", name);
    if (!fileName.empty()) {
        SetString(HKEY_CLASSES_ROOT, key + u"\\InprocServer32", u"", fileName);
        SetString(HKEY_CLASSES_ROOT, key + u"\\InprocServer32", u"ThreadingModel", u"Both");
    }
}

void Registry::RegisterFilter(const CLSID& category, const CLSID& clsid,
                              std::u16string_view friendlyName, std::u16string_view fileName) {
    RegisterClass(clsid, friendlyName, fileName);
    const std::u16string key = InstanceKey(category, clsid);
    SetString(HKEY_CLASSES_ROOT, key, u"FriendlyName", friendlyName);
    SetString(HKEY_CLASSES_ROOT, key, u"CLSID", GuidToU16String(clsid));
}

void Registry::UnregisterFilter(const CLSID& category, const CLSID& clsid) {
    RemoveKey(HKEY_CLASSES_ROOT, InstanceKey(category, clsid));
}

void Registry::UnregisterClass(const CLSID& clsid) {
    RemoveKey(HKEY_CLASSES_ROOT, ClsidKey(clsid));
}

std::vector<RegisteredFilter> Registry::FiltersInCategory(const CLSID& category) const {
    const std::lock_guard lock(mutex_);
    std::vector<RegisteredFilter> filters;
    const auto path = MakePath(HKEY_CLASSES_ROOT, ClsidKey(category) + u"\\Instance");
    const Key* instances = path ? Find(*path) : nullptr;
    if (instances == nullptr) {
        return filters;
    }
    for (const auto& [name, key] : instances->subkeys) {
        const auto clsid = GuidFromString(name);
        if (!clsid) {
            continue;
        }
        RegisteredFilter filter{*clsid, {}};
        if (const auto found = key.values.find(u"FriendlyName");
            found != key.values.end() && found->second.type == REG_SZ) {
            const auto& data = found->second.data;
            filter.friendlyName.assign(reinterpret_cast<const char16_t*>(data.data()),
                                       data.size() / sizeof(char16_t) - 1);
        }
        filters.push_back(std::move(filter));
    }
    return filters;
}

void Registry::SetString(HKEY root, std::u16string_view keyPath, std::u16string_view valueName,
                         std::u16string_view value) {
    SetValue(root, keyPath, valueName, Value{REG_SZ, StringData(value)});
}

void Registry::SetDword(HKEY root, std::u16string_view keyPath, std::u16string_view valueName,
                        DWORD value) {
    std::vector<BYTE> data(sizeof value);
    std::memcpy(data.data(), &value, sizeof value);
    SetValue(root, keyPath, valueName, Value{REG_DWORD, std::move(data)});
}

void Registry::SetValue(HKEY root, std::u16string_view keyPath, std::u16string_view valueName,
                        Value value) {
    const std::lock_guard lock(mutex_);
    if (const auto path = MakePath(root, keyPath)) {
        Create(*path).values.insert_or_assign(std::u16string(valueName), std::move(value));
    }
}

void Registry::RemoveKey(HKEY root, std::u16string_view keyPath) {
    const std::lock_guard lock(mutex_);
    if (const auto path = MakePath(root, keyPath)) {
        Remove(*path);
    }
}

std::optional<Registry::KeyPath> Registry::ResolveHandle(HKEY key) const {
    if (key == HKEY_LOCAL_MACHINE) {
        return KeyPath{};
    }
    if (key == HKEY_CLASSES_ROOT) {
        return KeyPath{false, {u"Software", u"Classes"}};
    }
    if (key == HKEY_CURRENT_USER) {
        return KeyPath{true, {}};
    }
    const auto found = handles_.find(reinterpret_cast<std::uintptr_t>(key));
    if (found == handles_.end()) {
        return std::nullopt;
    }
    return found->second;
}

std::optional<Registry::KeyPath> Registry::MakePath(HKEY root, std::u16string_view subKey) const {
    auto path = ResolveHandle(root);
    if (path) {
        for (auto& name : SplitPath(subKey)) {
            path->names.push_back(std::move(name));
        }
    }
    return path;
}

const Registry::Key* Registry::Find(const KeyPath& path) const {
    const Key* key = path.currentUser ? &currentUser_ : &localMachine_;
    for (const auto& name : path.names) {
        const auto found = key->subkeys.find(name);
        if (found == key->subkeys.end()) {
            return nullptr;
        }
        key = &found->second;
    }
    return key;
}

Registry::Key& Registry::Create(const KeyPath& path) {
    Key* key = path.currentUser ? &currentUser_ : &localMachine_;
    for (const auto& name : path.names) {
        key = &key->subkeys[name];
    }
    return *key;
}

void Registry::Remove(const KeyPath& path) {
    if (path.names.empty()) {
        return;
    }
    Key* parent = path.currentUser ? &currentUser_ : &localMachine_;
    for (std::size_t i = 0; i + 1 < path.names.size(); ++i) {
        const auto found = parent->subkeys.find(path.names[i]);
        if (found == parent->subkeys.end()) {
            return;
        }
        parent = &found->second;
    }
    parent->subkeys.erase(path.names.back());
}

LSTATUS Registry::Open(HKEY key, LPCWSTR subKey, REGSAM access, PHKEY result) {
    if (result == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    *result = nullptr;
    if ((access & kWriteAccess) != 0) {
        return ERROR_ACCESS_DENIED;
    }
    const std::u16string_view subPath = subKey != nullptr ? subKey : u"";
    if (!subPath.empty() && subPath.front() == u'\\') {
        return ERROR_BAD_PATHNAME;
    }
    const std::lock_guard lock(mutex_);
    const auto path = MakePath(key, subPath);
    if (!path) {
        return ERROR_INVALID_HANDLE;
    }
    if (Find(*path) == nullptr) {
        return ERROR_FILE_NOT_FOUND;
    }
    const std::uintptr_t handle = nextHandle_;
    nextHandle_ += kHandleStep;
    handles_.emplace(handle, *path);
    *result = reinterpret_cast<HKEY>(handle);
    return ERROR_SUCCESS;
}

LSTATUS Registry::QueryValue(HKEY key, LPCWSTR valueName, LPDWORD type, LPBYTE data,
                             LPDWORD dataSize) {
    if (data != nullptr && dataSize == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    const std::lock_guard lock(mutex_);
    const auto path = ResolveHandle(key);
    if (!path) {
        return ERROR_INVALID_HANDLE;
    }
    const Key* node = Find(*path);
    if (node == nullptr) {
        return kKeyDeleted;
    }
    const auto found = node->values.find(std::u16string_view(valueName ? valueName : u""));
    if (found == node->values.end()) {
        return ERROR_FILE_NOT_FOUND;
    }
    const Value& value = found->second;
    if (type != nullptr) {
        *type = value.type;
    }
    const auto size = static_cast<DWORD>(value.data.size());
    if (data != nullptr) {
        if (*dataSize < size) {
            *dataSize = size;
            return ERROR_MORE_DATA;
        }
        std::copy(value.data.begin(), value.data.end(), data);
    }
    if (dataSize != nullptr) {
        *dataSize = size;
    }
    return ERROR_SUCCESS;
}

LSTATUS Registry::EnumKey(HKEY key, DWORD index, LPWSTR name, LPDWORD nameLength) {
    if (name == nullptr || nameLength == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    const std::lock_guard lock(mutex_);
    const auto path = ResolveHandle(key);
    if (!path) {
        return ERROR_INVALID_HANDLE;
    }
    const Key* node = Find(*path);
    if (node == nullptr) {
        return kKeyDeleted;
    }
    if (index >= node->subkeys.size()) {
        return ERROR_NO_MORE_ITEMS;
    }
    const std::u16string& subkey = std::next(node->subkeys.begin(), index)->first;
    if (*nameLength <= subkey.size()) {
        return ERROR_MORE_DATA;
    }
    std::copy(subkey.begin(), subkey.end(), name);
    name[subkey.size()] = u'\0';
    *nameLength = static_cast<DWORD>(subkey.size());
    return ERROR_SUCCESS;
}

LSTATUS Registry::Close(HKEY key) {
    if (key == HKEY_LOCAL_MACHINE || key == HKEY_CLASSES_ROOT || key == HKEY_CURRENT_USER) {
        return ERROR_SUCCESS;
    }
    const std::lock_guard lock(mutex_);
    return handles_.erase(reinterpret_cast<std::uintptr_t>(key)) == 1 ? ERROR_SUCCESS
                                                                      : ERROR_INVALID_HANDLE;
}

ScopedFilterRegistration::ScopedFilterRegistration(const CLSID& category, const CLSID& clsid,
                                                   std::u16string_view friendlyName,
                                                   std::u16string_view fileName)
    : category_(category), clsid_(clsid) {
    Registry::Instance().RegisterFilter(category, clsid, friendlyName, fileName);
}

ScopedFilterRegistration::~ScopedFilterRegistration() {
    Registry::Instance().UnregisterFilter(category_, clsid_);
    Registry::Instance().UnregisterClass(clsid_);
}

}  // namespace capspect

LSTATUS RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD /*options*/, REGSAM access, PHKEY result) {
    return capspect::Registry::Instance().Open(key, subKey, access, result);
}

LSTATUS RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD /*reserved*/, LPDWORD type,
                         LPBYTE data, LPDWORD dataSize) {
    return capspect::Registry::Instance().QueryValue(key, valueName, type, data, dataSize);
}

LSTATUS RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameLength, LPDWORD /*reserved*/,
                      LPWSTR /*className*/, LPDWORD classLength, FILETIME* /*lastWriteTime*/) {
    if (classLength != nullptr) {
        *classLength = 0;
    }
    return capspect::Registry::Instance().EnumKey(key, index, name, nameLength);
}

LSTATUS RegCloseKey(HKEY key) {
    return capspect::Registry::Instance().Close(key);
}
