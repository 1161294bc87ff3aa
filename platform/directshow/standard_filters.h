// Registration of the platform's standard filter classes in the simulated platform: the
// class for CoCreateInstance, the filter mapper entry that intelligent connect reads, and
// the registry keys (friendly name in its category, implementing file) the platform has.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/directshow/filter_registry.h"
#include "platform/linux/com.h"
#include "platform/support/faults.h"
#include "platform/linux/registry.h"
#include "platform/sdk/com.h"
#include "platform/sdk/registry.h"

namespace capspect::sim {

struct StandardFilter {
    CLSID clsid;
    // The class's name in code, for the fault "CoCreateInstance(<name>)".
    std::string clsidName;
    std::u16string friendlyName;
    std::u16string moduleFile;
    DWORD merit = MERIT_NORMAL;
    std::vector<RegisteredMediaType> inputTypes;
    std::vector<RegisteredMediaType> outputTypes;
};

template <typename Filter>
void RegisterStandardFilter(const StandardFilter& filter) {
    FilterRegistration registration;
    registration.clsid = filter.clsid;
    registration.friendlyName = filter.friendlyName;
    registration.category = CLSID_LegacyAmFilterCategory;
    registration.merit = filter.merit;
    registration.inputTypes = filter.inputTypes;
    registration.outputTypes = filter.outputTypes;
    registration.moduleFile = filter.moduleFile;
    const std::string faultName = "CoCreateInstance(" + filter.clsidName + ")";
    FilterRegistry::Instance().Register(std::move(registration),
                                        [faultName](REFIID riid, void** object) -> HRESULT {
                                            if (const auto fault = InjectedFault(faultName)) {
                                                if (object != nullptr) {
                                                    *object = nullptr;
                                                }
                                                return *fault;
                                            }
                                            return FactoryFor<Filter>()(riid, object);
                                        });
    Registry::Instance().RegisterFilter(CLSID_LegacyAmFilterCategory, filter.clsid,
                                        filter.friendlyName, filter.moduleFile);
}

}  // namespace capspect::sim
