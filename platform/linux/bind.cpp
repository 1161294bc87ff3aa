#include "platform/sdk/bind.h"

#include <map>
#include <mutex>
#include <optional>

#include "platform/linux/bind.h"
#include "platform/sdk/com.h"
#include "platform/sdk/guid.h"
#include "platform/support/faults.h"
#include "platform/support/guids.h"
#include "platform/support/platform_context.h"

namespace capspect {
namespace {

char16_t FoldAscii(char16_t c) {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

std::u16string Folded(std::u16string_view text) {
    std::u16string folded(text);
    for (char16_t& c : folded) {
        c = FoldAscii(c);
    }
    return folded;
}

bool StartsWithFolded(std::u16string_view text, std::u16string_view foldedPrefix) {
    return text.size() >= foldedPrefix.size() &&
           Folded(text.substr(0, foldedPrefix.size())) == foldedPrefix;
}

HRESULT CreateClass(const std::optional<GUID>& clsid, REFIID riid, void** object) {
    if (!clsid) {
        return MK_E_SYNTAX;
    }
    return CoCreateInstance(*clsid, nullptr, CLSCTX_INPROC_SERVER, riid, object);
}

// "@device:sw:{category}\{CLSID}": the class after the backslash.
HRESULT BindSoftwareDevice(std::u16string_view name, REFIID riid, void** object) {
    const std::size_t slash = name.rfind(u'\\');
    if (slash == std::u16string_view::npos) {
        return MK_E_SYNTAX;
    }
    return CreateClass(GuidFromString(name.substr(slash + 1)), riid, object);
}

// "clsid:" followed by the class, braces and a closing colon optional.
HRESULT BindClassMoniker(std::u16string_view name, REFIID riid, void** object) {
    std::u16string_view text = name.substr(name.find(u':') + 1);
    if (text.ends_with(u':')) {
        text.remove_suffix(1);
    }
    if (text.starts_with(u'{')) {
        return CreateClass(GuidFromString(text), riid, object);
    }
    return CreateClass(GuidFromString(u"{" + std::u16string(text) + u"}"), riid, object);
}

class BinderRegistry {
public:
    BinderRegistry() {
        binders_[u"@device:sw:"] = BindSoftwareDevice;
        binders_[u"clsid:"] = BindClassMoniker;
    }

    static BinderRegistry& Instance() { return PlatformContext::Part<BinderRegistry>(); }

    void Register(std::u16string prefix, DisplayNameBinder binder) {
        const std::lock_guard lock(mutex_);
        binders_[Folded(prefix)] = std::move(binder);
    }

    void Revoke(std::u16string_view prefix) {
        const std::lock_guard lock(mutex_);
        binders_.erase(Folded(prefix));
    }

    DisplayNameBinder Find(std::u16string_view name) const {
        const std::lock_guard lock(mutex_);
        const std::pair<const std::u16string, DisplayNameBinder>* best = nullptr;
        for (const auto& entry : binders_) {
            if (StartsWithFolded(name, entry.first) &&
                (best == nullptr || entry.first.size() > best->first.size())) {
                best = &entry;
            }
        }
        return best != nullptr ? best->second : DisplayNameBinder();
    }

private:
    mutable std::mutex mutex_;
    std::map<std::u16string, DisplayNameBinder> binders_;
};

}  // namespace

void RegisterDisplayNameBinder(std::u16string prefix, DisplayNameBinder binder) {
    BinderRegistry::Instance().Register(std::move(prefix), std::move(binder));
}

void RevokeDisplayNameBinder(std::u16string_view prefix) {
    BinderRegistry::Instance().Revoke(prefix);
}

}  // namespace capspect

HRESULT CoGetObject(LPCWSTR name, BIND_OPTS* /*bindOptions*/, REFIID riid, void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    *object = nullptr;
    if (name == nullptr) {
        return E_INVALIDARG;
    }
    if (const auto fault = capspect::InjectedFault("CoGetObject")) {
        return *fault;
    }
    const std::u16string_view displayName(name);
    const capspect::DisplayNameBinder binder =
        capspect::BinderRegistry::Instance().Find(displayName);
    if (!binder) {
        return MK_E_SYNTAX;
    }
    return binder(displayName, riid, object);
}
