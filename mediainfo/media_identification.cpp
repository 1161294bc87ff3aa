#include "mediainfo/media_identification.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "mediainfo/fourcc.h"
#include "mediainfo/text_encoding.h"
#include "platform/support/file_reader.h"
#include "platform/support/unicode.h"
#include "util/TextHelpers.h"

namespace capspect {
namespace {

using Tag = std::array<std::uint8_t, 4>;

constexpr Tag MakeTag(const char (&text)[5]) {
    return {static_cast<std::uint8_t>(text[0]), static_cast<std::uint8_t>(text[1]),
            static_cast<std::uint8_t>(text[2]), static_cast<std::uint8_t>(text[3])};
}

constexpr Tag kRiff = MakeTag("RIFF");
constexpr Tag kWave = MakeTag("WAVE");
constexpr Tag kAvi = MakeTag("AVI ");
constexpr Tag kList = MakeTag("LIST");
constexpr Tag kHeaderList = MakeTag("hdrl");
constexpr Tag kStreamList = MakeTag("strl");
constexpr Tag kStreamHeader = MakeTag("strh");
constexpr Tag kStreamFormat = MakeTag("strf");
constexpr Tag kVideoStream = MakeTag("vids");
constexpr Tag kAudioStream = MakeTag("auds");
constexpr Tag kInterleavedDvStream = MakeTag("iavs");
constexpr Tag kFileType = MakeTag("ftyp");
constexpr std::uint32_t kAviMainHeaderId = 0x68697661;  // "avih" read little-endian

// The AVI header reads fixed blocks of 64 bytes: a chunk header and the first 56 bytes of
// the chunk's contents.
constexpr std::size_t kHeaderBlockSize = 64;

std::uint32_t LittleEndian32(std::span<const std::uint8_t, 4> bytes) {
    return std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 | std::uint32_t{bytes[2]} << 16 |
           std::uint32_t{bytes[3]} << 24;
}

std::uint32_t BigEndian32(std::span<const std::uint8_t, 4> bytes) {
    return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 |
           std::uint32_t{bytes[2]} << 8 | std::uint32_t{bytes[3]};
}

// A four-character code as text: the bytes up to the first zero byte.
std::string CodeText(std::span<const std::uint8_t> bytes) {
    const auto end = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
    return Windows1252ToUtf8(std::span<const std::uint8_t>(bytes.begin(), end));
}

struct ChunkHeader {
    Tag id{};
    std::uint32_t size = 0;
};

// Positioned reads that report whether everything asked for arrived.
class ChunkReader {
public:
    explicit ChunkReader(ByteStream& stream) : stream_(stream) {}

    std::int64_t Position() const { return static_cast<std::int64_t>(stream_.Position()); }
    void Seek(std::int64_t position) {
        stream_.Seek(static_cast<std::uint64_t>(std::max<std::int64_t>(position, 0)));
    }

    bool ReadExact(std::span<std::uint8_t> buffer) { return stream_.Read(buffer) == buffer.size(); }

    std::optional<Tag> ReadTag() {
        Tag tag{};
        return ReadExact(tag) ? std::optional(tag) : std::nullopt;
    }

    std::optional<ChunkHeader> ReadChunkHeader() {
        std::array<std::uint8_t, 8> bytes{};
        if (!ReadExact(bytes)) {
            return std::nullopt;
        }
        ChunkHeader header;
        std::copy_n(bytes.begin(), 4, header.id.begin());
        header.size = LittleEndian32(std::span(bytes).subspan<4, 4>());
        return header;
    }

private:
    ByteStream& stream_;
};

// Walks the header list of an AVI file and records the handler codes of its video and
// audio streams. Every early return keeps what has been recorded so far.
class AviHeaderWalker {
public:
    AviHeaderWalker(ByteStream& stream, TAviInfo& info) : reader_(stream), info_(info) {}

    void Walk() {
        const std::optional<ChunkHeader> list = reader_.ReadChunkHeader();
        if (!list || list->id != kList || reader_.ReadTag() != kHeaderList) {
            return;
        }
        headerListEnd_ = reader_.Position() + std::int64_t{list->size} - 4;
        if (!SkipMainHeader()) {
            return;
        }
        WalkHeaderList();
        if (reader_.Position() != headerListEnd_) {
            reader_.Seek(headerListEnd_);
        }
    }

private:
    bool SkipMainHeader() {
        const std::int64_t start = reader_.Position();
        std::array<std::uint8_t, kHeaderBlockSize> block{};
        if (!reader_.ReadExact(block) ||
            LittleEndian32(std::span(block).subspan<0, 4>()) != kAviMainHeaderId) {
            return false;
        }
        reader_.Seek(start + LittleEndian32(std::span(block).subspan<4, 4>()) + 8);
        return true;
    }

