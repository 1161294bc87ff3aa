// The capture component on the system's own DirectShow: its device enumerator and capture
// graph builder are the platform's.
#include <windows.h>

#include <dshow.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Components/VQDirectShow/DXShowCapture.h"
#include "tests/windows/com_apartment.h"

namespace {

using namespace capspect;

TEST(SystemCapture, OnAMachineWithoutDevicesListsNoneAndRendersNothing) {
    const test::ComApartment apartment;
    ASSERT_EQ(apartment.Result(), S_OK);
    std::vector<std::u16string> errors;
    TDXShowCapture capture(
        {[&](HRESULT, const std::u16string& text) { errors.push_back(text); }, {}});
    ASSERT_TRUE(errors.empty()) << std::string(errors.front().begin(), errors.front().end());
    // A renderer that Wine has too (it lacks the overlay mixer).
    capture.SetDSVideoRenderer(vrVMR9);
    capture.CaptureDevices().Refresh();
    if (capture.CaptureDevices().Count() > 0) {
        GTEST_SKIP() << "this machine has video capture devices";
    }
    EXPECT_TRUE(capture.CaptureDevices().Descriptions().empty());
    EXPECT_EQ(capture.RenderFile(u"", true), S_OK);
    EXPECT_FALSE(capture.Cap());
    EXPECT_EQ(capture.RenderFile(u"@device:pnp:\\\\?\\no-such-device", true), S_OK);
    EXPECT_FALSE(capture.Cap());
    EXPECT_TRUE(errors.empty()) << std::string(errors.front().begin(), errors.front().end());
}

}  // namespace
