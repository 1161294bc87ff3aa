#include "platform/devices/v4l2/mmap_stream.h"

#include <time.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/devices/v4l2/errors.h"

namespace capspect::v4l2 {
namespace {

using Steady = std::chrono::steady_clock;

// Enough for the driver to fill one while we hold another, as capture programs use.
constexpr std::uint32_t kBufferCount = 4;
// Waits are cut into slices so that a stop request is heard soon even without a signal.
constexpr std::chrono::milliseconds kWaitSlice{100};

bool IsMultiPlanar(std::uint32_t bufferType) {
    return bufferType == V4L2_BUF_TYPE_VIDEO_CAPTURE_MPLANE;
}

REFERENCE_TIME ToReferenceTime(Steady::duration duration) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(duration).count() / 100;
}

REFERENCE_TIME MonotonicNow() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<REFERENCE_TIME>(now.tv_sec) * 10'000'000 + now.tv_nsec / 100;
}

// The time of a dequeued frame on the monotonic clock.
REFERENCE_TIME FrameTime(const v4l2_buffer& buffer) {
    if ((buffer.flags & V4L2_BUF_FLAG_TIMESTAMP_MASK) != V4L2_BUF_FLAG_TIMESTAMP_MONOTONIC) {
        return MonotonicNow();
    }
    return static_cast<REFERENCE_TIME>(buffer.timestamp.tv_sec) * 10'000'000 +
           static_cast<REFERENCE_TIME>(buffer.timestamp.tv_usec) * 10;
}

// A buffer record of the stream's type; multi-planar records point at `planes`.
class BufferRecord {
public:
    BufferRecord(std::uint32_t bufferType, std::uint32_t index) {
        buffer_.type = bufferType;
        buffer_.memory = V4L2_MEMORY_MMAP;
        buffer_.index = index;
        if (IsMultiPlanar(bufferType)) {
            buffer_.m.planes = planes_.data();
            buffer_.length = VIDEO_MAX_PLANES;
        }
    }
    BufferRecord(const BufferRecord&) = delete;
    BufferRecord& operator=(const BufferRecord&) = delete;

    v4l2_buffer& Get() { return buffer_; }
    bool MultiPlanar() const { return IsMultiPlanar(buffer_.type); }
    const v4l2_plane& Plane(std::size_t i) const { return planes_[i]; }

private:
    v4l2_buffer buffer_{};
    std::array<v4l2_plane, VIDEO_MAX_PLANES> planes_{};
};

// The stream's buffers: requested, mapped and queued; unmapped and released when it goes.
class StreamBuffers {
public:
    StreamBuffers(V4l2Streaming& device, std::uint32_t bufferType)
        : device_(device), bufferType_(bufferType) {}
    StreamBuffers(const StreamBuffers&) = delete;
    StreamBuffers& operator=(const StreamBuffers&) = delete;

    ~StreamBuffers() {
        // The driver keeps buffers that are still mapped, so unmap first.
        mappings_.clear();
        if (requested_) {
            v4l2_requestbuffers release{};
            release.type = bufferType_;
            release.memory = V4L2_MEMORY_MMAP;
            release.count = 0;
            device_.RequestBuffers(release);
        }
    }

    std::optional<FailedCall> Prepare() {
        v4l2_requestbuffers request{};
        request.type = bufferType_;
        request.memory = V4L2_MEMORY_MMAP;
        request.count = kBufferCount;
        if (const int error = device_.RequestBuffers(request); error != 0) {
            return FailedV4l2Call("VIDIOC_REQBUFS", error);
        }
        requested_ = true;
        if (request.count == 0) {
            return FailedV4l2Call("VIDIOC_REQBUFS", ENOMEM);
        }
        for (std::uint32_t index = 0; index < request.count; ++index) {
            if (auto failed = MapAndQueue(index)) {
                return failed;
            }
        }
        return std::nullopt;
    }

private:
    std::optional<FailedCall> MapAndQueue(std::uint32_t index) {
        BufferRecord record(bufferType_, index);
        if (const int error = device_.QueryBuffer(record.Get()); error != 0) {
            return FailedV4l2Call("VIDIOC_QUERYBUF", error);
        }
        const v4l2_buffer& buffer = record.Get();
        if (record.MultiPlanar()) {
            for (std::uint32_t plane = 0; plane < buffer.length; ++plane) {
                if (auto failed =
                        MapOne(record.Plane(plane).length, record.Plane(plane).m.mem_offset)) {
                    return failed;
                }
            }
        } else if (auto failed = MapOne(buffer.length, buffer.m.offset)) {
            return failed;
        }
        BufferRecord queued(bufferType_, index);
        if (const int error = device_.QueueBuffer(queued.Get()); error != 0) {
            return FailedV4l2Call("VIDIOC_QBUF", error);
        }
        return std::nullopt;
    }

