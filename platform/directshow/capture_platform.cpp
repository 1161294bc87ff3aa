#include "platform/directshow/capture_platform.h"

#include "platform/devices/capture_filter.h"
#include "platform/directshow/capture_graph_builder.h"
#include "platform/directshow/filter_registry.h"
#include "platform/directshow/smart_tee.h"
#include "platform/linux/com.h"
#include "platform/linux/registry.h"
#include "platform/sdk/com.h"
#include "platform/sdk/registry.h"

namespace capspect::sim {
namespace {

constexpr char16_t kCaptureModule[] = u"qcap.dll";

void RegisterSmartTee() {
    FilterRegistration tee;
    tee.clsid = CLSID_SmartTee;
    tee.friendlyName = u"Smart Tee";
    tee.category = CLSID_LegacyAmFilterCategory;
    // Only the capture graph builder inserts it; intelligent connect never picks it.
    tee.merit = MERIT_DO_NOT_USE;
    tee.inputTypes = {{MEDIATYPE_Video, GUID_NULL}};
    tee.outputTypes = {{MEDIATYPE_Video, GUID_NULL}};
    tee.moduleFile = kCaptureModule;
    FilterRegistry::Instance().Register(tee, FactoryFor<SmartTee>());
    Registry::Instance().RegisterFilter(tee.category, tee.clsid, tee.friendlyName, tee.moduleFile);
}

}  // namespace

void RegisterSimulatedCapture() {
    ClassRegistry::Instance().Register(CLSID_CaptureGraphBuilder2,
                                       FactoryFor<CaptureGraphBuilder>());
    Registry::Instance().RegisterClass(CLSID_CaptureGraphBuilder2, u"Capture Graph Builder 2",
                                       kCaptureModule);
    RegisterSmartTee();
    InstallCaptureDeviceFactory();
}

}  // namespace capspect::sim
