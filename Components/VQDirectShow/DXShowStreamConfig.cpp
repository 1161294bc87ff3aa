#include "Components/VQDirectShow/DXShowStreamConfig.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

#include "Components/VQDirectShow/DXShowErrors.h"
#include "Components/VQDirectShow/MediaTypeNames.h"
#include "dshow/DShowUtil.h"
#include "platform/support/guids.h"
#include "platform/support/mediatypes.h"
#include "util/ErrorTexts.h"
#include "util/TextHelpers.h"

namespace capspect {

namespace {

constexpr char16_t kLineBreak[] = u"\r\n";
constexpr long double kUnitsPerSecond = 10'000'000.0L;
constexpr int kSignificantDigits = 8;
// Room for the capability lines of one format, so that they are written without
// reallocating.
constexpr std::size_t kCapsTextCapacity = 768;

// --- Number text ---------------------------------------------------------------------------

void AppendInteger(std::u16string& text, long long value) {
    std::array<char, 24> digits{};
    const char* const end = std::to_chars(digits.data(), digits.data() + digits.size(), value).ptr;
    // Widened here: appending the narrow range would build a temporary string first.
    std::array<char16_t, 24> wide{};
    const auto length = static_cast<std::size_t>(end - digits.data());
    std::copy(digits.cbegin(), digits.cbegin() + length, wide.begin());
    text.append(wide.data(), length);
}

std::u16string RateText(long double rate, const NumberSeparators& separators) {
    return FormatNumber(rate, kSignificantDigits, 2, separators);
}

// The rate of a frame duration in 100 ns units. A duration of 0 names no rate, so the text
// says "?" rather than dividing by zero.
std::u16string FrameRateText(REFERENCE_TIME frameDuration, const NumberSeparators& separators) {
    if (frameDuration == 0) {
        return u"?";
    }
    return RateText(kUnitsPerSecond / static_cast<long double>(frameDuration), separators);
}

std::u16string AspectRatioText(DWORD x, DWORD y, const NumberSeparators& separators) {
    if (y == 0) {
        return u"?";
    }
    return FormatNumber(static_cast<long double>(x) / y, kSignificantDigits, 3, separators);
}

// --- Video media types -----------------------------------------------------------------------

// What the report reads from a media type with a VIDEOINFOHEADER or VIDEOINFOHEADER2 block.
struct VideoFormat {
    bool isVideoInfo2 = false;
    GUID subtype;
    LONG width = 0;
    LONG height = 0;
    REFERENCE_TIME avgTimePerFrame = 0;
    DWORD aspectX = 0;
    DWORD aspectY = 0;
};

// True when `mediaType` is video with a format block of `formatType` that holds at least a
// `Header`.
template <typename Header>
bool HasVideoHeader(const AM_MEDIA_TYPE* mediaType, const GUID& formatType) {
    return mediaType != nullptr && mediaType->majortype == MEDIATYPE_Video &&
           mediaType->formattype == formatType && mediaType->pbFormat != nullptr &&
           mediaType->cbFormat >= sizeof(Header);
}

// The header is copied out: the format block carries no alignment promise.
template <typename Header>
Header ReadHeader(const AM_MEDIA_TYPE& mediaType) {
    Header header;
    std::memcpy(&header, mediaType.pbFormat, sizeof(Header));
    return header;
}

std::optional<VideoFormat> ReadVideoFormat(const AM_MEDIA_TYPE* mediaType) {
    if (HasVideoHeader<VIDEOINFOHEADER>(mediaType, FORMAT_Vidscope)) {
        const auto header = ReadHeader<VIDEOINFOHEADER>(*mediaType);
        return VideoFormat{false, mediaType->subtype, header.bmiHeader.biWidth,
                           header.bmiHeader.biHeight, header.AvgTimePerFrame};
    }
    if (HasVideoHeader<VIDEOINFOHEADER2>(mediaType, FORMAT_Vidscope2)) {
        const auto header = ReadHeader<VIDEOINFOHEADER2>(*mediaType);
        return VideoFormat{true,
                           mediaType->subtype,
                           header.bmiHeader.biWidth,
                           header.bmiHeader.biHeight,
                           header.AvgTimePerFrame,
                           header.dwPictAspectRatioX,
                           header.dwPictAspectRatioY};
    }
    return std::nullopt;
}

// "640x480 YUY2 30.00fps"
std::u16string PictureText(const VideoFormat& format, const NumberSeparators& separators) {
    std::u16string text;
    AppendInteger(text, format.width);
    text += u'x';
    AppendInteger(text, format.height);
    text.append(u" ").append(SubtypeName(format.subtype)).append(u" ");
    text.append(FrameRateText(format.avgTimePerFrame, separators)).append(u"fps");
    return text;
}

// --- Format searches -------------------------------------------------------------------------

// A frame rate to look for. A rate matches when it lies within the absolute tolerance, or
// when it is nearly equal in the floating-point sense: |a - b| <= max(min(|a|, |b|) * e, e).
struct FrameRateTarget {
    long double rate;
    long double epsilon;
    long double tolerance = 0.0L;