    std::optional<FailedCall> MapOne(std::size_t length, std::uint32_t offset) {
        MappedBuffer mapped = device_.Map(length, offset);
        if (!mapped.mapping) {
            return FailedV4l2Call("mmap", mapped.error);
        }
        mappings_.push_back(std::move(mapped.mapping));
        return std::nullopt;
    }

    V4l2Streaming& device_;
    const std::uint32_t bufferType_;
    bool requested_ = false;
    std::vector<std::unique_ptr<BufferMapping>> mappings_;
};

// Takes frames from a started stream until the trial ends.
class FrameTaker {
public:
    FrameTaker(V4l2Streaming& device, std::uint32_t bufferType, const TrialRequest& request,
               TrialResult& result)
        : device_(device), bufferType_(bufferType), request_(request), result_(result) {}

    void Run(Steady::time_point started) {
        const auto timeout = std::chrono::duration_cast<Steady::duration>(
            std::chrono::nanoseconds(request_.frameTimeout * 100));
        Steady::time_point deadline = started + timeout;
        while (static_cast<int>(result_.frameTimes.size()) < request_.frames) {
            if (request_.stopRequested && request_.stopRequested()) {
                result_.stopped = true;
                return;
            }
            const Steady::time_point now = Steady::now();
            if (now >= deadline) {
                result_.silent = true;
                return;
            }
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now);
            const int waited = device_.WaitForBuffer(std::min(left, kWaitSlice));
            if (waited == ETIMEDOUT || waited == EINTR) {
                continue;
            }
            if (waited != 0) {
                result_.failure = FailedV4l2Call("poll", waited);
                return;
            }
            switch (TakeOne(started)) {
                case Taken::Frame:
                    deadline = Steady::now() + timeout;
                    break;
                case Taken::Nothing:
                    break;  // woken without a buffer: the deadline still holds
                case Taken::End:
                    return;
            }
        }
    }

private:
    enum class Taken { Frame, Nothing, End };

    // Dequeues a frame, notes it and queues the buffer again.
    Taken TakeOne(Steady::time_point started) {
        BufferRecord record(bufferType_, 0);
        v4l2_buffer& buffer = record.Get();
        if (const int error = device_.DequeueBuffer(buffer); error != 0) {
            if (error == EAGAIN) {
                return Taken::Nothing;
            }
            result_.failure = FailedV4l2Call("VIDIOC_DQBUF", error);
            return Taken::End;
        }
        if ((buffer.flags & V4L2_BUF_FLAG_ERROR) != 0) {
            result_.failure = FailedV4l2Call("VIDIOC_DQBUF", EIO);
            result_.failure->reason = "buffer " + std::to_string(buffer.index) +
                                      " flagged V4L2_BUF_FLAG_ERROR (corrupted frame)";
            return Taken::End;
        }
        if (result_.frameTimes.empty()) {
            result_.firstFrameDelay = ToReferenceTime(Steady::now() - started);
        }
        result_.frameTimes.push_back(FrameTime(buffer));
        if (const int error = device_.QueueBuffer(buffer); error != 0) {
            result_.failure = FailedV4l2Call("VIDIOC_QBUF", error);
            return Taken::End;
        }
        return Taken::Frame;
    }

    V4l2Streaming& device_;
    const std::uint32_t bufferType_;
    const TrialRequest& request_;
    TrialResult& result_;
};

}  // namespace

FailedCall FailedV4l2Call(const char* call, int error) {
    return FailedCall{call, HResultFromErrno(error), std::strerror(error)};
}

void StreamMmapFrames(V4l2Streaming& device, std::uint32_t bufferType, const TrialRequest& request,
                      TrialResult& result) {
    StreamBuffers buffers(device, bufferType);
    if (auto failed = buffers.Prepare()) {
        result.failure = std::move(failed);
        return;
    }
    const Steady::time_point started = Steady::now();
    if (const int error = device.StreamOn(bufferType); error != 0) {
        result.failure = FailedV4l2Call("VIDIOC_STREAMON", error);
        return;
    }
    FrameTaker(device, bufferType, request, result).Run(started);
    const int error = device.StreamOff(bufferType);
    if (error != 0 && !result.failure) {
        result.failure = FailedV4l2Call("VIDIOC_STREAMOFF", error);
    }
}

}  // namespace capspect::v4l2
