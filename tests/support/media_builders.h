// Byte-exact builders of small media files for identification tests and fuzz seeds:
// RIFF AVI and WAVE, ftyp boxes, MPEG program stream packs and MPEG-1/2 video elementary
// streams. Every builder returns the file's bytes.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string_view>
#include <vector>

namespace capspect::test {

using Bytes = std::vector<std::uint8_t>;

// Appends fields to a growing byte vector.
class ByteWriter {
public:
    ByteWriter& U8(std::uint8_t value) {
        bytes_.push_back(value);
        return *this;
    }
    ByteWriter& LE16(std::uint16_t value) { return U8(value & 0xFF).U8(value >> 8); }
    ByteWriter& LE32(std::uint32_t value) { return LE16(value & 0xFFFF).LE16(value >> 16); }
    ByteWriter& BE16(std::uint16_t value) { return U8(value >> 8).U8(value & 0xFF); }
    ByteWriter& BE32(std::uint32_t value) { return BE16(value >> 16).BE16(value & 0xFFFF); }
    // Four characters; shorter text is padded with zero bytes.
    ByteWriter& Tag(std::string_view tag) {
        for (std::size_t i = 0; i < 4; ++i) {
            U8(i < tag.size() ? static_cast<std::uint8_t>(tag[i]) : 0);
        }
        return *this;
    }
    ByteWriter& Raw(const Bytes& bytes) {
        bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
        return *this;
    }
    ByteWriter& Fill(std::size_t count, std::uint8_t value = 0) {
        bytes_.insert(bytes_.end(), count, value);
        return *this;
    }

    const Bytes& bytes() const { return bytes_; }

private:
    Bytes bytes_;
};

inline Bytes Concat(std::initializer_list<Bytes> parts) {
    ByteWriter writer;
    for (const Bytes& part : parts) {
        writer.Raw(part);
    }
    return writer.bytes();
}

// --- RIFF --------------------------------------------------------------------------------

// A chunk: identifier, little-endian size, data, and a pad byte after odd-sized data.
inline Bytes RiffChunk(std::string_view id, const Bytes& data) {
    ByteWriter writer;
    writer.Tag(id).LE32(static_cast<std::uint32_t>(data.size())).Raw(data);
    if (data.size() % 2 != 0) {
        writer.U8(0);
    }
    return writer.bytes();
}

// A list chunk ("LIST" or "RIFF") of the given type around `children`.
inline Bytes RiffList(std::string_view type, const Bytes& children, std::string_view id = "LIST") {
    return RiffChunk(id, ByteWriter().Tag(type).Raw(children).bytes());
}

inline Bytes RiffFile(std::string_view form, const Bytes& children) {
    return RiffList(form, children, "RIFF");
}

// The main AVI header chunk ("avih", 56 bytes of data).
inline Bytes AviMainHeader() {
    ByteWriter data;
    data.LE32(40000).LE32(0).LE32(0).LE32(0x10).LE32(1).LE32(0).LE32(1).LE32(0);
    data.LE32(320).LE32(240).Fill(16);
    return RiffChunk("avih", data.bytes());
}

// A handler code as its four bytes, so codes with zero or other odd bytes can be given.
struct Handler {
    std::uint8_t bytes[4];

