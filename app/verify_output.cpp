#include "app/verify_output.h"

#include <optional>

#include "Components/VQDirectShow/MediaTypeNames.h"
#include "app/report_json.h"
#include "platform/devices/json_writer.h"
#include "platform/support/hex_text.h"
#include "platform/support/unicode.h"
#include "util/ErrorTexts.h"
#include "util/TextHelpers.h"

namespace capspect {
namespace {

std::string RateText(double rate) {
    return Utf16ToUtf8(FormatNumber(rate, 8, 2));
}

// The reason of a failed call: the errno's text the device gave, else the code's text.
std::string ReasonOf(const FailedCall& call) {
    if (!call.reason.empty()) {
        return call.reason;
    }
    std::u16string text = GetDSErrorText(call.code);
    while (!text.empty() && (text.back() == u'.' || text.back() == u' ' || text.back() == u'\n' ||
                             text.back() == u'\r')) {
        text.pop_back();
    }
    return Utf16ToUtf8(text);
}

std::string ProblemText(const FailedCall& call) {
    return call.call + ": " + ReasonOf(call) + " (" +
           HexCode(static_cast<std::uint32_t>(call.code)) + ")";
}

std::string DeliveredText(const DeliveredFormat& delivered) {
    return std::to_string(delivered.width) + "x" + std::to_string(delivered.height) + " " +
           Utf16ToUtf8(SubtypeName(delivered.subtype));
}

std::string DetailText(const FormatVerdict& verdict) {
    if (verdict.problem) {
        return ProblemText(*verdict.problem);
    }
    if (verdict.outcome == VerifyOutcome::NoFrames) {
        return "no frame within " + RateText(static_cast<double>(verdict.frameTimeout) / 1e7) +
               " s";
    }
    if (verdict.delivered) {
        return "delivered " + DeliveredText(*verdict.delivered);
    }
    return {};
}

std::string VerdictLine(const FormatVerdict& verdict) {
    std::string line = verdict.mediaType;
    line += '\t';
    line += OutcomeName(verdict.outcome);
    line += '\t' + std::to_string(verdict.frames) + (verdict.frames == 1 ? " frame" : " frames");
    line += '\t' + (verdict.measuredRate ? RateText(*verdict.measuredRate) : std::string("-")) +
            " of " +
            (verdict.advertisedRate ? RateText(*verdict.advertisedRate) : std::string("-")) +
            " fps";
    line += '\t';
    line += verdict.firstFrameMs
                ? "first frame " +
                      std::to_string(static_cast<long long>(*verdict.firstFrameMs + 0.5)) + " ms"
                : std::string("no first frame");
    if (const std::string detail = DetailText(verdict); !detail.empty()) {
        line += '\t' + detail;
    }
    return line + '\n';
}

std::string SummaryLine(const VerifyRun& run) {
    const auto counts = CountOutcomes(run);
    std::string line = std::to_string(run.verdicts.size()) + " of " + std::to_string(run.planned) +
                       " formats verified:";
    for (int i = 0; i < kVerifyOutcomeCount; ++i) {
        line += (i == 0 ? " " : ", ") + std::to_string(counts[static_cast<std::size_t>(i)]) + " " +
                std::string(OutcomeName(static_cast<VerifyOutcome>(i)));
    }
    if (!run.complete) {
        line += "; incomplete: stopped";
    }
    if (run.restoreFailure) {
        line += "; the device could not be restored: " + ProblemText(*run.restoreFailure);
    }
    return line + '\n';
}

void WriteOptionalNumber(sim::JsonWriter& out, std::string_view key,
                         const std::optional<double>& value) {
    out.Key(key);
    if (value) {
        out.Number(*value);
    } else {
        out.Null();
    }
}

void WriteCall(sim::JsonWriter& out, std::string_view key, const std::optional<FailedCall>& call) {
    out.Key(key);
    if (!call) {
        out.Null();
        return;
    }
    out.BeginObject();
    out.Member("call", call->call);
    out.Member("code", HexCode(static_cast<std::uint32_t>(call->code)));
    out.Member("text", ReasonOf(*call));
    out.EndObject();
}

void WriteVerdict(sim::JsonWriter& out, int index, const FormatVerdict& verdict) {
    out.BeginObject();
    out.Member("index", index);
    out.Member("mediaType", verdict.mediaType);
    out.Member("outcome", OutcomeName(verdict.outcome));
    out.Member("frames", verdict.frames);
    WriteOptionalNumber(out, "measuredFps", verdict.measuredRate);
    WriteOptionalNumber(out, "advertisedFps", verdict.advertisedRate);
    WriteOptionalNumber(out, "firstFrameMs", verdict.firstFrameMs);
    out.Key("delivered");
    if (verdict.delivered) {
        out.BeginObject();
        out.Member("width", verdict.delivered->width);
        out.Member("height", verdict.delivered->height);
        out.Member("subtype", Utf16ToUtf8(SubtypeName(verdict.delivered->subtype)));
        out.EndObject();
    } else {
        out.Null();
    }
    WriteCall(out, "error", verdict.problem);
    out.Member("frameTimeoutMs", verdict.frameTimeout / 10'000);
    out.Key("frameTimesMs").BeginArray();
    for (const REFERENCE_TIME time : verdict.frameTimes) {
        out.Number(static_cast<double>(time) / 10'000.0);
    }
    out.EndArray();
    out.EndObject();
}

}  // namespace

std::array<int, kVerifyOutcomeCount> CountOutcomes(const VerifyRun& run) {
    std::array<int, kVerifyOutcomeCount> counts{};
    for (const FormatVerdict& verdict : run.verdicts) {
        ++counts[static_cast<std::size_t>(verdict.outcome)];
    }
    return counts;
}

bool AllFormatsOk(const VerifyRun& run) {
    return run.complete && !run.restoreFailure &&
           static_cast<int>(run.verdicts.size()) == run.planned &&
           CountOutcomes(run)[static_cast<std::size_t>(VerifyOutcome::Ok)] == run.planned;
}

std::string FormatVerifyText(const VerifyRun& run) {
    std::string text;
    for (const FormatVerdict& verdict : run.verdicts) {
        text += VerdictLine(verdict);
    }
    return text + SummaryLine(run);
}

std::string FormatVerifyJson(const TDXShowDevice& device, const VerifySettings& settings,
                             const VerifyRun& run) {
    std::string text;
    sim::JsonWriter out(text);
    out.BeginObject();
    WriteDeviceMember(out, device);
    out.Member("framesAsked", settings.frames);
    out.Member("timeoutMs", settings.timeout / 10'000);
    out.Member("complete", run.complete);
    out.Key("formats").BeginArray();
    for (std::size_t i = 0; i < run.verdicts.size(); ++i) {
        WriteVerdict(out, run.indices[i], run.verdicts[i]);
    }
    out.EndArray();
    out.Key("summary").BeginObject();
    out.Member("planned", run.planned);
    const auto counts = CountOutcomes(run);
    for (int i = 0; i < kVerifyOutcomeCount; ++i) {
        out.Member(OutcomeName(static_cast<VerifyOutcome>(i)), counts[static_cast<std::size_t>(i)]);
    }
    out.EndObject();
    WriteCall(out, "restoreError", run.restoreFailure);
    out.EndObject();
    text += '\n';
    return text;
}

}  // namespace capspect