    void WalkHeaderList() {
        while (reader_.Position() < headerListEnd_) {
            const std::optional<ChunkHeader> chunk = reader_.ReadChunkHeader();
            if (!chunk) {
                return;
            }
            lastChunkSize_ = chunk->size;
            if (chunk->id == kList) {
                if (reader_.ReadTag() != kStreamList || !WalkStreamList(*chunk)) {
                    return;
                }
            } else {
                // Chunks other than lists (padding such as JUNK) are skipped whole, with
                // the pad byte that keeps RIFF chunks at even offsets.
                reader_.Seek(reader_.Position() + chunk->size + (chunk->size & 1));
            }
            if (lastChunkSize_ == 0) {
                reader_.Seek(headerListEnd_);
            }
        }
    }

    // Reads one stream list; false when the file ended inside it.
    bool WalkStreamList(const ChunkHeader& list) {
        const std::int64_t listEnd = reader_.Position() + std::int64_t{list.size} - 4;
        while (reader_.Position() < listEnd) {
            const std::optional<ChunkHeader> chunk = reader_.ReadChunkHeader();
            if (!chunk) {
                return false;
            }
            reader_.Seek(reader_.Position() - 8);
            lastChunkSize_ = chunk->size;
            if (chunk->id == kStreamHeader) {
                ReadStreamHeader();
            } else if (chunk->id == kStreamFormat) {
                std::array<std::uint8_t, kHeaderBlockSize> ignored{};
                reader_.ReadExact(ignored);
            } else if (chunk->size != 0) {
                reader_.Seek(reader_.Position() + 8 + chunk->size);
            } else {
                reader_.Seek(listEnd);
            }
        }
        if (reader_.Position() != listEnd) {
            reader_.Seek(listEnd);
        }
        return true;
    }

    void ReadStreamHeader() {
        std::array<std::uint8_t, kHeaderBlockSize> block{};
        if (!reader_.ReadExact(block)) {
            return;
        }
        const std::span<const std::uint8_t, 4> type = std::span(block).subspan<8, 4>();
        const std::string handler = CodeText(std::span(block).subspan<12, 4>());
        if (std::equal(type.begin(), type.end(), kVideoStream.begin())) {
            SetVideoCodec(handler);
        } else if (std::equal(type.begin(), type.end(), kInterleavedDvStream.begin())) {
            SetVideoCodec(handler);
            info_.AudioCodec = handler;
        } else if (std::equal(type.begin(), type.end(), kAudioStream.begin())) {
            info_.AudioCodec = handler;
        }
    }

    void SetVideoCodec(const std::string& handler) {
        info_.VideoCodec = handler;
        info_.VideoCodecName = FourCCDescription(handler);
    }

    ChunkReader reader_;
    TAviInfo& info_;
    std::int64_t headerListEnd_ = 0;
    std::uint32_t lastChunkSize_ = 0;
};

// --- ftyp ------------------------------------------------------------------------------

// Boxes are read up to this size; a larger box counts as this long.
constexpr std::uint32_t kMaxFileTypeBoxSize = 1000;
// Box header, major brand and minor version.
constexpr std::uint32_t kMinFileTypeBoxSize = 16;
constexpr std::size_t kMaxCompatibleBrands = 40;

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

bool ContainsIgnoringCase(const std::vector<std::string>& brands, std::string_view brand) {
    return std::ranges::any_of(
        brands, [brand](const std::string& b) { return EqualsIgnoringCase(b, brand); });
}

std::vector<std::string> CompatibleBrands(std::string text) {
    std::vector<std::string> brands;
    while (!text.empty() && brands.size() < kMaxCompatibleBrands) {
        brands.push_back(CutText(text, 1, 4));
    }
    return brands;
}

// The description of a major brand, given the compatible brands that follow it. Brands
// are raw bytes here.
std::string BrandDescription(std::string_view major, const std::vector<std::string>& compatible) {
    if (ContainsIgnoringCase(compatible, "isom")) {
        return "H.264/MPEG-4";
    }
    if (ContainsIgnoringCase(compatible, "iso2")) {
        return "H.264/MPEG-4 [MP4 Base Media Version 2]";
    }
    if (ContainsIgnoringCase(compatible, "avc1")) {
        return "H.264/MPEG-4 [AVC Extensions]";
    }
    const auto is = [major](std::string_view brand) { return EqualsIgnoringCase(major, brand); };
    if (is("mp71")) {
        return "MP4 with MPEG-7 Metadata";
    }
    if (is("mp41") || is("mp42")) {
        return "MPEG-4";
    }
    if (is("qt  ")) {
        return "Apple QuickTime (.MOV/QT)";
    }
    if (is("3gp1") || is("3gp2") || is("3gp3") || is("3gp4") || is("3gp5") || is("3gp6")) {
        return "3GPP Media";
    }
    if (is("avc1")) {
        return "MP4 Base with AVC ext [ISO 14496-12:2005]";
    }
    if (is("m4v ")) {
        return "Apple iTunes Video (.M4V) Video";
    }
    if (is("mp21")) {
        return "MPEG-21 [ISO/IEC 21000-9]";
    }
    return "Unknown: " + Windows1252ToUtf8(major);
}

std::string UntilZero(std::span<const std::uint8_t> bytes) {
    const auto end = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
    return std::string(bytes.begin(), end);
}

// --- MPEG ------------------------------------------------------------------------------

constexpr std::uint32_t kPackStartCode = 0x000001BA;
constexpr std::uint32_t kFirstVideoStreamCode = 0x000001E0;
constexpr std::uint32_t kSequenceHeaderCode = 0x000001B3;
constexpr std::uint32_t kExtensionStartCode = 0x000001B5;

// Reads of fixed-layout fields: bytes beyond the end of the stream read as zero.
class FieldReader {
public:
    explicit FieldReader(ByteStream& stream) : stream_(stream) {}

