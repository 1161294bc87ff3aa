// Registration of the simulated renderers.
#include "platform/directshow/renderers.h"
#include "platform/directshow/standard_filters.h"
#include "platform/sdk/dshow/capture.h"

namespace capspect::sim {

void RegisterSimulatedRenderers() {
    const std::vector<RegisteredMediaType> video{{MEDIATYPE_Video, GUID_NULL}};
    // The renderers are inserted by the application, which the graph manager then renders
    // to; none is added by intelligent connect (the graph manager's candidates need not
    // have outputs, and a renderer tried between two pins would only be removed again).
    RegisterStandardFilter<VideoRenderer>(StandardFilter{CLSID_VideoRenderer,
                                                         "CLSID_VideoRenderer",
                                                         u"Video Renderer",
                                                         u"quartz.dll",
                                                         MERIT_DO_NOT_USE,
                                                         video,
                                                         {}});
    RegisterStandardFilter<OverlayMixer>(StandardFilter{CLSID_OverlayMixer, "CLSID_OverlayMixer",
                                                        u"Overlay Mixer", u"qdvd.dll",
                                                        MERIT_DO_NOT_USE, video, video});
    RegisterStandardFilter<Vmr7Renderer>(StandardFilter{CLSID_VideoMixingRenderer,
                                                        "CLSID_VideoMixingRenderer",
                                                        u"Video Mixing Renderer",
                                                        u"quartz.dll",
                                                        MERIT_DO_NOT_USE,
                                                        video,
                                                        {}});
    RegisterStandardFilter<Vmr9Renderer>(StandardFilter{CLSID_VideoMixingRenderer9,
                                                        "CLSID_VideoMixingRenderer9",
                                                        u"Video Mixing Renderer 9",
                                                        u"quartz.dll",
                                                        MERIT_DO_NOT_USE,
                                                        video,
                                                        {}});
    RegisterStandardFilter<EvrRenderer>(StandardFilter{CLSID_EnhancedVideoRenderer,
                                                       "CLSID_EnhancedVideoRenderer",
                                                       u"Enhanced Video Renderer",
                                                       u"evr.dll",
                                                       MERIT_DO_NOT_USE,
                                                       video,
                                                       {}});
}

}  // namespace capspect::sim
