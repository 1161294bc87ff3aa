#include "platform/utf16.h"

#include <glib.h>

#include <memory>

namespace capspect {
namespace {

struct GFreeDeleter {
    void operator()(void* block) const { g_free(block); }
};

}  // namespace

std::optional<std::string> Utf16ToUtf8(std::u16string_view text) {
    if (text.find(u'\0') != std::u16string_view::npos) {
        return std::nullopt;
    }
    glong written = 0;
    const std::unique_ptr<gchar, GFreeDeleter> converted(
        g_utf16_to_utf8(reinterpret_cast<const gunichar2*>(text.data()),
                        static_cast<glong>(text.size()), nullptr, &written, nullptr));
    if (!converted) {
        return std::nullopt;
    }
    return std::string(converted.get(), static_cast<std::size_t>(written));
}

std::optional<std::u16string> Utf8ToUtf16(std::string_view text) {
    if (text.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    glong written = 0;
    const std::unique_ptr<gunichar2, GFreeDeleter> converted(
        g_utf8_to_utf16(text.data(), static_cast<glong>(text.size()), nullptr, &written, nullptr));
    if (!converted) {
        return std::nullopt;
    }
    return std::u16string(reinterpret_cast<const char16_t*>(converted.get()),
                          static_cast<std::size_t>(written));
}

}  // namespace capspect