    bool AtEnd() const { return stream_.AtEnd(); }
    void Skip(std::uint64_t count) { stream_.Seek(stream_.Position() + count); }

    std::uint8_t Byte() {
        std::array<std::uint8_t, 1> byte{};
        stream_.Read(byte);
        return byte[0];
    }
    std::uint16_t BigEndian16() {
        std::array<std::uint8_t, 2> bytes{};
        stream_.Read(bytes);
        return static_cast<std::uint16_t>(bytes[0] << 8 | bytes[1]);
    }
    std::uint32_t BigEndian32() {
        std::array<std::uint8_t, 4> bytes{};
        stream_.Read(bytes);
        return capspect::BigEndian32(bytes);
    }

    // Shifts bytes into `code` until `found` holds for it; false when the stream ends
    // first.
    template <typename Predicate>
    bool ShiftUntil(std::uint32_t& code, Predicate found) {
        while (!found(code)) {
            if (AtEnd()) {
                return false;
            }
            code = code << 8 | Byte();
        }
        return true;
    }

private:
    ByteStream& stream_;
};

// Reads a program stream's pack header and its packets up to the first video sequence
// header. Returns the version the pack header announces, 0 when it is no MPEG pack, and
// leaves the stream behind the sequence header code when one was found.
struct PackScan {
    int version = 0;
    bool reachedSequenceHeader = false;
};

PackScan ScanProgramStream(FieldReader& reader) {
    PackScan scan;
    const std::uint8_t marker = reader.Byte();
    if ((marker >> 4) == 0b0010) {
        scan.version = 1;
        reader.Skip(4 + 3);  // rest of the clock reference, multiplex rate
    } else if ((marker >> 6) == 0b01) {
        scan.version = 2;
        reader.Skip(5 + 3);                 // rest of the clock reference, multiplex rate
        reader.Skip(reader.Byte() & 0x07);  // pack stuffing
    } else {
        return scan;
    }
    std::uint32_t code = reader.BigEndian32();
    while (code != kPackStartCode && code != kFirstVideoStreamCode) {
        if (reader.AtEnd()) {
            return scan;
        }
        if (code != 0) {
            reader.Skip(reader.BigEndian16());
            code = reader.BigEndian32();
        } else if (!reader.ShiftUntil(
                       code, [](std::uint32_t c) { return (c & 0xFFFFFF00) == 0x00000100; })) {
            return scan;
        }
    }
    code = reader.BigEndian32();
    scan.reachedSequenceHeader =
        reader.ShiftUntil(code, [](std::uint32_t c) { return c == kSequenceHeaderCode; });
    return scan;
}

// --- file names ------------------------------------------------------------------------

// The extension of the last path component, dot included, with A-Z lower-cased.
std::u16string LowerCaseExtension(std::u16string_view fileName) {
    const std::size_t nameStart = fileName.find_last_of(u"/\\");
    const std::u16string_view name =
        nameStart == std::u16string_view::npos ? fileName : fileName.substr(nameStart + 1);
    const std::size_t dot = name.rfind(u'.');
    std::u16string extension(dot == std::u16string_view::npos ? u"" : name.substr(dot));
    for (char16_t& c : extension) {
        if (c >= u'A' && c <= u'Z') {
            c = static_cast<char16_t>(c - u'A' + u'a');
        }
    }
    return extension;
}

bool ExtensionAllowsMpegTest(std::u16string_view extension) {
    return extension.find(u'm') != std::u16string_view::npos && extension != u".wmv" &&
           extension != u".mov" && extension != u".mts";
}

}  // namespace

void ReadRiffInfo(ByteStream& stream, TAviInfo& info) {
    info = {};
    std::array<std::uint8_t, 12> header{};
    if (stream.Read(header) != header.size() ||
        !std::equal(kRiff.begin(), kRiff.end(), header.begin())) {
        return;
    }
    const std::span<const std::uint8_t> form = std::span(header).subspan(8, 4);
    if (std::equal(form.begin(), form.end(), kWave.begin())) {
        info.VideoCodec = "Audio";
        info.VideoCodecName = "Audio";
        info.AudioCodec = "WAVE";
        info.AviFile = true;
        return;
    }
    if (!std::equal(form.begin(), form.end(), kAvi.begin())) {
        return;
    }
    info.AviFile = true;
    AviHeaderWalker(stream, info).Walk();
}

bool ReadFtypInfo(ByteStream& stream, TAviInfo& info) {
    info = {};
    stream.Seek(0);
    ChunkReader reader(stream);
    std::array<std::uint8_t, 4> sizeBytes{};
    if (!reader.ReadExact(sizeBytes) || reader.ReadTag() != kFileType) {
        return false;
    }
    const std::uint32_t boxSize = std::min(BigEndian32(sizeBytes), kMaxFileTypeBoxSize);
    if (boxSize < kMinFileTypeBoxSize) {
        return false;
    }
    // The box's contents behind its 8-byte header: major brand, minor version and the
    // compatible brands.
    std::vector<std::uint8_t> contents(boxSize - 8);
    if (!reader.ReadExact(contents)) {
        return false;
    }
    const std::string major = UntilZero(std::span(contents).first(4));
    const std::vector<std::string> compatible =
        CompatibleBrands(UntilZero(std::span(contents).subspan(8)));
    info.VideoCodec = Windows1252ToUtf8(std::span(contents).first(major.size()));
    info.VideoCodecName = BrandDescription(major, compatible);
    return true;
}

int DetectMpegVersion(ByteStream& stream) {
    if (stream.Size() < 5) {
        return 0;
    }
    stream.Seek(0);
    FieldReader reader(stream);
    int version = 0;
    if (reader.BigEndian32() == kPackStartCode) {
        const PackScan scan = ScanProgramStream(reader);
        if (scan.version == 0 || !scan.reachedSequenceHeader) {
            return scan.version;
        }
        version = scan.version;
    } else {
        // Taken as a video elementary stream that opens with a sequence header.
        stream.Seek(4);
    }
    reader.Skip(3 + 1 + 3);  // picture size, aspect ratio and frame rate, bit rate and buffer
    if (version == 1) {
        return 1;
    }
    std::uint8_t flags = reader.Byte();
    if (flags & 0x02) {  // intra quantiser matrix follows, shifted by one bit
        reader.Skip(63);
        flags = reader.Byte();
    }
    if (flags & 0x01) {  // non-intra quantiser matrix follows
        reader.Skip(64);
    }
    if (reader.BigEndian32() == kExtensionStartCode) {
        return 2;
    }
    return version == 0 ? 1 : version;
}

void IdentifyMediaStream(ByteStream& stream, std::u16string_view fileName, TAviInfo& info) {
    info = {};
    stream.Seek(0);
    ReadRiffInfo(stream, info);
    const std::u16string extension = LowerCaseExtension(fileName);
    if (extension == u".mp3") {
        return;
    }
    if (!info.AviFile) {
        info = {};
        if (ReadFtypInfo(stream, info)) {
            return;
        }
    }
    if (info.AviFile || !ExtensionAllowsMpegTest(extension)) {
        return;
    }
    switch (DetectMpegVersion(stream)) {
        case 1:
            info.VideoCodec = "MPEG-1";
            break;
        case 2:
            info.VideoCodec = "MPEG-2";
            break;
        default:
            return;
    }
    info.VideoCodecName = info.VideoCodec;
}

void IdentifyMediaFile(std::u16string_view fileName, TAviInfo& info) {
    info = {};
    FileByteStream stream{PathFromUtf8(Utf16ToUtf8(fileName))};
    IdentifyMediaStream(stream, fileName, info);
}

}  // namespace capspect
