// An open registry key for reading, closed when it goes.
#pragma once

#include <windows.h>

#include <string>

namespace capspect {

class RegistryKey {
public:
    // A key that cannot be opened reads as empty.
    RegistryKey(HKEY root, const std::u16string& path);
    ~RegistryKey();
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    bool IsOpen() const { return key_ != nullptr; }

    // The string value `name` (null: the key's default value), up to its first NUL; empty
    // when the key or the value is missing or the value is not a string.
    std::u16string ReadString(const char16_t* name) const;

private:
    HKEY key_ = nullptr;
};

}  // namespace capspect
