// The DirectShow devices of one category (video or audio capture sources) as an owned
// collection: each entry names a device by its description and device path and keeps
// the moniker from which its filter is created later.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <windows.h>

#include <dshow.h>

#include "framework/Collections.h"
#include "platform/support/comptr.h"

namespace capspect {

class TThreadStringList;

// One device of a category.
class TDXShowDevice : public TCollectionItem {
public:
    TDXShowDevice(std::u16string description, std::u16string devicePath, ComPtr<IMoniker> moniker,
                  const ::CLSID& clsid);

    // The property bag's "DevicePath", or its "CLSID" text when the device has no path.
    const std::u16string& DevicePath() const { return FDevicePath; }
    // The property bag's "Description", or its "FriendlyName" when it has none.
    const std::u16string& Description() const { return FDescription; }

    const ComPtr<IMoniker>& Moniker() const { return FMoniker; }
    void SetMoniker(ComPtr<IMoniker> moniker) { FMoniker = std::move(moniker); }

    // The filter class; GUID_NULL when the device names none or not as a GUID.
    const ::CLSID& CLSID() const { return FCLSID; }
    void SetCLSID(const ::CLSID& clsid) { FCLSID = clsid; }

    // The file that implements the device's class, as the registry names it under the
    // class's InprocServer32 key; "<Unknown>" when the class has no such key. The answer is
    // kept for later reads, except an empty one, which is looked up again next time.
    const std::u16string& FileName() const;

private:
    std::u16string FDevicePath;
    std::u16string FDescription;
    ComPtr<IMoniker> FMoniker;
    ::CLSID FCLSID{};
    mutable std::u16string FFileName;
};

// Fired when the collection cannot do its work: the result code and a text for the user.
using TDXShowDevicesErrorEvent = std::function<void(HRESULT hr, const std::u16string& message)>;

// The devices of a category, in the order the system device enumerator lists them.
class TDXShowDevices : public TCollection<TDXShowDevice> {
public:
    // Rebuilds the collection from the platform.
    virtual void Refresh() = 0;

    // The first device whose path equals `devicePath` with case ignored in the user's
    // locale; nullptr when there is none.
    TDXShowDevice* FindDevice(std::u16string_view devicePath);
    const TDXShowDevice* FindDevice(std::u16string_view devicePath) const;

    // Rebuilds the collection from the devices the system device enumerator lists under
    // `category`. Devices whose property bag cannot be opened or that carry neither a
    // description nor a friendly name are left out. When the enumerator cannot be created
    // the collection stays empty and OnError receives the code and the text
    // "<DirectShow error text> Reason: ($<code as 8 upper-case hex digits>)."; the owner
    // decides how to show it (a message box in the window, a line on stderr on the
    // command line).
    void EnumerateCategory(const GUID& category);

    // The descriptions in collection order.
    std::vector<std::u16string> Descriptions() const;
    // Replaces the contents of `list` with the descriptions, holding the list's lock
    // throughout so that no reader sees it half filled.
    void AssignTo(TThreadStringList& list) const;

    TDXShowDevicesErrorEvent OnError;
    // Fired after each rebuild (EnumerateCategory, Refresh), whether or not the devices
    // differ, so that whoever shows the list (the main window's combo box) reads it again.
    std::function<void()> OnChange;

private:
    void ReadCategory(const GUID& category);
    void ReportEnumeratorFailure(HRESULT hr) const;
    void AddDevice(ComPtr<IMoniker> moniker);
};

// The video capture sources, or the audio capture sources when Video is false.
class TDXShowCaptureDevices : public TDXShowDevices {
public:
    // Starts empty; the owner calls Refresh.
    TDXShowCaptureDevices() = default;

    bool Video() const { return FVideo; }
    // Takes effect at the next Refresh.
    void SetVideo(bool video) { FVideo = video; }

    void Refresh() override;

private:
    bool FVideo = true;
};

}  // namespace capspect