    bool Matches(float fps) const {
        const long double value = fps;
        const long double difference = std::fabs(value - rate);
        const long double scaled = std::min(std::fabs(value), std::fabs(rate)) * epsilon;
        return difference <= std::max(scaled, epsilon) || difference <= tolerance;
    }
};

constexpr long double kExtendedEpsilon = 1e-16L;
constexpr long double kDoubleEpsilon = 1e-12L;
// NTSC rates are 30000/1001 and 60000/1001; a device rounds its frame duration to 100 ns,
// and the rate reaches us in single precision. Rates the report shows as 29.97 or 59.94 are
// the NTSC rates.
constexpr long double kNtscRateTolerance = 0.005L;

// The television format preferred in the user's country.
struct TelevisionFormat {
    int width;
    int height;
    FrameRateTarget frameRate;
    FrameRateTarget fieldRate;
};

TelevisionFormat TelevisionFormatForCountry(std::int32_t countryCode) {
    // Dialling code 1 (North America) uses 60 Hz television.
    if (countryCode == 1) {
        return {720,
                480,
                {29.97L, kDoubleEpsilon, kNtscRateTolerance},
                {59.94L, kExtendedEpsilon, kNtscRateTolerance}};
    }
    return {720, 576, {25.0L, kDoubleEpsilon}, {50.0L, kExtendedEpsilon}};
}

bool SameSize(const SIZE& size, int width, int height) {
    return size.cx == width && size.cy == height;
}

bool HasSubtype(const TDXShowStreamConfigItem& item, const GUID& subtype) {
    const AM_MEDIA_TYPE* mediaType = item.PmtConfig();
    return mediaType != nullptr && mediaType->subtype == subtype;
}

template <typename Predicate>
int FirstIndexWhere(const TDXShowStreamConfig& list, Predicate predicate) {
    for (int i = 0; i < list.Count(); ++i) {
        if (predicate(list.Items(i))) {
            return i;
        }
    }
    return -1;
}

}  // namespace

// --- TDXShowStreamConfigItem -----------------------------------------------------------------

TDXShowStreamConfigItem::TDXShowStreamConfigItem(TDXShowStreamConfig& collection)
    : FCollection(collection) {}

void TDXShowStreamConfigItem::SetConfigCaps(const VIDEO_STREAM_CONFIG_CAPS& caps) {
    std::memcpy(&FScc, &caps, sizeof(FScc));
}

void TDXShowStreamConfigItem::SetPmtConfig(AM_MEDIA_TYPE* mediaType) {
    if (mediaType != FPmtConfig.get()) {
        FPmtConfig.reset(mediaType);
    }
}

float TDXShowStreamConfigItem::FPS() const {
    const std::optional<VideoFormat> format = ReadVideoFormat(PmtConfig());
    if (!format) {
        return 1.0F;
    }
    if (format->avgTimePerFrame == 0) {
        return 0.0F;
    }
    return static_cast<float>(kUnitsPerSecond / static_cast<long double>(format->avgTimePerFrame));
}

std::u16string TDXShowStreamConfigItem::AsText() const {
    return AsText(UserNumberSeparators());
}

std::u16string TDXShowStreamConfigItem::AsText(const NumberSeparators& separators) const {
    const std::optional<VideoFormat> format = ReadVideoFormat(PmtConfig());
    if (!format) {
        return u"?";
    }
    std::u16string text = PictureText(*format, separators);
    if (format->isVideoInfo2) {
        text += u" AR " + AspectRatioText(format->aspectX, format->aspectY, separators);
    }
    return text;
}

std::u16string TDXShowStreamConfigItem::ConfigCapsAsText(const NumberSeparators& separators) const {
    const VIDEO_STREAM_CONFIG_CAPS& caps = FScc;
    // Every line is appended in place: a report holds thousands of them.
    std::u16string text;
    text.reserve(kCapsTextCapacity);
    const auto line = [&text](std::u16string_view label, std::u16string_view value) {
        text.append(label).append(value).append(kLineBreak);
    };
    const auto number = [&text](std::u16string_view label, long long value) {
        text.append(label);
        AppendInteger(text, value);
        text.append(kLineBreak);
    };
    const auto size = [&text](std::u16string_view label, const SIZE& value,
                              std::u16string_view separator) {
        text.append(label);
        AppendInteger(text, value.cx);
        text.append(separator);
        AppendInteger(text, value.cy);
        text.append(kLineBreak);
    };

    text.append(GuidToU16String(caps.guid)).append(u" ");
    line({}, FormatTypeName(caps.guid));
    line(u"VideoStandard: ", VideoStandardName(caps.VideoStandard));
    size(u"InputSize: ", caps.InputSize, u" x ");
    size(u"MinCroppingSize: ", caps.MinCroppingSize, u" / ");
    size(u"MaxCroppingSize: ", caps.MaxCroppingSize, u" / ");
    number(u"CropGranularityX: ", caps.CropGranularityX);
    number(u"CropGranularityY: ", caps.CropGranularityY);
    number(u"CropAlignX: ", caps.CropAlignX);
    number(u"CropAlignY: ", caps.CropAlignY);
    size(u"MinOutputSize: ", caps.MinOutputSize, u" x ");
    size(u"MaxOutputSize: ", caps.MaxOutputSize, u" x ");
    number(u"OutputGranularityX: ", caps.OutputGranularityX);
    number(u"OutputGranularityY: ", caps.OutputGranularityY);
    number(u"StretchTapsX: ", caps.StretchTapsX);
    number(u"StretchTapsY: ", caps.StretchTapsY);
    number(u"ShrinkTapsX: ", caps.ShrinkTapsX);
    number(u"ShrinkTapsY: ", caps.ShrinkTapsY);
    // The shortest interval gives the highest rate; an interval of 0 is not given at all.
    if (caps.MinFrameInterval != 0) {
        line(u"MinFrameInterval: ", FrameRateText(caps.MinFrameInterval, separators));
    }
    if (caps.MaxFrameInterval != 0) {
        line(u"MaxFrameInterval: ", FrameRateText(caps.MaxFrameInterval, separators));
    }
    number(u"MinBitsPerSecond: ", caps.MinBitsPerSecond);
    number(u"MaxBitsPerSecond: ", caps.MaxBitsPerSecond);
    return text;
}

std::u16string TDXShowStreamConfigItem::AllAsText() const {
    return AllAsText(UserNumberSeparators());
}

std::u16string TDXShowStreamConfigItem::AllAsText(const NumberSeparators& separators) const {
    std::u16string text = ConfigCapsAsText(separators);
    text.append(kLineBreak).append(kLineBreak).append(kLineBreak).append(AsText(separators));
    return text;
}

void TDXShowStreamConfigItem::SetNativeSize() {
    AM_MEDIA_TYPE* const mediaType = PmtConfig();
    if (!HasVideoHeader<VIDEOINFOHEADER>(mediaType, FORMAT_Vidscope)) {
        return;
    }
    auto header = ReadHeader<VIDEOINFOHEADER>(*mediaType);
    BITMAPINFOHEADER& bitmap = header.bmiHeader;
    if (FScc.MaxOutputSize.cx >= FScc.InputSize.cx) {
        bitmap.biWidth = FScc.InputSize.cx;
    }
    if (FScc.MaxOutputSize.cy >= FScc.InputSize.cy) {
        bitmap.biHeight = FScc.InputSize.cy;
    }
    bitmap.biSizeImage = static_cast<DWORD>(GetDIBImageSize(bitmap));
    std::memcpy(mediaType->pbFormat, &header, sizeof(header));
}

void TDXShowStreamConfigItem::Select() {
    IAMStreamConfig* const streamConfig = FCollection.StreamConfig();
    // Without an interface or a media type there is nothing the device could accept.
    const HRESULT hr = streamConfig != nullptr && FPmtConfig != nullptr
                           ? streamConfig->SetFormat(FPmtConfig.get())
                           : E_POINTER;
    if (FAILED(hr)) {
        throw EDShowError(hr, u"TDXShowStreamConfigItems.Select:\r\n" + GetDSErrorText(hr) +
                                  u" ($" + HResultHex(hr) + u").");
    }
}

// --- TDXShowStreamConfig ---------------------------------------------------------------------

void TDXShowStreamConfig::Refresh(IAMStreamConfig* streamConfig) {
    FStreamConfig = streamConfig;
    Clear();
    if (streamConfig == nullptr) {
        return;
    }
    int count = 0;
    int recordSize = 0;
    if (FAILED(streamConfig->GetNumberOfCapabilities(&count, &recordSize)) ||
        recordSize != static_cast<int>(sizeof(VIDEO_STREAM_CONFIG_CAPS))) {
        return;
    }
    for (int i = 0; i < count; ++i) {
        VIDEO_STREAM_CONFIG_CAPS caps{};
        AM_MEDIA_TYPE* received = nullptr;
        const HRESULT hr =
            streamConfig->GetStreamCaps(i, &received, reinterpret_cast<BYTE*>(&caps));
        // Owned from here on, so a type handed out with a failure is freed as well.
        TOwnedMediaType mediaType(received);
        if (FAILED(hr) || mediaType == nullptr) {
            continue;
        }
        TDXShowStreamConfigItem& item = Add();
        item.SetConfigCaps(caps);
        item.SetPmtConfig(mediaType.release());
    }
}

GUID TDXShowStreamConfig::SubtypeOrCurrent(const GUID& subtype) const {
    if (subtype != GUID_NULL || !FStreamConfig) {
        return subtype;
    }
    AM_MEDIA_TYPE* received = nullptr;
    const HRESULT hr = FStreamConfig->GetFormat(&received);
    const TOwnedMediaType current(received);
    return SUCCEEDED(hr) && current != nullptr ? current->subtype : subtype;
}

int TDXShowStreamConfig::FindBestConfig(const GUID& subtype) const {
    if (Count() == 0) {
        return -1;
    }
    const TelevisionFormat television = TelevisionFormatForCountry(UserCountryCode());
    const GUID wanted = SubtypeOrCurrent(subtype);
    const auto rateAndSubtype = [&](const TDXShowStreamConfigItem& item) {
        return television.frameRate.Matches(item.FPS()) && HasSubtype(item, wanted);
    };
    const auto televisionInput = [&](const TDXShowStreamConfigItem& item) {
        return rateAndSubtype(item) &&
               SameSize(item.ConfigCaps().InputSize, television.width, television.height);
    };

    int index = FirstIndexWhere(*this, [&](const TDXShowStreamConfigItem& item) {
        return televisionInput(item) &&
               SameSize(item.ConfigCaps().MaxOutputSize, television.width, television.height);
    });
    if (index < 0) {
        index = FirstIndexWhere(*this, televisionInput);
    }
    if (index < 0) {
        index = FirstIndexWhere(*this, rateAndSubtype);
    }
    if (index < 0) {
        index = FirstIndexWhere(*this, [&](const TDXShowStreamConfigItem& item) {
            return television.fieldRate.Matches(item.FPS()) && HasSubtype(item, wanted);
        });
    }
    return index;
}

int TDXShowStreamConfig::FindBestConfig(const GUID& subtype, int width, int height) const {
    if (Count() == 0) {
        return -1;
    }
    const FrameRateTarget frameRate{25.0L, kExtendedEpsilon};
    const GUID wanted = SubtypeOrCurrent(subtype);
    const auto wantedInput = [&](const TDXShowStreamConfigItem& item) {
        return frameRate.Matches(item.FPS()) && HasSubtype(item, wanted) &&
               SameSize(item.ConfigCaps().InputSize, width, height);
    };
    const auto wantedMaxOutput = [&](const TDXShowStreamConfigItem& item) {
        return wantedInput(item) && SameSize(item.ConfigCaps().MaxOutputSize, width, height);
    };

    int index = FirstIndexWhere(*this, [&](const TDXShowStreamConfigItem& item) {
        return wantedMaxOutput(item) && SameSize(item.ConfigCaps().MinOutputSize, width, height);
    });
    if (index < 0) {
        index = FirstIndexWhere(*this, wantedMaxOutput);
    }
    if (index < 0) {
        index = FirstIndexWhere(*this, wantedInput);
    }
    return index;
}

std::u16string TDXShowStreamConfig::CurrentConfigAsText() const {
    if (!FStreamConfig) {
        return u"?";
    }
    AM_MEDIA_TYPE* received = nullptr;
    const HRESULT hr = FStreamConfig->GetFormat(&received);
    const TOwnedMediaType current(received);
    if (FAILED(hr)) {
        return u"?";
    }
    const std::optional<VideoFormat> format = ReadVideoFormat(current.get());
    if (!format) {
        return u"?";
    }
    const std::u16string picture = PictureText(*format, UserNumberSeparators());
    return format->isVideoInfo2 ? u"VIH2: " + picture : picture;
}

}  // namespace capspect
