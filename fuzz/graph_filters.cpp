#include "fuzz/graph_filters.h"

#include "fuzz/fuzz_check.h"
#include "platform/support/comptr.h"

namespace capspect::fuzz {

int FilterCount(IFilterGraph* graph) {
    ComPtr<IEnumFilters> filters;
    Check(SUCCEEDED(graph->EnumFilters(filters.GetAddressOf())), "EnumFilters");
    int count = 0;
    ComPtr<IBaseFilter> filter;
    while (filters->Next(1, filter.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
        ++count;
    }
    return count;
}

}  // namespace capspect::fuzz
