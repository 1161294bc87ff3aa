// The V4L2 calls of memory-mapped streaming, behind an interface so that tests can stand
// in for a driver. Every call answers 0 or the errno, like the calls of V4l2Device.
#pragma once

#include <linux/videodev2.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace capspect::v4l2 {

// A buffer mapped into memory; unmapped when destroyed.
class BufferMapping {
public:
    virtual ~BufferMapping() = default;

protected:
    BufferMapping() = default;
    BufferMapping(const BufferMapping&) = default;
    BufferMapping& operator=(const BufferMapping&) = default;
};

// What mapping a buffer gives: the mapping, or the errno of the failed mmap.
struct MappedBuffer {
    std::unique_ptr<BufferMapping> mapping;
    int error = 0;
};

class V4l2Streaming {
public:
    virtual ~V4l2Streaming() = default;

    virtual int RequestBuffers(v4l2_requestbuffers& request) = 0;
    virtual int QueryBuffer(v4l2_buffer& buffer) = 0;
    virtual int QueueBuffer(v4l2_buffer& buffer) = 0;
    virtual int DequeueBuffer(v4l2_buffer& buffer) = 0;
    virtual int StreamOn(std::uint32_t bufferType) = 0;
    virtual int StreamOff(std::uint32_t bufferType) = 0;
    virtual int SetStd(v4l2_std_id standard) = 0;

    // Waits at most `timeout` until a buffer can be dequeued or the driver flags an error
    // (then the dequeue tells which): 0, ETIMEDOUT, EINTR when a signal came first, or
    // the errno of the wait itself.
    virtual int WaitForBuffer(std::chrono::milliseconds timeout) = 0;
    // Maps `length` bytes of the buffer memory at `offset` (QUERYBUF's mem_offset).
    virtual MappedBuffer Map(std::size_t length, std::uint32_t offset) = 0;

protected:
    V4l2Streaming() = default;
    V4l2Streaming(const V4l2Streaming&) = default;
    V4l2Streaming& operator=(const V4l2Streaming&) = default;
};

}  // namespace capspect::v4l2
