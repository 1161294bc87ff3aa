// Discovery on a fake /sys/class/video4linux and /dev tree in a temporary directory.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>

#include "platform/devices/v4l2/discovery.h"
#include "platform/devices/v4l2/recorded_device.h"

namespace capspect::v4l2 {
namespace {

namespace fs = std::filesystem;

struct FakeNode {
    std::string card;
    std::uint32_t capabilities;  // the whole device's
    std::uint32_t deviceCaps;    // this node's; V4L2_CAP_DEVICE_CAPS is set when non-zero
    int openError = 0;
};

class DiscoveryTest : public ::testing::Test {
protected:
    DiscoveryTest() {
        root_ =
            fs::temp_directory_path() / ("capspect-v4l2-" + std::to_string(std::random_device{}()));
        roots_ = {root_ / "sys/class/video4linux", root_ / "dev"};
        fs::create_directories(roots_.sysfs);
        fs::create_directories(roots_.dev / "v4l/by-id");
        fs::create_directories(roots_.dev / "v4l/by-path");
    }
    ~DiscoveryTest() override { fs::remove_all(root_); }

    void AddNode(const std::string& name, FakeNode node) {
        fs::create_directories(roots_.sysfs / name);
        std::ofstream(roots_.dev / name).put('\n');
        nodes_[roots_.dev / name] = std::move(node);
    }
    void Link(const std::string& kind, const std::string& link, const std::string& target) {
        fs::create_symlink("../../" + target, roots_.dev / "v4l" / kind / link);
    }

    DiscoveryResult Discover() {
        return DiscoverCaptureDevices(roots_, [this](const fs::path& path) -> OpenedDevice {
            const auto found = nodes_.find(path);
            if (found == nodes_.end() || found->second.openError) {
                return {nullptr, found == nodes_.end() ? ENOENT : found->second.openError};
            }
            DeviceRecording recording;
            std::strncpy(reinterpret_cast<char*>(recording.capability.card),
                         found->second.card.c_str(), sizeof recording.capability.card - 1);
            recording.capability.capabilities = found->second.capabilities;
            recording.capability.device_caps = found->second.deviceCaps;
            if (found->second.deviceCaps) {
                recording.capability.capabilities |= V4L2_CAP_DEVICE_CAPS;
            }
            return {std::make_unique<RecordedDevice>(std::move(recording)), 0};
        });
    }

    static std::vector<std::string> Descriptions(const DiscoveryResult& result) {
        std::vector<std::string> descriptions;
        for (const auto& device : result.devices) {
            descriptions.push_back(device.description);
        }
        return descriptions;
    }

    fs::path root_;
    DiscoveryRoots roots_;
    std::map<fs::path, FakeNode> nodes_;
};

constexpr std::uint32_t kCapture = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING;
constexpr std::uint32_t kMeta = V4L2_CAP_META_CAPTURE | V4L2_CAP_STREAMING;

TEST_F(DiscoveryTest, OnlyVideoCaptureNodesAreDevices) {
    // A webcam with its metadata node: the device has both, each node only one.
    AddNode("video0", {"Webcam", kCapture | kMeta, kCapture});
    AddNode("video1", {"Webcam", kCapture | kMeta, kMeta});
    AddNode("video2", {"Output", V4L2_CAP_VIDEO_OUTPUT, V4L2_CAP_VIDEO_OUTPUT});
    AddNode("video3", {"Codec", V4L2_CAP_VIDEO_M2M_MPLANE, V4L2_CAP_VIDEO_M2M_MPLANE});
    AddNode("video4", {"Planar", V4L2_CAP_VIDEO_CAPTURE_MPLANE, V4L2_CAP_VIDEO_CAPTURE_MPLANE});
    // An old driver without device capabilities.
    AddNode("video5", {"Old card", V4L2_CAP_VIDEO_CAPTURE, 0});
    // Other kinds of nodes are never opened.
    AddNode("radio0", {"Radio", V4L2_CAP_VIDEO_CAPTURE, 0});
    AddNode("v4l-subdev0", {"Sensor", V4L2_CAP_VIDEO_CAPTURE, 0});
    const DiscoveryResult result = Discover();
    EXPECT_EQ(Descriptions(result), (std::vector<std::string>{"Webcam", "Planar", "Old card"}));
    EXPECT_EQ(result.devices[0].card, "Webcam");
    EXPECT_TRUE(result.problems.empty());
}

TEST_F(DiscoveryTest, DevicePathPrefersByIdThenByPath) {
    AddNode("video0", {"A", kCapture, kCapture});
    AddNode("video2", {"B", kCapture, kCapture});
    AddNode("video10", {"C", kCapture, kCapture});
    Link("by-path", "pci-0000:00:14.0-usb-0:1:1.0-video-index0", "video0");
    Link("by-id", "usb-Vendor_Cam_123-video-index0", "video0");
    Link("by-id", "usb-Vendor_Cam_123-video-index1", "video1");  // dangling
    Link("by-path", "platform-b-video-index0", "video2");
    Link("by-path", "platform-a-video-index0", "video2");
    const DiscoveryResult result = Discover();
    ASSERT_EQ(result.devices.size(), 3u);
    // Node numbers order the list: video2 before video10.
    EXPECT_EQ(result.devices[0].devicePath,
              (roots_.dev / "v4l/by-id/usb-Vendor_Cam_123-video-index0").string());
    EXPECT_EQ(result.devices[1].devicePath,
              (roots_.dev / "v4l/by-path/platform-a-video-index0").string());
    EXPECT_EQ(result.devices[2].devicePath, (roots_.dev / "video10").string());
    EXPECT_EQ(result.devices[2].node, roots_.dev / "video10");
}

TEST_F(DiscoveryTest, NodesOfOneCardNameAreToldApartOnlyThen) {
    AddNode("video0", {"vivid", kCapture, kCapture});
    AddNode("video1", {"vivid", kCapture, kCapture});
    AddNode("video2", {"USB Camera", kCapture, kCapture});
    EXPECT_EQ(Descriptions(Discover()),
              (std::vector<std::string>{"vivid (video0)", "vivid (video1)", "USB Camera"}));
}

TEST_F(DiscoveryTest, NodesThatCannotBeOpenedAreReportedAsProblems) {
    AddNode("video0", {"Locked", kCapture, kCapture, EACCES});
    AddNode("video1", {"Open", kCapture, kCapture});
    fs::create_directories(roots_.sysfs / "video7");  // no device node at all
    const DiscoveryResult result = Discover();
    EXPECT_EQ(Descriptions(result), (std::vector<std::string>{"Open"}));
    ASSERT_EQ(result.problems.size(), 2u);
    EXPECT_EQ(result.problems[0].error, EACCES);
    EXPECT_EQ(result.problems[1].node, roots_.dev / "video7");
    EXPECT_EQ(result.problems[1].error, ENOENT);
}

TEST_F(DiscoveryTest, AMissingSysfsTreeFindsNothing) {
    roots_.sysfs = root_ / "nowhere";
    const DiscoveryResult result = Discover();
    EXPECT_TRUE(result.devices.empty());
    EXPECT_TRUE(result.problems.empty());
}

}  // namespace
}  // namespace capspect::v4l2
