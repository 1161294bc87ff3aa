#include "platform/directshow/filter_registry.h"

#include <algorithm>

#include "platform/linux/com.h"
#include "platform/linux/registry.h"
#include "platform/support/platform_context.h"

namespace capspect::sim {

namespace {

bool Fits(const GUID& registered, const GUID& offered) {
    return registered == GUID_NULL || offered == GUID_NULL || registered == offered;
}

}  // namespace

bool FilterRegistration::AcceptsInput(const GUID& majorType, const GUID& subType) const {
    return std::any_of(inputTypes.begin(), inputTypes.end(), [&](const RegisteredMediaType& t) {
        return Fits(t.majorType, majorType) && Fits(t.subType, subType);
    });
}

FilterRegistry& FilterRegistry::Instance() {
    return PlatformContext::Part<FilterRegistry>();
}

void FilterRegistry::Register(FilterRegistration registration, ClassFactory factory) {
    ClassRegistry::Instance().Register(registration.clsid, std::move(factory));
    const std::lock_guard lock(mutex_);
    const auto same = std::find_if(filters_.begin(), filters_.end(), [&](const auto& entry) {
        return entry.clsid == registration.clsid && entry.category == registration.category;
    });
    if (same != filters_.end()) {
        *same = std::move(registration);
    } else {
        filters_.push_back(std::move(registration));
    }
}

void FilterRegistry::Unregister(const CLSID& clsid) {
    ClassRegistry::Instance().Revoke(clsid);
    const std::lock_guard lock(mutex_);
    std::erase_if(filters_, [&](const auto& entry) { return entry.clsid == clsid; });
}

std::vector<FilterRegistration> FilterRegistry::Filters() const {
    const std::lock_guard lock(mutex_);
    return filters_;
}

std::vector<FilterRegistration> FilterRegistry::FiltersInCategory(const GUID& category) const {
    const std::lock_guard lock(mutex_);
    std::vector<FilterRegistration> found;
    std::copy_if(filters_.begin(), filters_.end(), std::back_inserter(found),
                 [&](const auto& entry) { return entry.category == category; });
    return found;
}

std::optional<FilterRegistration> FilterRegistry::Find(const CLSID& clsid) const {
    const std::lock_guard lock(mutex_);
    const auto found = std::find_if(filters_.begin(), filters_.end(),
                                    [&](const auto& entry) { return entry.clsid == clsid; });
    if (found == filters_.end()) {
        return std::nullopt;
    }
    return *found;
}

std::vector<FilterRegistration> FilterRegistry::CandidatesFor(
    const std::vector<AM_MEDIA_TYPE>& offered) const {
    std::vector<FilterRegistration> candidates;
    {
        const std::lock_guard lock(mutex_);
        for (const FilterRegistration& entry : filters_) {
            const bool takesOne = std::any_of(offered.begin(), offered.end(), [&](const auto& t) {
                return entry.AcceptsInput(t.majortype, t.subtype);
            });
            const bool listed = std::any_of(candidates.begin(), candidates.end(),
                                            [&](const auto& c) { return c.clsid == entry.clsid; });
            if (entry.merit > MERIT_DO_NOT_USE && takesOne && !listed) {
                candidates.push_back(entry);
            }
        }
    }
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const auto& a, const auto& b) { return a.merit > b.merit; });
    return candidates;
}

int FilterRegistry::AddSourceResolver(SourceResolver resolver) {
    const std::lock_guard lock(mutex_);
    const int id = nextResolverId_++;
    resolvers_.emplace_back(id, std::move(resolver));
    return id;
}

void FilterRegistry::RemoveSourceResolver(int id) {
    const std::lock_guard lock(mutex_);
    std::erase_if(resolvers_, [id](const auto& entry) { return entry.first == id; });
}

HRESULT FilterRegistry::ResolveSource(std::u16string_view file, CLSID* sourceClsid) const {
    std::vector<std::pair<int, SourceResolver>> resolvers;
    {
        const std::lock_guard lock(mutex_);
        resolvers = resolvers_;
    }
    for (auto it = resolvers.rbegin(); it != resolvers.rend(); ++it) {
        if (const auto answer = it->second(file, sourceClsid)) {
            return *answer;
        }
    }
    return VFW_E_UNKNOWN_FILE_TYPE;
}

ScopedFilterRegistration::ScopedFilterRegistration(FilterRegistration registration,
                                                   ClassFactory factory)
    : clsid_(registration.clsid) {
    FilterRegistry::Instance().Register(std::move(registration), std::move(factory));
}

ScopedFilterRegistration::~ScopedFilterRegistration() {
    FilterRegistry::Instance().Unregister(clsid_);
}

}  // namespace capspect::sim
