// Our strings are UTF-16 in std::u16string. The platform's WCHAR is a 16-bit wchar_t in the
// SDK and char16_t in our Linux declarations; these views pass our text to platform calls
// and take the platform's text back, so that the calling code reads the same everywhere.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include <windows.h>

namespace capspect {

static_assert(sizeof(WCHAR) == sizeof(char16_t) && alignof(WCHAR) == alignof(char16_t));

inline const WCHAR* WideText(const char16_t* text) {
    return reinterpret_cast<const WCHAR*>(text);
}
inline WCHAR* WideText(char16_t* text) {
    return reinterpret_cast<WCHAR*>(text);
}
inline const WCHAR* WideText(const std::u16string& text) {
    return WideText(text.c_str());
}
inline WCHAR* WideText(std::u16string& text) {
    return WideText(text.data());
}

// The characters of a view, for platform calls that take the text's length with it.
inline const WCHAR* WideChars(std::u16string_view text) {
    return reinterpret_cast<const WCHAR*>(text.data());
}

// The platform's NUL-terminated text; null is the empty text.
inline std::u16string_view Utf16Text(const WCHAR* text) {
    return text == nullptr ? std::u16string_view()
                           : std::u16string_view(reinterpret_cast<const char16_t*>(text));
}
// The first `length` characters of the platform's text.
inline std::u16string_view Utf16Text(const WCHAR* text, std::size_t length) {
    return std::u16string_view(reinterpret_cast<const char16_t*>(text), length);
}

// A fixed platform buffer (PIN_INFO::achName, FILTER_INFO::achName) up to its first NUL.
template <std::size_t N>
std::u16string_view BufferText(const WCHAR (&buffer)[N]) {
    std::size_t length = 0;
    while (length < N && buffer[length] != 0) {
        ++length;
    }
    return Utf16Text(buffer, length);
}

}  // namespace capspect
