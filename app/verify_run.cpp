#include "app/verify_run.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/support/comptr.h"
#include "platform/support/mediatypes.h"
#include "platform/support/unicode.h"

namespace capspect {
namespace {

// Finds the stream configuration's capability index of each listed format. The list
// keeps the indices' order but leaves out those GetStreamCaps failed for, so the search
// goes on from the last index found.
class CapabilityIndexer {
public:
    explicit CapabilityIndexer(IAMStreamConfig* config) : config_(config) {
        int size = 0;
        if (config_ == nullptr || FAILED(config_->GetNumberOfCapabilities(&count_, &size))) {
            count_ = 0;
        }
    }

    // The capability `item` was read from; -1 when it is not found.
    int IndexOf(const TDXShowStreamConfigItem& item) {
        for (int index = next_; index < count_; ++index) {
            if (Matches(index, item)) {
                next_ = index + 1;
                return index;
            }
        }
        return -1;
    }

private:
    bool Matches(int index, const TDXShowStreamConfigItem& item) const {
        VIDEO_STREAM_CONFIG_CAPS caps{};
        AM_MEDIA_TYPE* type = nullptr;
        if (FAILED(config_->GetStreamCaps(index, &type, reinterpret_cast<BYTE*>(&caps)))) {
            return false;
        }
        const UniqueMediaType owned(type);
        return item.PmtConfig() != nullptr && MediaTypesEqual(*owned, *item.PmtConfig()) &&
               std::memcmp(&caps, &item.ConfigCaps(), sizeof caps) == 0;
    }

    IAMStreamConfig* const config_;
    int count_ = 0;
    int next_ = 0;
};

std::optional<double> AdvertisedRate(const AM_MEDIA_TYPE& format) {
    const std::optional<VideoFrame> frame = VideoFrameOf(format);
    if (!frame || frame->avgTimePerFrame <= 0) {
        return std::nullopt;
    }
    return 10'000'000.0 / static_cast<double>(frame->avgTimePerFrame);
}

// Restores the device when it goes, so that no way out of a run leaves it changed.
class RestoreOnExit {
public:
    RestoreOnExit(FormatTrials& trials, VerifyRun& run) : trials_(trials), run_(run) {}
    ~RestoreOnExit() { run_.restoreFailure = trials_.Restore(); }
    RestoreOnExit(const RestoreOnExit&) = delete;
    RestoreOnExit& operator=(const RestoreOnExit&) = delete;

private:
    FormatTrials& trials_;
    VerifyRun& run_;
};

std::vector<int> PlannedIndices(const TDXShowStreamConfig& formats,
                                const VerifySettings& settings) {
    std::vector<int> planned;
    for (int index = 0; index < formats.Count(); ++index) {
        if (!settings.only || std::ranges::find(*settings.only, index) != settings.only->end()) {
            planned.push_back(index);
        }
    }
    return planned;
}

}  // namespace

VerifyRun VerifyFormats(const TDXShowStreamConfig& formats, FormatTrials& trials,
                        const VerifySettings& settings, const std::function<bool()>& stopRequested,
                        const std::function<void(const VerifyProgress&)>& progress) {
    VerifyRun run;
    const std::vector<int> planned = PlannedIndices(formats, settings);
    run.planned = static_cast<int>(planned.size());
    CapabilityIndexer indexer(formats.StreamConfig());
    {
        const RestoreOnExit restore(trials, run);
        for (std::size_t i = 0; i < planned.size(); ++i) {
            const TDXShowStreamConfigItem& item = formats.Items(planned[i]);
            std::string mediaType = Utf16ToUtf8(item.AsText());
            if (stopRequested && stopRequested()) {
                run.complete = false;
                break;
            }
            if (progress) {
                progress({static_cast<int>(i) + 1, run.planned, mediaType});
            }
            if (item.PmtConfig() == nullptr) {
                continue;  // a list item always has its type; nothing to set without one
            }
            const AM_MEDIA_TYPE& format = *item.PmtConfig();
            TrialRequest request;
            request.capability = indexer.IndexOf(item);
            request.format = &format;
            request.frames = settings.frames;
            request.frameTimeout = FrameTimeout(settings.timeout, item.ConfigCaps(), format);
            request.stopRequested = stopRequested;
            const TrialResult trial = trials.Run(request);
            if (trial.stopped) {
                run.complete = false;
                break;
            }
            run.verdicts.push_back(JudgeTrial(trial, std::move(mediaType), AdvertisedRate(format),
                                              request.frameTimeout));
            run.indices.push_back(planned[i]);
        }
    }
    return run;
}

}  // namespace capspect
