// libudev's monitor of the video4linux subsystem, on a thread of its own: it calls a
// handler for every device event udev reports (a node added, removed or changed). The
// handler runs on the watch's thread, so it should only hand the news on (post a message);
// everything else belongs on the thread that owns the devices.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace capspect::v4l2 {

class UdevWatch {
public:
    using EventHandler = std::function<void()>;

    virtual ~UdevWatch() = default;

    // Whether this build has libudev at all.
    static bool Available();

    // Starts watching. Answers null and says why in `failure` when libudev is not built in
    // or the monitor cannot be set up (no netlink socket in a sandbox, for instance). The
    // watch stops, and its thread ends, when the object goes; the handler is not called
    // after that.
    static std::unique_ptr<UdevWatch> Start(EventHandler handler, std::string& failure);

protected:
    UdevWatch() = default;
    UdevWatch(const UdevWatch&) = default;
    UdevWatch& operator=(const UdevWatch&) = default;
};

}  // namespace capspect::v4l2
