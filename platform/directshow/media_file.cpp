#include "platform/directshow/media_file.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "platform/linux/file_bytes.h"
#include "platform/sdk/hresult.h"
#include "platform/sdk/mediatype.h"
#include "platform/support/unicode.h"

namespace capspect::sim {

namespace {

// Headers that tell the kind and the playing time lie well within this.
constexpr std::size_t kHeadBytes = 64 * 1024;
constexpr LONGLONG kUnitsPerSecond = 10'000'000;

DWORD ReadLE32(std::span<const BYTE> bytes, std::size_t offset) {
    return static_cast<DWORD>(bytes[offset]) | (static_cast<DWORD>(bytes[offset + 1]) << 8) |
           (static_cast<DWORD>(bytes[offset + 2]) << 16) |
           (static_cast<DWORD>(bytes[offset + 3]) << 24);
}

bool HasTag(std::span<const BYTE> bytes, std::size_t offset, std::string_view tag) {
    return bytes.size() >= offset + tag.size() &&
           std::equal(tag.begin(), tag.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                      [](char c, BYTE b) { return static_cast<BYTE>(c) == b; });
}

// `count` items of `unitsEach` 100 ns units; nothing when that does not fit.
std::optional<LONGLONG> Units(ULONGLONG count, ULONGLONG unitsEach) {
    ULONGLONG total = 0;
    if (__builtin_mul_overflow(count, unitsEach, &total) ||
        total > static_cast<ULONGLONG>(std::numeric_limits<LONGLONG>::max())) {
        return std::nullopt;
    }
    return static_cast<LONGLONG>(total);
}

// `bytes` played at `bytesPerSecond`.
std::optional<LONGLONG> PlayingTime(ULONGLONG bytes, ULONGLONG bytesPerSecond) {
    if (bytesPerSecond == 0) {
        return std::nullopt;
    }
    const auto units = Units(bytes, kUnitsPerSecond);
    if (!units) {
        return std::nullopt;
    }
    return static_cast<LONGLONG>(static_cast<ULONGLONG>(*units) / bytesPerSecond);
}

// The main AVI header that opens the header list: frame duration in microseconds times the
// number of frames.
std::optional<LONGLONG> AviDuration(std::span<const BYTE> head) {
    constexpr std::size_t kMainHeader = 32;  // RIFF, LIST hdrl, avih and its size
    if (!HasTag(head, 12, "LIST") || !HasTag(head, 20, "hdrl") || !HasTag(head, 24, "avih") ||
        head.size() < kMainHeader + 20) {
        return std::nullopt;
    }
    const DWORD microSecondsPerFrame = ReadLE32(head, kMainHeader);
    const DWORD totalFrames = ReadLE32(head, kMainHeader + 16);
    return Units(static_cast<ULONGLONG>(microSecondsPerFrame) * totalFrames, 10);
}

// The data chunk's size at the format's byte rate. A data chunk that claims more than the
// file holds counts only what is there.
std::optional<LONGLONG> WaveDuration(std::span<const BYTE> head, ULONGLONG fileSize) {
    std::optional<DWORD> bytesPerSecond;
    for (std::size_t offset = 12; offset + 8 <= head.size();) {
        const DWORD size = ReadLE32(head, offset + 4);
        const std::size_t data = offset + 8;
        if (HasTag(head, offset, "fmt ") && size >= 12 && data + 12 <= head.size()) {
            bytesPerSecond = ReadLE32(head, data + 8);
        } else if (HasTag(head, offset, "data")) {
            if (!bytesPerSecond) {
                return std::nullopt;
            }
            const ULONGLONG present = fileSize > data ? fileSize - data : 0;
            return PlayingTime(std::min<ULONGLONG>(size, present), *bytesPerSecond);
        }
        offset = data + size + (size % 2);
    }
    return std::nullopt;
}

// An MPEG-1 pack header: start code 00 00 01 BA and the '0010' marker.
bool IsMpeg1Pack(std::span<const BYTE> head) {
    return head.size() >= 12 && head[0] == 0 && head[1] == 0 && head[2] == 1 && head[3] == 0xBA &&
           (head[4] & 0xF0) == 0x20;
}

// The whole file at the first pack's multiplex rate (in units of 50 bytes per second).
std::optional<LONGLONG> Mpeg1Duration(std::span<const BYTE> head, ULONGLONG fileSize) {
    const DWORD muxRate = (static_cast<DWORD>(head[9] & 0x7F) << 15) |
                          (static_cast<DWORD>(head[10]) << 7) | (static_cast<DWORD>(head[11]) >> 1);
    return PlayingTime(fileSize, static_cast<ULONGLONG>(muxRate) * 50);
}

std::u16string LowerExtension(std::u16string_view fileName) {
    const std::size_t slash = fileName.find_last_of(u"/\\");
    const std::size_t dot = fileName.rfind(u'.');
    if (dot == std::u16string_view::npos || (slash != std::u16string_view::npos && dot < slash)) {
        return {};
    }
    std::u16string extension(fileName.substr(dot));
    for (char16_t& c : extension) {
        if (c >= u'A' && c <= u'Z') {
            c = static_cast<char16_t>(c - u'A' + u'a');
        }
    }
    return extension;
}

std::optional<GUID> SubtypeByExtension(std::u16string_view fileName) {
    const std::u16string extension = LowerExtension(fileName);
    if (extension == u".avi") {
        return MEDIASUBTYPE_Avi;
    }
    if (extension == u".wav") {
        return MEDIASUBTYPE_WAVE;
    }
    if (extension == u".mpg" || extension == u".mpeg" || extension == u".mpe" ||
        extension == u".dat") {
        return MEDIASUBTYPE_MPEG1System;
    }
    return std::nullopt;
}

HRESULT FileError(HRESULT storageError) {
    if (storageError == STG_E_FILENOTFOUND) {
        return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    }
    if (storageError == STG_E_PATHNOTFOUND) {
        return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
    }
    if (storageError == STG_E_ACCESSDENIED) {
        return E_ACCESSDENIED;
    }
    return storageError;
}

}  // namespace

std::optional<MediaFileFacts> IdentifyMediaFile(std::span<const BYTE> head, ULONGLONG fileSize,
                                                std::u16string_view fileName) {
    if (HasTag(head, 0, "RIFF") && HasTag(head, 8, "AVI ")) {
        return MediaFileFacts{MEDIASUBTYPE_Avi, AviDuration(head)};
    }
    if (HasTag(head, 0, "RIFF") && HasTag(head, 8, "WAVE")) {
        return MediaFileFacts{MEDIASUBTYPE_WAVE, WaveDuration(head, fileSize)};
    }
    if (IsMpeg1Pack(head)) {
        return MediaFileFacts{MEDIASUBTYPE_MPEG1System, Mpeg1Duration(head, fileSize)};
    }
    if (const auto subtype = SubtypeByExtension(fileName)) {
        return MediaFileFacts{*subtype, std::nullopt};
    }
    return std::nullopt;
}

HRESULT InspectMediaFile(std::u16string_view fileName, std::optional<MediaFileFacts>& facts) {
    facts.reset();
    const std::string path = Utf16ToUtf8(fileName);
    std::vector<BYTE> head;
    if (const HRESULT hr = ReadFileBytes(path, head, kHeadBytes); FAILED(hr)) {
        return FileError(hr);
    }
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    facts = IdentifyMediaFile(head, error ? head.size() : size, fileName);
    return S_OK;
}

}  // namespace capspect::sim
