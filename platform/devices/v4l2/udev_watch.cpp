#include "platform/devices/v4l2/udev_watch.h"

#ifdef CAPSPECT_HAVE_LIBUDEV

#include <libudev.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

#include "platform/linux/unique_fd.h"

namespace capspect::v4l2 {
namespace {

struct UdevDeleter {
    void operator()(udev* context) const { udev_unref(context); }
    void operator()(udev_monitor* monitor) const { udev_monitor_unref(monitor); }
    void operator()(udev_device* device) const { udev_device_unref(device); }
};
template <typename T>
using UdevPtr = std::unique_ptr<T, UdevDeleter>;

class LibudevWatch final : public UdevWatch {
public:
    LibudevWatch(UdevPtr<udev> context, UdevPtr<udev_monitor> monitor, UniqueFd stopFd,
                 EventHandler handler)
        : context_(std::move(context)),
          monitor_(std::move(monitor)),
          stop_(std::move(stopFd)),
          handler_(std::move(handler)),
          thread_([this] { Run(); }) {}

    ~LibudevWatch() override {
        const std::uint64_t one = 1;
        // The thread waits on this descriptor too; a failed write would leave it waiting,
        // but eventfd writes of 1 fail only on counter overflow.
        [[maybe_unused]] const ssize_t written = write(stop_.Get(), &one, sizeof one);
        thread_.join();
    }
    LibudevWatch(const LibudevWatch&) = delete;
    LibudevWatch& operator=(const LibudevWatch&) = delete;

private:
    void Run() {
        pollfd fds[2] = {{udev_monitor_get_fd(monitor_.get()), POLLIN, 0},
                         {stop_.Get(), POLLIN, 0}};
        for (;;) {
            if (poll(fds, 2, -1) < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return;
            }
            if ((fds[1].revents & POLLIN) != 0) {
                return;
            }
            if ((fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
                return;
            }
            if ((fds[0].revents & POLLIN) != 0) {
                // Each event is read off the socket; what it says is read again from sysfs
                // by the handler's owner, so the device record itself is not kept. A
                // receive that fails may have lost events (a full socket buffer), so the
                // handler hears of it too: one reading too many costs little.
                const UdevPtr<udev_device> device(udev_monitor_receive_device(monitor_.get()));
                handler_();
            }
        }
    }

    const UdevPtr<udev> context_;
    const UdevPtr<udev_monitor> monitor_;
    const UniqueFd stop_;
    const EventHandler handler_;
    std::thread thread_;  // last: it starts once everything it uses is there
};

std::string Why(const char* step) {
    return std::string(step) + ": " + std::strerror(errno);
}

}  // namespace

bool UdevWatch::Available() {
    return true;
}

std::unique_ptr<UdevWatch> UdevWatch::Start(EventHandler handler, std::string& failure) {
    UdevPtr<udev> context(udev_new());
    if (!context) {
        failure = Why("udev_new");
        return nullptr;
    }
    // "udev" events come after udev has made the node and its /dev/v4l links, so a rescan
    // then finds the device complete ("kernel" events may come before that).
    UdevPtr<udev_monitor> monitor(udev_monitor_new_from_netlink(context.get(), "udev"));
    if (!monitor) {
        failure = Why("udev_monitor_new_from_netlink");
        return nullptr;
    }
    if (udev_monitor_filter_add_match_subsystem_devtype(monitor.get(), "video4linux", nullptr) <
            0 ||
        udev_monitor_enable_receiving(monitor.get()) < 0) {
        failure = Why("udev_monitor_enable_receiving");
        return nullptr;
    }
    UniqueFd stopFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!stopFd.IsValid()) {
        failure = Why("eventfd");
        return nullptr;
    }
    return std::make_unique<LibudevWatch>(std::move(context), std::move(monitor), std::move(stopFd),
                                          std::move(handler));
}

}  // namespace capspect::v4l2

#else  // without libudev

namespace capspect::v4l2 {

bool UdevWatch::Available() {
    return false;
}

std::unique_ptr<UdevWatch> UdevWatch::Start(EventHandler /*handler*/, std::string& failure) {
    failure = "built without libudev";
    return nullptr;
}

}  // namespace capspect::v4l2

#endif
