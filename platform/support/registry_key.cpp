#include "platform/support/registry_key.h"

#include <vector>

#include "platform/support/wide_string.h"

namespace capspect {

RegistryKey::RegistryKey(HKEY root, const std::u16string& path) {
    if (RegOpenKeyExW(root, WideText(path), 0, KEY_READ, &key_) != ERROR_SUCCESS) {
        key_ = nullptr;
    }
}

RegistryKey::~RegistryKey() {
    if (key_ != nullptr) {
        RegCloseKey(key_);
    }
}

std::u16string RegistryKey::ReadString(const char16_t* name) const {
    DWORD type = REG_NONE;
    DWORD size = 0;
    if (key_ == nullptr ||
        RegQueryValueExW(key_, WideText(name), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return {};
    }
    std::vector<char16_t> text(size / sizeof(char16_t) + 1, u'\0');
    DWORD capacity = static_cast<DWORD>((text.size() - 1) * sizeof(char16_t));
    if (RegQueryValueExW(key_, WideText(name), nullptr, &type,
                         reinterpret_cast<LPBYTE>(text.data()), &capacity) != ERROR_SUCCESS) {
        return {};
    }
    // The stored data need not end with a NUL; the extra element guarantees one.
    return std::u16string(text.data());
}

}  // namespace capspect
