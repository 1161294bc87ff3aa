// Saving and loading the whole graph through IPersistStream.
#include "platform/sim/filter_graph.h"

namespace capspect::sim {

HRESULT FilterGraph::GetClassID(CLSID* classId) {
    if (classId == nullptr) {
        return E_POINTER;
    }
    *classId = CLSID_FilterGraph;
    return S_OK;
}

HRESULT FilterGraph::IsDirty() {
    return dirty_ ? S_OK : S_FALSE;
}

HRESULT FilterGraph::Load(IStream* /*stream*/) {
    return E_NOTIMPL;
}

HRESULT FilterGraph::Save(IStream* /*stream*/, BOOL /*clearDirty*/) {
    return E_NOTIMPL;
}

HRESULT FilterGraph::GetSizeMax(ULARGE_INTEGER* size) {
    if (size == nullptr) {
        return E_POINTER;
    }
    return E_NOTIMPL;
}

}  // namespace capspect::sim
