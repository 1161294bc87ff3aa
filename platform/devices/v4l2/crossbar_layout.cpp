#include "platform/devices/v4l2/crossbar_layout.h"

#include <cstring>

#include "platform/devices/v4l2/analog.h"

namespace capspect::v4l2 {
namespace {

template <std::size_t N>
std::string Text(const __u8 (&field)[N]) {
    const char* chars = reinterpret_cast<const char*>(field);
    return std::string(chars, strnlen(chars, N));
}

bool InAudioSet(const v4l2_input& input, std::uint32_t audioIndex) {
    return audioIndex < 32 && (input.audioset & (1u << audioIndex)) != 0;
}

}  // namespace

std::optional<CrossbarLayout> CrossbarOf(const DeviceRecording& recording) {
    std::vector<const v4l2_input*> videoInputs;
    for (const InputRecording& state : recording.inputs) {
        if (state.input) {
            videoInputs.push_back(&*state.input);
        }
    }
    const auto& audioInputs = recording.audioInputs;
    if (videoInputs.size() <= 1 && audioInputs.empty()) {
        return std::nullopt;
    }

    const std::string busInfo = Text(recording.capability.bus_info);
    const LONG firstAudio = static_cast<LONG>(videoInputs.size());
    CrossbarLayout layout;
    for (const v4l2_input* input : videoInputs) {
        LONG related = -1;
        for (std::size_t a = 0; a < audioInputs.size() && related < 0; ++a) {
            if (InAudioSet(*input, audioInputs[a].index)) {
                related = firstAudio + static_cast<LONG>(a);
            }
        }
        layout.inputs.push_back(
            {VideoConnectorOf(*input, busInfo), related, input->index, Text(input->name)});
    }
    for (const v4l2_audio& audio : audioInputs) {
        LONG related = -1;
        for (std::size_t v = 0; v < videoInputs.size() && related < 0; ++v) {
            if (InAudioSet(*videoInputs[v], audio.index)) {
                related = static_cast<LONG>(v);
            }
        }
        layout.inputs.push_back({AudioConnectorOf(audio), related, audio.index, Text(audio.name)});
    }

    // The selected input is routed to the decoder, with the audio input it selected.
    LONG videoRoute = -1;
    const InputRecording* current = nullptr;
    for (const InputRecording& state : recording.inputs) {
        if (state.input && recording.currentInput &&
            static_cast<int>(state.input->index) == *recording.currentInput) {
            current = &state;
        }
    }
    for (std::size_t v = 0; v < videoInputs.size(); ++v) {
        if (current && videoInputs[v] == &*current->input) {
            videoRoute = static_cast<LONG>(v);
        }
    }
    layout.outputs.push_back({PhysConn_Video_VideoDecoder, videoRoute});
    if (!audioInputs.empty()) {
        LONG audioRoute = -1;
        for (std::size_t a = 0; a < audioInputs.size(); ++a) {
            if (current && current->audio && audioInputs[a].index == *current->audio) {
                audioRoute = firstAudio + static_cast<LONG>(a);
            }
        }
        layout.outputs.push_back({PhysConn_Audio_AudioDecoder, audioRoute});
    }
    return layout;
}

}  // namespace capspect::v4l2