    static Handler Of(std::string_view code) {
        Handler handler{};
        for (std::size_t i = 0; i < 4 && i < code.size(); ++i) {
            handler.bytes[i] = static_cast<std::uint8_t>(code[i]);
        }
        return handler;
    }
};

// A stream header chunk ("strh", 56 bytes of data) of `type` ("vids", "auds", "iavs").
inline Bytes AviStreamHeader(std::string_view type, Handler handler) {
    ByteWriter data;
    data.Tag(type);
    for (const std::uint8_t b : handler.bytes) {
        data.U8(b);
    }
    data.LE32(0).LE16(0).LE16(0).LE32(0).LE32(1).LE32(25).LE32(0).LE32(250).LE32(0);
    data.LE32(0xFFFFFFFF).LE32(0).Fill(8);
    return RiffChunk("strh", data.bytes());
}

// A stream format chunk ("strf") with `size` bytes of data, as small as an audio format
// (18) or as large as a bitmap header with a palette.
inline Bytes AviStreamFormat(std::uint32_t size) {
    return RiffChunk("strf", Bytes(size, 0x11));
}

// A stream list: header, format and any further chunks.
inline Bytes AviStreamList(std::string_view type, Handler handler, std::uint32_t formatSize = 40,
                           const Bytes& extra = {}) {
    return RiffList("strl",
                    Concat({AviStreamHeader(type, handler), AviStreamFormat(formatSize), extra}));
}

// A whole AVI file: header list of main header plus `streamLists`, then an empty movie
// list.
inline Bytes AviFile(const Bytes& streamLists) {
    return RiffFile("AVI ", Concat({RiffList("hdrl", Concat({AviMainHeader(), streamLists})),
                                    RiffList("movi", {})}));
}

// A whole AVI file a splitter can play: `frames` uncompressed 8x8 RGB24 frames at 25 per
// second in one video stream, with an index.
inline Bytes PlayableAviFile(std::uint32_t frames) {
    constexpr std::uint32_t kSide = 8;
    constexpr std::uint32_t kFrameBytes = kSide * kSide * 3;
    ByteWriter mainHeader;
    mainHeader.LE32(40000).LE32(kFrameBytes * 25).LE32(0).LE32(0x10).LE32(frames).LE32(0);
    mainHeader.LE32(1).LE32(kFrameBytes).LE32(kSide).LE32(kSide).Fill(16);
    ByteWriter streamHeader;
    streamHeader.Tag("vids").Tag("DIB ").LE32(0).LE16(0).LE16(0).LE32(0).LE32(1).LE32(25);
    streamHeader.LE32(0).LE32(frames).LE32(kFrameBytes).LE32(0xFFFFFFFF).LE32(0);
    streamHeader.LE16(0).LE16(0).LE16(kSide).LE16(kSide);
    ByteWriter bitmapHeader;
    bitmapHeader.LE32(40).LE32(kSide).LE32(kSide).LE16(1).LE16(24).LE32(0).LE32(kFrameBytes);
    bitmapHeader.Fill(16);
    ByteWriter movie;
    ByteWriter index;
    for (std::uint32_t frame = 0; frame < frames; ++frame) {
        // Offsets count from the "movi" tag.
        index.Tag("00db").LE32(0x10).LE32(4 + frame * (8 + kFrameBytes)).LE32(kFrameBytes);
        movie.Raw(RiffChunk("00db", Bytes(kFrameBytes, static_cast<std::uint8_t>(frame))));
    }
    const Bytes streamList = RiffList("strl", Concat({RiffChunk("strh", streamHeader.bytes()),
                                                      RiffChunk("strf", bitmapHeader.bytes())}));
    return RiffFile(
        "AVI ",
        Concat({RiffList("hdrl", Concat({RiffChunk("avih", mainHeader.bytes()), streamList})),
                RiffList("movi", movie.bytes()), RiffChunk("idx1", index.bytes())}));
}

inline Bytes WaveFile() {
    ByteWriter format;
    format.LE16(1).LE16(2).LE32(44100).LE32(176400).LE16(4).LE16(16);
    return RiffFile("WAVE",
                    Concat({RiffChunk("fmt ", format.bytes()), RiffChunk("data", Bytes(16))}));
}

// --- ISO base media ----------------------------------------------------------------------

// An ftyp box: big-endian size, "ftyp", major brand, minor version, compatible brands.
// `declaredSize`, when given, replaces the real size in the size field.
inline Bytes FtypBox(std::string_view major, std::initializer_list<std::string_view> compatible,
                     std::optional<std::uint32_t> declaredSize = std::nullopt) {
    ByteWriter body;
    body.Tag(major).BE32(0x200);
    for (const std::string_view brand : compatible) {
        body.Tag(brand);
    }
    const auto size = static_cast<std::uint32_t>(body.bytes().size() + 8);
    return ByteWriter().BE32(declaredSize.value_or(size)).Tag("ftyp").Raw(body.bytes()).bytes();
}

// A box of `type` with `payloadSize` zero bytes.
inline Bytes IsoBox(std::string_view type, std::uint32_t payloadSize) {
    return ByteWriter().BE32(payloadSize + 8).Tag(type).Fill(payloadSize).bytes();
}

// An MP4 file as far as identification reads it: ftyp, then a free and an mdat box.
inline Bytes Mp4File(std::string_view major, std::initializer_list<std::string_view> compatible) {
    return Concat({FtypBox(major, compatible), IsoBox("free", 8), IsoBox("mdat", 32)});
}

// --- MPEG --------------------------------------------------------------------------------

// Pack header of an MPEG-1 (12 bytes) or MPEG-2 (14 bytes plus stuffing) program stream.
inline Bytes MpegPackHeader(int version, std::uint8_t stuffing = 0) {
    ByteWriter writer;
    writer.BE32(0x000001BA);
    if (version == 1) {
        writer.U8(0x21).U8(0x00).U8(0x01).U8(0x00).U8(0x01);  // '0010', clock reference
        writer.U8(0x80).U8(0x1B).U8(0x83);                    // multiplex rate
    } else {
        writer.U8(0x44).U8(0x00).U8(0x04).U8(0x00).U8(0x04).U8(0x01);  // '01', clock
        writer.U8(0x01).U8(0x89).U8(0xC3);                             // multiplex rate
        writer.U8(0xF8 | (stuffing & 0x07)).Fill(stuffing & 0x07, 0xFF);
    }
    return writer.bytes();
}

// A packet: start code 00 00 01 `streamId`, big-endian length, payload.
inline Bytes MpegPacket(std::uint8_t streamId, const Bytes& payload) {
    return ByteWriter()
        .BE32(0x00000100u | streamId)
        .BE16(static_cast<std::uint16_t>(payload.size()))
        .Raw(payload)
        .bytes();
}

// A video sequence header (720x576, 25 fps), optionally with quantiser matrices.
inline Bytes MpegSequenceHeader(bool intraMatrix = false, bool nonIntraMatrix = false) {
    ByteWriter writer;
    writer.BE32(0x000001B3).U8(0x2D).U8(0x02).U8(0x40);  // 720 x 576
    writer.U8(0x33);                                     // 4:3, 25 fps
    writer.U8(0xFF).U8(0xFF).U8(0xE0);                   // bit rate, marker, buffer size
    // Last byte of the buffer size, constrained-parameters flag, then the matrix flags;
    // an intra matrix shifts the non-intra flag 64 bytes further.
    std::uint8_t flags = 0x18 | (intraMatrix ? 0x02 : 0x00);
    if (!intraMatrix && nonIntraMatrix) {
        flags |= 0x01;
    }
    writer.U8(flags);
    if (intraMatrix) {
        writer.Fill(63, 0x10).U8(nonIntraMatrix ? 0x21 : 0x20);
    }
    if (nonIntraMatrix) {
        writer.Fill(64, 0x10);
    }
    return writer.bytes();
}

// The sequence extension that marks an MPEG-2 video stream.
inline Bytes MpegSequenceExtension() {
    return ByteWriter()
        .BE32(0x000001B5)
        .U8(0x14)
        .U8(0x8A)
        .U8(0x00)
        .U8(0x01)
        .U8(0x00)
        .U8(0x00)
        .bytes();
}

// A group-of-pictures header, what follows an MPEG-1 sequence header.
inline Bytes MpegGroupOfPictures() {
    return ByteWriter().BE32(0x000001B8).U8(0x00).U8(0x08).U8(0x00).U8(0x00).bytes();
}

inline Bytes Mpeg1VideoStream(bool intraMatrix = false, bool nonIntraMatrix = false) {
    return Concat({MpegSequenceHeader(intraMatrix, nonIntraMatrix), MpegGroupOfPictures()});
}

inline Bytes Mpeg2VideoStream(bool intraMatrix = false, bool nonIntraMatrix = false) {
    return Concat({MpegSequenceHeader(intraMatrix, nonIntraMatrix), MpegSequenceExtension(),
                   MpegGroupOfPictures()});
}

// A program stream: pack header, a system header and padding packet, then the video
// elementary stream in a video packet.
inline Bytes MpegProgramStream(int version, const Bytes& video) {
    return Concat({MpegPackHeader(version), MpegPacket(0xBB, Bytes(12, 0x80)),
                   MpegPacket(0xBE, Bytes(6, 0xFF)), MpegPacket(0xE0, video)});
}

}  // namespace capspect::test
