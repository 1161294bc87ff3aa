// The standard splitters and video decoders the video component inserts for quick start,
// registered in the filter mapper so that intelligent connect uses them as well: the
// MPEG-1 Stream Splitter, the MPEG Video Decoder, the AVI Splitter and the DV Video
// Decoder.
//
// No data flows through the simulated graph, so a splitter does not read its file: when
// its input connects it offers the streams it was given (SetStreams), by default those of
// a typical file of its kind (see docs/decisions.md). A decoder offers, once its input is
// connected, the uncompressed types of the picture its input carries.
#pragma once

#include <string>
#include <vector>

#include "platform/directshow/filter.h"
#include "platform/directshow/renderer_base.h"

namespace capspect::sim {

// One output stream of a splitter: its pin name and media type.
struct SplitterStream {
    std::u16string pinName;
    MediaType mediaType;
};

// A splitter: a MEDIATYPE_Stream input of the given subtypes, and one output pin per
// stream while the input is connected.
class SplitterFilter : public Filter {
public:
    SplitterFilter(const CLSID& clsid, std::vector<GUID> inputSubtypes,
                   std::vector<SplitterStream> streams);

    // The streams the next input connection offers.
    void SetStreams(std::vector<SplitterStream> streams) { streams_ = std::move(streams); }

private:
    class InputPin;
    void CreateOutputs();
    void RemoveOutputs();

    std::vector<SplitterStream> streams_;
};

// The streams of a typical MPEG-1 system stream: 352 × 288 video at 25 frames per second
// and MPEG-1 layer 2 audio.
std::vector<SplitterStream> TypicalMpeg1Streams();
// The streams of a typical DV AVI file: 720 × 576 dvsd video at 25 frames per second and
// 48 kHz 16-bit stereo PCM.
std::vector<SplitterStream> TypicalDvAviStreams();

// A video decoder: a MEDIATYPE_Video input of the given subtypes; its output offers the
// `outputSubtypes` of the input's picture while the input is connected.
class VideoDecoderFilter : public Filter {
public:
    VideoDecoderFilter(const CLSID& clsid, std::vector<GUID> inputSubtypes,
                       std::vector<GUID> outputSubtypes);

private:
    class InputPin;
    void OfferOutputsFor(const AM_MEDIA_TYPE& input);
    void WithdrawOutputs();

    std::vector<GUID> outputSubtypes_;
    Pin* output_ = nullptr;
};

// An uncompressed video type of `subtype` for a picture (VIDEOINFOHEADER).
MediaType UncompressedVideoType(const GUID& subtype, const VideoFormat& picture);

class Mpeg1Splitter final : public SplitterFilter {
public:
    Mpeg1Splitter();
};

class MpegVideoDecoder final : public VideoDecoderFilter {
public:
    MpegVideoDecoder();
};

class AviSplitter final : public SplitterFilter {
public:
    AviSplitter();
};

class DvVideoDecoder final : public VideoDecoderFilter {
public:
    DvVideoDecoder();
};

// Registers the four classes, their filter mapper entries (merit, pin types) and their
// registry keys.
void RegisterSimulatedDecoders();

}  // namespace capspect::sim
