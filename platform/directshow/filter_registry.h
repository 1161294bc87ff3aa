// The simulated platform's filter mapper: which filter classes exist, in which category,
// with what merit and which media types their pins take. Intelligent connect picks
// intermediate filters from it; the registry of categories and friendly names reads it.
// Registering a filter also registers its class for CoCreateInstance.
#pragma once

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/com.h"
#include "platform/linux/registry.h"
#include "platform/sdk/com.h"
#include "platform/sdk/dshow/categories.h"
#include "platform/sdk/dshow/filters.h"

namespace capspect::sim {

// A media type a registered pin takes; GUID_NULL matches any major type or subtype.
struct RegisteredMediaType {
    GUID majorType;
    GUID subType;
};

struct FilterRegistration {
    CLSID clsid;
    std::u16string friendlyName;
    GUID category = CLSID_LegacyAmFilterCategory;
    DWORD merit = MERIT_NORMAL;
    std::vector<RegisteredMediaType> inputTypes;
    std::vector<RegisteredMediaType> outputTypes;
    // The implementing file, as the class's InprocServer32 key names it.
    std::u16string moduleFile;

    // Whether an input pin of the filter takes a type with these major and sub types.
    bool AcceptsInput(const GUID& majorType, const GUID& subType) const;
};

class FilterRegistry {
public:
    // The current platform context\'s (platform/support/platform_context.h).
    static FilterRegistry& Instance();

    // Adds or replaces the registration of (category, clsid) and registers the class.
    void Register(FilterRegistration registration, ClassFactory factory);
    // Removes every registration of the class and revokes it.
    void Unregister(const CLSID& clsid);

    // All registrations, in registration order.
    std::vector<FilterRegistration> Filters() const;
    std::vector<FilterRegistration> FiltersInCategory(const GUID& category) const;
    std::optional<FilterRegistration> Find(const CLSID& clsid) const;

    // Candidates for intelligent connect: filters with merit above MERIT_DO_NOT_USE whose
    // input takes one of `offered`, highest merit first (registration order among equals).
    std::vector<FilterRegistration> CandidatesFor(const std::vector<AM_MEDIA_TYPE>& offered) const;

    // Finds the source filter class for a file. Resolvers are asked newest first; one
    // answers nothing when the file is not its kind. A resolver may answer a failure code
    // (for example when the file does not exist), which ends the search.
    using SourceResolver =
        std::function<std::optional<HRESULT>(std::u16string_view file, CLSID* sourceClsid)>;
    int AddSourceResolver(SourceResolver resolver);
    void RemoveSourceResolver(int id);
    HRESULT ResolveSource(std::u16string_view file, CLSID* sourceClsid) const;

private:
    mutable std::mutex mutex_;
    std::vector<FilterRegistration> filters_;
    std::vector<std::pair<int, SourceResolver>> resolvers_;
    int nextResolverId_ = 1;
};

// Registers a filter for the lifetime of the object (tests, scoped backends).
class ScopedFilterRegistration {
public:
    ScopedFilterRegistration(FilterRegistration registration, ClassFactory factory);
    ~ScopedFilterRegistration();
    ScopedFilterRegistration(const ScopedFilterRegistration&) = delete;
    ScopedFilterRegistration& operator=(const ScopedFilterRegistration&) = delete;

private:
    CLSID clsid_;
};

}  // namespace capspect::sim
