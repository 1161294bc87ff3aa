#include "mediainfo/media_identification.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/support/unicode.h"
#include "tests/support/media_builders.h"
#include "tests/support/temp_dir.h"

namespace capspect {

void PrintTo(const TAviInfo& info, std::ostream* os) {
    *os << "{\"" << info.VideoCodec << "\", \"" << info.VideoCodecName << "\", \""
        << info.AudioCodec << "\", " << (info.AviFile ? "true" : "false") << "}";
}

namespace {

using test::Bytes;
using test::ByteWriter;
using test::Concat;
using test::Handler;

TAviInfo Identify(const Bytes& bytes, std::u16string_view name) {
    MemoryByteStream stream(bytes);
    TAviInfo info{"stale", "stale", "stale", true};
    IdentifyMediaStream(stream, name, info);
    return info;
}

TAviInfo Riff(const Bytes& bytes) {
    MemoryByteStream stream(bytes);
    TAviInfo info{"stale", "stale", "stale", false};
    ReadRiffInfo(stream, info);
    return info;
}

const TAviInfo kNothing{};

// --- RIFF ------------------------------------------------------------------------------

TEST(ReadRiffInfo, DvVideoWithAudioCodeOne) {
    const Bytes avi =
        test::AviFile(Concat({test::AviStreamList("vids", Handler::Of("dvsd")),
                              test::AviStreamList("auds", Handler{{1, 0, 0, 0}}, 18)}));
    const TAviInfo expected{"dvsd", "25Mbps Consumer DV", "\x01", true};
    EXPECT_EQ(Riff(avi), expected);
    EXPECT_EQ(Identify(avi, u"clip.avi"), expected);
}

TEST(ReadRiffInfo, UncompressedVideoHasAnEmptyCode) {
    const Bytes avi = test::AviFile(test::AviStreamList("vids", Handler{{0, 0, 0, 0}}));
    EXPECT_EQ(Riff(avi), (TAviInfo{"", "Unknown Codec", "", true}));
}

TEST(ReadRiffInfo, CodeEndsAtItsFirstZeroByte) {
    const Bytes avi = test::AviFile(test::AviStreamList("vids", Handler{{'M', 'J', 0, 'G'}}));
    EXPECT_EQ(Riff(avi).VideoCodec, "MJ");
}

TEST(ReadRiffInfo, InterleavedDvFillsVideoAndAudio) {
    const Bytes avi = test::AviFile(test::AviStreamList("iavs", Handler::Of("dvsd")));
    EXPECT_EQ(Riff(avi), (TAviInfo{"dvsd", "25Mbps Consumer DV", "dvsd", true}));
}

TEST(ReadRiffInfo, LaterStreamsOfATypeOverwriteEarlierOnesAndOthersAreIgnored) {
    const Bytes avi =
        test::AviFile(Concat({test::AviStreamList("vids", Handler::Of("XVID")),
                              test::AviStreamList("auds", Handler::Of("abcd")),
                              test::AviStreamList("txts", Handler::Of("TEXT")),
                              test::AviStreamList("vids", Handler::Of("DIV3")),
                              test::AviStreamList("auds", Handler{{0x55, 0, 0, 0}})}));
    EXPECT_EQ(Riff(avi), (TAviInfo{"DIV3", "DivX 3 Low-Motion\tDivX", "U", true}));
}

TEST(ReadRiffInfo, HighBytesOfACodeAreWindows1252Characters) {
    const Bytes avi = test::AviFile(test::AviStreamList("vids", Handler{{'a', 0xE9, 0x80, 'z'}}));
    EXPECT_EQ(Riff(avi).VideoCodec,
              "a\xC3\xA9\xE2\x82\xAC"
              "z");
}

TEST(ReadRiffInfo, WaveFilesAreAudioWhateverTheirName) {
    const TAviInfo wave{"Audio", "Audio", "WAVE", true};
    EXPECT_EQ(Riff(test::WaveFile()), wave);
    for (const char16_t* name : {u"a.wav", u"a.mp3", u"a.mpg", u"a.mp4", u"a"}) {
        EXPECT_EQ(Identify(test::WaveFile(), name), wave);
    }
}

TEST(ReadRiffInfo, OtherFormTypesAreNoAviFile) {
    const Bytes midi = test::RiffFile("RMID", test::RiffChunk("data", Bytes(20)));
    EXPECT_EQ(Riff(midi), kNothing);
    // Not an AVI file, so the ftyp and MPEG tests run: read from offset 4 as an elementary
    // stream, this one counts as MPEG-1.
    EXPECT_EQ(Identify(midi, u"song.dat"), kNothing);
    EXPECT_EQ(Identify(midi, u"song.mpg"), (TAviInfo{"MPEG-1", "MPEG-1", "", false}));
}

TEST(ReadRiffInfo, AviWithoutHeaderListIsStillAnAviFile) {
    const Bytes avi = test::RiffFile(
        "AVI ",
        Concat({test::RiffList("movi", Bytes(64)), test::RiffList("hdrl", test::AviMainHeader())}));
    const TAviInfo expected{"", "", "", true};
    EXPECT_EQ(Riff(avi), expected);
    // An AVI file never gets the MPEG test.
    EXPECT_EQ(Identify(avi, u"odd.mpg"), expected);
}

TEST(ReadRiffInfo, JunkBetweenMainHeaderAndStreamListsIsSkipped) {
    const Bytes junk = test::RiffChunk("JUNK", Bytes(27));  // odd size, padded
    const Bytes avi = test::RiffFile(
        "AVI ", test::RiffList("hdrl", Concat({test::AviMainHeader(), junk,
                                               test::AviStreamList("vids", Handler::Of("XVID"))})));
    EXPECT_EQ(Riff(avi), (TAviInfo{"XVID", "XVID MPEG-4", "", true}));
}

TEST(ReadRiffInfo, AnotherListInTheHeaderEndsTheWalk) {
    const Bytes avi = test::RiffFile(
        "AVI ", test::RiffList("hdrl", Concat({test::AviMainHeader(),
                                               test::AviStreamList("vids", Handler::Of("XVID")),
                                               test::RiffList("odml", Bytes(16)),
                                               test::AviStreamList("auds", Handler::Of("abcd"))})));
    EXPECT_EQ(Riff(avi), (TAviInfo{"XVID", "XVID MPEG-4", "", true}));
}

TEST(ReadRiffInfo, SmallFormatChunksAndNamesInsideStreamLists) {
    // The audio format is shorter than the 64 bytes read for it; the stream name after it
    // has an odd size. Neither may hide the next stream list.
    const Bytes name = test::RiffChunk("strn", Bytes{'a', 'u', 'd', 'i', 'o', 0, 0});
    const Bytes avi =
        test::AviFile(Concat({test::AviStreamList("auds", Handler{{1, 0, 0, 0}}, 18, name),
                              test::AviStreamList("vids", Handler::Of("MJPG"))}));
    EXPECT_EQ(Riff(avi), (TAviInfo{"MJPG", "Motion JPEG", "\x01", true}));
}

TEST(ReadRiffInfo, EmptyChunkInAStreamListEndsTheHeaderWalk) {
    const Bytes empty = test::RiffChunk("vprp", {});
    const Bytes avi = test::AviFile(
        Concat({test::RiffList("strl",
                               Concat({empty, test::AviStreamHeader("vids", Handler::Of("XVID"))})),
                test::AviStreamList("auds", Handler::Of("abcd"))}));
    EXPECT_EQ(Riff(avi), (TAviInfo{"", "", "", true}));
}

TEST(ReadRiffInfo, HugeMainHeaderSizeEndsTheWalk) {
    Bytes avi = test::AviFile(test::AviStreamList("vids", Handler::Of("XVID")));
    // The size field of "avih" follows RIFF header (12), LIST header (12) and "avih".
    avi[28] = avi[29] = avi[30] = avi[31] = 0xFF;
    EXPECT_EQ(Riff(avi), (TAviInfo{"", "", "", true}));
}

TEST(ReadRiffInfo, TruncatedFilesKeepWhatWasReadBeforeTheCut) {
    const Bytes avi = test::AviFile(Concat({test::AviStreamList("vids", Handler::Of("dvsd")),
                                            test::AviStreamList("auds", Handler::Of("abcd"))}));
    for (std::size_t length = 0; length <= avi.size(); ++length) {
        const TAviInfo info = Riff(Bytes(avi.begin(), avi.begin() + static_cast<long>(length)));
        SCOPED_TRACE(length);
        EXPECT_EQ(info.AviFile, length >= 12);
        EXPECT_TRUE(info.VideoCodec.empty() || info.VideoCodec == "dvsd");
        EXPECT_TRUE(info.AudioCodec.empty() || info.AudioCodec == "abcd");
        if (!info.AudioCodec.empty()) {
            EXPECT_EQ(info.VideoCodec, "dvsd");
        }
    }
    EXPECT_EQ(Riff(avi).AudioCodec, "abcd");
}

TEST(ReadRiffInfo, ArbitraryHeaderBytesAlwaysEndTheWalk) {
    // Random bytes behind a valid start: every walk must end (the test would hang
    // otherwise) and never claim more than an AVI file.
    std::uint32_t seed = 1;
    const auto next = [&seed] {
        seed = seed * 1664525 + 1013904223;
        return static_cast<std::uint8_t>(seed >> 24);
    };
    for (int round = 0; round < 300; ++round) {
        Bytes avi = test::AviFile(Concat({test::AviStreamList("vids", Handler::Of("dvsd")),
                                          test::AviStreamList("auds", Handler::Of("abcd"))}));
        for (std::size_t i = 24 + next() % 40; i < avi.size(); i += 1 + next() % 16) {
            avi[i] = next() % 4 == 0 ? 0 : next();
        }
        EXPECT_TRUE(Riff(avi).AviFile);
    }
}

TEST(ReadRiffInfo, NonRiffFilesAreNothing) {
    EXPECT_EQ(Riff({}), kNothing);
    EXPECT_EQ(Riff(Bytes{'R', 'I', 'F', 'F', 0, 0}), kNothing);
    EXPECT_EQ(Riff(test::Mp4File("mp42", {"isom"})), kNothing);
    EXPECT_EQ(Riff(ByteWriter().Tag("riff").LE32(4).Tag("AVI ").bytes()), kNothing);
}

// --- ftyp ------------------------------------------------------------------------------

std::optional<TAviInfo> Ftyp(const Bytes& bytes) {
    MemoryByteStream stream(bytes);
    stream.Seek(7);  // the box is read from the start whatever the position
    TAviInfo info{"stale", "stale", "stale", true};
    const bool recognised = ReadFtypInfo(stream, info);
    if (!recognised) {
        EXPECT_EQ(info, kNothing);
        return std::nullopt;
    }
    EXPECT_TRUE(info.AudioCodec.empty());
    EXPECT_FALSE(info.AviFile);
    return info;
}

std::string BrandName(std::string_view major, std::initializer_list<std::string_view> compatible) {
    const auto info = Ftyp(test::Mp4File(major, compatible));
    return info ? info->VideoCodecName : "(not recognised)";
}

TEST(ReadFtypInfo, CompatibleBrandsComeFirst) {
    const auto info = Ftyp(test::Mp4File("mp42", {"mp42", "isom"}));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->VideoCodec, "mp42");
    EXPECT_EQ(info->VideoCodecName, "H.264/MPEG-4");
    EXPECT_EQ(BrandName("qt  ", {"ISOM"}), "H.264/MPEG-4");
    EXPECT_EQ(BrandName("abcd", {"avc1", "iso2"}), "H.264/MPEG-4 [MP4 Base Media Version 2]");
    EXPECT_EQ(BrandName("abcd", {"AVC1"}), "H.264/MPEG-4 [AVC Extensions]");
}

TEST(ReadFtypInfo, MajorBrandsIgnoringCase) {
    EXPECT_EQ(BrandName("mp71", {}), "MP4 with MPEG-7 Metadata");
    EXPECT_EQ(BrandName("mp41", {"mp41"}), "MPEG-4");
    EXPECT_EQ(BrandName("MP42", {}), "MPEG-4");
    EXPECT_EQ(BrandName("qt  ", {}), "Apple QuickTime (.MOV/QT)");
    EXPECT_EQ(BrandName("QT  ", {"qt  "}), "Apple QuickTime (.MOV/QT)");
    EXPECT_EQ(BrandName("3gp4", {"3gp4"}), "3GPP Media");
    EXPECT_EQ(BrandName("3GP6", {}), "3GPP Media");
    EXPECT_EQ(BrandName("3gp7", {}), "Unknown: 3gp7");
    EXPECT_EQ(BrandName("AVC1", {}), "MP4 Base with AVC ext [ISO 14496-12:2005]");
    EXPECT_EQ(BrandName("M4V ", {"M4V "}), "Apple iTunes Video (.M4V) Video");
    EXPECT_EQ(BrandName("MP21", {}), "MPEG-21 [ISO/IEC 21000-9]");
    EXPECT_EQ(BrandName("abcd", {"mp41"}), "Unknown: abcd");
    EXPECT_EQ(BrandName("qt", {}), "Unknown: qt");  // "qt" and two zero bytes
}

TEST(ReadFtypInfo, CompatibleBrandsEndAtAZeroByte) {
    EXPECT_EQ(BrandName("mp42", {"mp42", "", "isom"}), "MPEG-4");
    EXPECT_EQ(BrandName("mp42", {"mp42", "is", "om"}), "MPEG-4");
}

TEST(ReadFtypInfo, OnlyTheFirstFortyCompatibleBrandsCount) {
    std::vector<std::string> brands(39, "xxxx");
    const auto build = [&brands] {
        ByteWriter body;
        body.Tag("abcd").BE32(0);
        for (const std::string& brand : brands) {
            body.Tag(brand);
        }
        return Concat({ByteWriter()
                           .BE32(static_cast<std::uint32_t>(body.bytes().size() + 8))
                           .Tag("ftyp")
                           .Raw(body.bytes())
                           .bytes(),
                       test::IsoBox("free", 0)});
    };
    brands.push_back("isom");
    EXPECT_EQ(Ftyp(build())->VideoCodecName, "H.264/MPEG-4");
    brands.insert(brands.begin(), "yyyy");
    EXPECT_EQ(Ftyp(build())->VideoCodecName, "Unknown: abcd");
}

TEST(ReadFtypInfo, BoxesLargerThan1000BytesAreReadAs1000) {
    // Declared 5000 bytes long but the file holds only 1200: reading the whole box would
    // fall short.
    Bytes file = test::FtypBox("mp42", {"isom"}, 5000);
    file.resize(1200, 0);
    EXPECT_EQ(Ftyp(file)->VideoCodecName, "H.264/MPEG-4");
    file.resize(999);
    EXPECT_FALSE(Ftyp(file));
}

TEST(ReadFtypInfo, BoxesTooSmallForTheirBrandsAreNotRecognised) {
    for (const std::uint32_t size : {0u, 1u, 3u, 4u, 7u, 8u, 12u, 15u}) {
        SCOPED_TRACE(size);
        EXPECT_FALSE(Ftyp(Concat({test::FtypBox("mp42", {"isom"}, size), Bytes(64)})));
    }
    const auto smallest = Ftyp(Concat({test::FtypBox("mp42", {}, 16), Bytes(64)}));
    ASSERT_TRUE(smallest);
    EXPECT_EQ(smallest->VideoCodecName, "MPEG-4");
}

TEST(ReadFtypInfo, ReadsNoFurtherThanTheBox) {
    // A file that is only its ftyp box is recognised.
    EXPECT_EQ(Ftyp(test::FtypBox("qt  ", {"qt  "}))->VideoCodecName, "Apple QuickTime (.MOV/QT)");
    // The next box's size field does not count as a compatible brand.
    const Bytes file =
        Concat({test::FtypBox("mp42", {"mp42"}), ByteWriter().Tag("isom").Tag("mdat").bytes()});
    EXPECT_EQ(Ftyp(file)->VideoCodecName, "MPEG-4");
}

TEST(ReadFtypInfo, TruncatedAndForeignFilesAreNotRecognised) {
    const Bytes box = test::FtypBox("mp42", {"mp42", "isom"});
    for (std::size_t length = 0; length < box.size(); ++length) {
        EXPECT_FALSE(Ftyp(Bytes(box.begin(), box.begin() + static_cast<long>(length)))) << length;
    }
    EXPECT_FALSE(Ftyp(Concat({test::IsoBox("free", 8), box})));
    EXPECT_FALSE(Ftyp(ByteWriter().BE32(24).Tag("FTYP").Fill(16).bytes()));
}

// --- MPEG ------------------------------------------------------------------------------

int Mpeg(const Bytes& bytes) {
    MemoryByteStream stream(bytes);
    return DetectMpegVersion(stream);
}

const TAviInfo kMpeg1{"MPEG-1", "MPEG-1", "", false};
const TAviInfo kMpeg2{"MPEG-2", "MPEG-2", "", false};

TEST(DetectMpegVersion, PackHeaderMarkerGivesTheVersion) {
    EXPECT_EQ(Identify(Bytes{0, 0, 1, 0xBA, 0x21}, u"a.mpg"), kMpeg1);
    EXPECT_EQ(Identify(Bytes{0, 0, 1, 0xBA, 0x44}, u"a.mpg"), kMpeg2);
    EXPECT_EQ(Identify(Bytes{0, 0, 1, 0xBA, 0x00}, u"a.mpg"), kNothing);
    EXPECT_EQ(Identify(Bytes{0, 0, 1, 0xBA, 0x00, 0, 0, 1, 0xB3}, u"a.mpg"), kNothing);
}

TEST(DetectMpegVersion, ProgramStreams) {
    EXPECT_EQ(Mpeg(test::MpegProgramStream(1, test::Mpeg1VideoStream())), 1);
    // An MPEG-2 pack says MPEG-2 even around MPEG-1 video.
    EXPECT_EQ(Mpeg(test::MpegProgramStream(2, test::Mpeg1VideoStream())), 2);
    EXPECT_EQ(Mpeg(test::MpegProgramStream(2, test::Mpeg2VideoStream(true, true))), 2);
    EXPECT_EQ(Mpeg(Concat(
                  {test::MpegPackHeader(2, 7), test::MpegPacket(0xE0, test::Mpeg2VideoStream())})),
              2);
    // Zero bytes between packets are searched through for the next start code.
    EXPECT_EQ(Mpeg(Concat({test::MpegPackHeader(1), test::MpegPacket(0xC0, Bytes(9)), Bytes(13),
                           test::MpegPacket(0xE0, test::Mpeg1VideoStream())})),
              1);
    EXPECT_EQ(Identify(test::MpegProgramStream(2, test::Mpeg2VideoStream()), u"MOVIE.MPG"), kMpeg2);
}

TEST(DetectMpegVersion, TruncatedProgramStreamsKeepTheirPackVersion) {
    // The last packet's length points past the end of the file.
    const Bytes truncated = Concat(
        {test::MpegPackHeader(2), ByteWriter().BE32(0x000001C0).BE16(4000).Fill(100).bytes()});
    EXPECT_EQ(Mpeg(truncated), 2);
    // Only zero bytes after the pack: the search for a start code reaches the end.
    EXPECT_EQ(Mpeg(Concat({test::MpegPackHeader(1), Bytes(500)})), 1);
    // A video packet but no sequence header.
    EXPECT_EQ(Mpeg(Concat({test::MpegPackHeader(2), test::MpegPacket(0xE0, Bytes(50, 0x47))})), 2);
    const Bytes full = test::MpegProgramStream(2, test::Mpeg2VideoStream());
    for (std::size_t length = 5; length < full.size(); ++length) {
        EXPECT_EQ(Mpeg(Bytes(full.begin(), full.begin() + static_cast<long>(length))), 2) << length;
    }
}

TEST(DetectMpegVersion, ElementaryStreamsNeedTheSequenceExtensionForMpeg2) {
    for (const bool intra : {false, true}) {
        for (const bool nonIntra : {false, true}) {
            SCOPED_TRACE(testing::Message() << intra << nonIntra);
            EXPECT_EQ(Mpeg(test::Mpeg2VideoStream(intra, nonIntra)), 2);
            EXPECT_EQ(Mpeg(test::Mpeg1VideoStream(intra, nonIntra)), 1);
        }
    }
    EXPECT_EQ(Identify(test::Mpeg2VideoStream(), u"clip.m2v"), kMpeg2);
    EXPECT_EQ(Identify(test::Mpeg1VideoStream(), u"clip.m1v"), kMpeg1);
}

TEST(DetectMpegVersion, ShortStreamsAreNeverMpeg) {
    for (std::size_t length = 0; length < 5; ++length) {
        EXPECT_EQ(Mpeg(Bytes(length, 0)), 0);
        EXPECT_EQ(Identify(Bytes(length, 0), u"a.mpg"), kNothing);
    }
    EXPECT_EQ(Mpeg(Bytes{0, 0, 1, 0xBA}), 0);
    EXPECT_EQ(Mpeg(Bytes{0, 0, 1, 0xB3, 0}), 1);
}

TEST(IdentifyMediaStream, MpegTestDependsOnTheExtension) {
    const Bytes mpeg = test::Mpeg2VideoStream();
    for (const char16_t* name : {u"a.mpg", u"a.MPEG", u"a.m2v", u"a.mkv", u"a.m4v", u"a.mp2",
                                 u"dir/a.b.mpg", u"C:\\x.y\\a.vdm"}) {
        EXPECT_EQ(Identify(mpeg, name), kMpeg2) << Utf16ToUtf8(name);
    }
    for (const char16_t* name : {u"a.wmv", u"a.MOV", u"a.mts", u"a.mp3", u"a.MP3", u"a.vob",
                                 u"a.ts", u"a", u"movie", u"a.mpg/clip", u"a.mpg\\clip"}) {
        EXPECT_EQ(Identify(mpeg, name), kNothing) << Utf16ToUtf8(name);
    }
}

TEST(IdentifyMediaStream, OtherFilesWithAnMInTheExtensionReadAsElementaryStreams) {
    // A Matroska header: no RIFF, no ftyp, so the bytes from offset 4 are taken for a
    // sequence header, and anything but an extension start code behind it means MPEG-1.
    const Bytes matroska = ByteWriter().BE32(0x1A45DFA3).Fill(40, 0x42).bytes();
    EXPECT_EQ(Identify(matroska, u"film.mkv"), kMpeg1);
    Bytes lookalike = matroska;
    const Bytes extension{0, 0, 1, 0xB5};
    std::copy(extension.begin(), extension.end(), lookalike.begin() + 12);
    lookalike[11] = 0;  // no quantiser matrices
    EXPECT_EQ(Identify(lookalike, u"film.mkv"), kMpeg2);
    EXPECT_EQ(Identify(matroska, u"film.avi"), kNothing);
}

TEST(IdentifyMediaStream, FtypFilesStopBeforeTheMpegTest) {
    EXPECT_EQ(Identify(test::Mp4File("mp42", {"isom"}), u"clip.mp4"),
              (TAviInfo{"mp42", "H.264/MPEG-4", "", false}));
    // An ftyp box too small to be read is no ftyp file; ".mp4" then asks for the MPEG test.
    EXPECT_EQ(Identify(Concat({test::FtypBox("mp42", {}, 12), Bytes(64)}), u"clip.mp4"), kMpeg1);
    EXPECT_EQ(Identify(test::Mp4File("mp42", {"isom"}), u"clip.mp3"), kNothing);
}

// --- files ---------------------------------------------------------------------------------

TEST(IdentifyMediaFile, ReadsFilesByTheirUtf16Name) {
    test::TempDir dir;
    const Bytes avi = test::AviFile(test::AviStreamList("vids", Handler::Of("dvsd")));
    // A char8_t name is UTF-8 on every platform (a char name is the ANSI code page on
    // Windows).
    const auto path = dir.Write(u8"Stra\u00DFe.avi", avi);
    TAviInfo info{"stale", "stale", "stale", false};
    IdentifyMediaFile(path.u16string(), info);
    EXPECT_EQ(info, (TAviInfo{"dvsd", "25Mbps Consumer DV", "", true}));

    IdentifyMediaFile(
        dir.Write("film.MPG", test::MpegProgramStream(1, test::Mpeg1VideoStream())).u16string(),
        info);
    EXPECT_EQ(info, kMpeg1);
}

TEST(IdentifyMediaFile, RaisesForFilesThatCannotBeOpened) {
    test::TempDir dir;
    TAviInfo info{"stale", "stale", "stale", true};
    const std::u16string missing = (dir.path() / "missing.avi").u16string();
    try {
        IdentifyMediaFile(missing, info);
        FAIL() << "identified a missing file";
    } catch (const EFOpenError& error) {
        EXPECT_EQ(error.FileName(), Utf16ToUtf8(missing));
    }
    EXPECT_EQ(info, kNothing);
    EXPECT_THROW(IdentifyMediaFile(dir.path().u16string(), info), EFOpenError);
}

TEST(IdentifyMediaFile, SearchingALargeFileReadsItInBlocks) {
    // A pack header followed by 4 MiB of zero bytes: the start-code search runs through the
    // whole file.
    test::TempDir dir;
    const Bytes file = Concat({test::MpegPackHeader(2), Bytes(4 << 20)});
    FileByteStream stream(dir.Write("big.mpg", file));
    TAviInfo info;
    IdentifyMediaStream(stream, u"big.mpg", info);
    EXPECT_EQ(info, kMpeg2);
    EXPECT_LE(stream.SystemReadCount(), file.size() / FileByteStream::kDefaultBufferSize + 8);
}

}  // namespace
}  // namespace capspect
