// A fake /sys/class/video4linux and /dev tree in a temporary directory whose nodes answer
// from recordings (RecordedDevice), for tests of the V4L2 backend without a device.
#pragma once

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <system_error>

#include "platform/devices/v4l2/discovery.h"
#include "platform/devices/v4l2/recorded_device.h"
#include "tests/support/temp_dir.h"

namespace capspect::test {

class FakeV4l2Tree {
public:
    FakeV4l2Tree() {
        roots_ = {dir_.path() / "sys/class/video4linux", dir_.path() / "dev"};
        std::filesystem::create_directories(roots_.sysfs);
        std::filesystem::create_directories(roots_.dev / "v4l/by-id");
        std::filesystem::create_directories(roots_.dev / "v4l/by-path");
    }

    // Adds node `name` (video0, …) answering from `recording`; with `byId` a by-id link.
    void AddNode(const std::string& name, v4l2::DeviceRecording recording,
                 const std::string& byId = "") {
        std::filesystem::create_directories(roots_.sysfs / name);
        std::ofstream(roots_.dev / name).put('\n');
        if (!byId.empty()) {
            std::filesystem::create_symlink("../../" + name, roots_.dev / "v4l/by-id" / byId);
        }
        recordings_[roots_.dev / name] = std::move(recording);
    }

    // Unplugs node `name`: its sysfs entry, device file, by-id links and answers go. Devices
    // opened before keep answering until the test makes them fail (FailEveryCall).
    void RemoveNode(const std::string& name) {
        std::filesystem::remove_all(roots_.sysfs / name);
        std::filesystem::remove(roots_.dev / name);
        std::error_code ignored;
        for (const auto& link :
             std::filesystem::directory_iterator(roots_.dev / "v4l/by-id", ignored)) {
            if (std::filesystem::read_symlink(link.path(), ignored) == "../../" + name) {
                std::filesystem::remove(link.path());
            }
        }
        recordings_.erase(roots_.dev / name);
    }

    // The next device opened at `name` answers `calls` calls, then fails every call with
    // ENODEV: a device unplugged while it is being asked.
    void VanishAfter(const std::string& name, std::size_t calls) {
        vanishAfter_[roots_.dev / name] = calls;
    }

    // The next device opened at `name` is handed to `prepare` first (to make some of its
    // calls fail, say).
    void PrepareNextOpen(const std::string& name,
                         std::function<void(v4l2::RecordedDevice&)> prepare) {
        prepareNext_[roots_.dev / name] = std::move(prepare);
    }

    // From now on opening `name` fails with `error`.
    void FailOpen(const std::string& name, int error) { openErrors_[roots_.dev / name] = error; }

    const v4l2::DiscoveryRoots& Roots() const { return roots_; }
    std::filesystem::path Dev(const std::string& name) const { return roots_.dev / name; }

    // Opens nodes as RecordedDevices; the last one opened stays reachable through
    // LastOpened() for as long as its owner keeps it.
    v4l2::DeviceOpener Opener() {
        return [this](const std::filesystem::path& node) -> v4l2::OpenedDevice {
            if (const auto failure = openErrors_.find(node); failure != openErrors_.end()) {
                return {nullptr, failure->second};
            }
            const auto found = recordings_.find(node);
            if (found == recordings_.end()) {
                return {nullptr, ENOENT};
            }
            auto device = std::make_unique<v4l2::RecordedDevice>(found->second);
            if (const auto vanish = vanishAfter_.find(node); vanish != vanishAfter_.end()) {
                device->FailAfter(vanish->second, ENODEV);
                vanishAfter_.erase(vanish);
            }
            if (const auto prepare = prepareNext_.find(node); prepare != prepareNext_.end()) {
                prepare->second(*device);
                prepareNext_.erase(prepare);
            }
            lastOpened_ = device.get();
            return {std::move(device), 0};
        };
    }

    v4l2::RecordedDevice* LastOpened() const { return lastOpened_; }

private:
    TempDir dir_;
    v4l2::DiscoveryRoots roots_;
    std::map<std::filesystem::path, v4l2::DeviceRecording> recordings_;
    std::map<std::filesystem::path, int> openErrors_;
    std::map<std::filesystem::path, std::size_t> vanishAfter_;
    std::map<std::filesystem::path, std::function<void(v4l2::RecordedDevice&)>> prepareNext_;
    v4l2::RecordedDevice* lastOpened_ = nullptr;
};

}  // namespace capspect::test
