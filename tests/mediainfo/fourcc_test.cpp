#include "mediainfo/fourcc.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace capspect {
namespace {

std::vector<std::string> Keys(std::span<const FourCCEntry> entries) {
    std::vector<std::string> keys;
    for (const FourCCEntry& entry : entries) {
        keys.emplace_back(entry.key);
    }
    return keys;
}

// The keys every build must carry, in table order.
const std::vector<std::string> kExactKeys = {
    "avc1", "CDV5", "CDVC", "CDVH", "CFCC", "CLJR", "CPLA", "CLPL", "DC25", "dv25", "dv50", "DVCS",
    "dvh1", "dvhd", "dvsd", "DVSD", "dvsl", "DIV1", "DIV2", "DIV3", "DIV4", "DIV5", "DIV6", "DIVX",
    "DX50", "DVH1", "FFV1", "H264", "HDX4", "IR21", "L261", "L263", "L264", "M263", "M261", "M4S2",
    "MDVF", "MJPG", "MP42", "MP43", "MP4S", "MP4T", "mp4v", "MP4V", "NDSC", "ndsm", "NDXC", "NDXH",
    "NDXP", "NDXS", "PDVC", "PIM1", "PIM2", "Plum", "TVMJ", "VCR1", "VCR2", "VIVO", "VP31", "VQC1",
    "VQC2", "WAKE", "WMV1", "WMV2", "WMV3", "WMVA", "X264", "XVID", "XMPG"};

const std::vector<std::string> kCaseInsensitiveKeys = {
    "m4cc", "ndsp", "ndss", "3iv1", "3iv2", "aasc", "adv1", "advj", "aem1", "afl1", "aflc", "ampg",
    "anim", "ap41", "asv1", "asv2", "asvx", "aur2", "aura", "avrn", "bink", "bt20", "btcv", "bw10",
    "cc12", "cdvc", "cfcc", "cgdi", "cham", "cmyk", "cjpg", "cpla", "cram", "cvid", "cwlt", "cyuv",
    "cyuy", "d261", "d263", "div3", "div4", "div5", "divx", "dmb1", "dmb2", "dsvd", "duck", "dv25",
    "dv50", "dvsd", "dve2", "dvx1", "dvx2", "dvx3", "dx50", "dxtn", "elk0", "ekq0", "escp", "etv1",
    "etv2", "etvc", "fljp", "frwa", "frwd", "fvf1", "glzw", "gpeg", "gwlt", "h260", "h261", "h262",
    "h263", "h264", "h265", "h266", "h267", "h268", "h269", "hfyu", "hmcr", "hmrr", "i263", "iclb",
    "igor", "ijpg", "ilvc", "ir21", "iraw", "iv30", "iv31", "iv32", "iv33", "iv34", "iv35", "iv36",
    "iv37", "iv38", "iv39", "iv40", "iv41", "iv42", "iv43", "iv44", "iv45", "iv46", "iv47", "iv48",
    "iv49", "iv50", "jbyr", "jpeg", "jpgl", "kmvc", "l261", "l263", "lcmw", "lead", "lgry", "ljpg",
    "m261", "m263", "m4s2", "mc12", "mcam", "mj2c", "mjpg", "mmes", "mp2a", "mp2t", "mp2v", "mp42",
    "mp43", "mp4a", "mp4t", "mp4v", "mp4s", "mpeg", "mpg4", "mpgi", "mrca", "mrle", "msvc", "mszh",
    "mtx1", "mtx2", "mtx3", "mtx4", "mtx5", "mtx6", "mtx7", "mtx8", "mtx9", "mwv1", "ntn1", "nvds",
    "nvhs", "nvvu", "nvs0", "nvs1", "nvs2", "nvs3", "nvs4", "nvs5", "nvt0", "nvt1", "nvt2", "nvt3",
    "nvt4", "nvt5", "pdvc", "pgvv", "phmo", "pim1", "pim2", "pimj", "pixl", "pvez", "pvmm", "pvw2",
    "qpeg", "rgbt", "rle ", "rle4", "rle8", "rmp4", "rt21", "rv20", "rv30", "rvx ", "s422", "san3",
    "sdcc", "sfmc", "smsc", "smsd", "smsv", "sp54", "spig", "sqz2", "sv10", "stva", "stvb", "stvc",
    "stvx", "stvy", "svq1", "tlms", "tlst", "tm20", "tm2x", "tmic", "tmot", "tr20", "tscc", "tv10",
    "tvjp", "tvmj", "ty2c", "ty2n", "ty0n", "ucod", "ulti", "v261", "v655", "vcr1", "vcr2", "vdct",
    "vdom", "vdow", "vdtz", "vgpx", "vifp", "vids", "vivo", "vixl", "vlv1", "vp30", "vp31", "vssv",
    "vx1k", "vx2k", "vxsp", "vyu9", "vyuy", "wbvc", "wham", "winx", "wjpg", "wnv1", "x263", "xvid",
    "xlv0", "xmpg", "xwv0", "xwv1", "xwv2", "xwv3", "xwv4", "xwv5", "xwv6", "xwv7", "xwv8", "xwv9",
    "y411", "y41p", "yc12", "yuv8", "yuy2", "yuyv", "zpeg", "zygo"};

TEST(FourCCTable, CarriesEveryKeyInOrder) {
    EXPECT_EQ(Keys(ExactFourCCEntries()), kExactKeys);
    EXPECT_EQ(Keys(CaseInsensitiveFourCCEntries()), kCaseInsensitiveKeys);
    EXPECT_EQ(ExactFourCCEntries().size(), 69u);
    EXPECT_EQ(CaseInsensitiveFourCCEntries().size(), 272u);
}

TEST(FourCCTable, KeysAreUniqueFourCharactersAndCaseInsensitiveKeysLowerCase) {
    for (const auto entries : {ExactFourCCEntries(), CaseInsensitiveFourCCEntries()}) {
        const std::vector<std::string> keys = Keys(entries);
        EXPECT_EQ(std::set<std::string>(keys.begin(), keys.end()).size(), keys.size());
        for (const FourCCEntry& entry : entries) {
            EXPECT_EQ(entry.key.size(), 4u) << entry.key;
            EXPECT_FALSE(entry.description.empty()) << entry.key;
            EXPECT_EQ(entry.description.find('\r'), std::string_view::npos) << entry.key;
        }
    }
    for (const FourCCEntry& entry : CaseInsensitiveFourCCEntries()) {
        for (const char c : entry.key) {
            EXPECT_FALSE(c >= 'A' && c <= 'Z') << entry.key;
        }
    }
}

TEST(FourCCTable, OnlyTheElevenMakerEntriesCarryFurtherFields) {
    std::set<std::string> withFields;
    for (const auto entries : {ExactFourCCEntries(), CaseInsensitiveFourCCEntries()}) {
        for (const FourCCEntry& entry : entries) {
            if (entry.description.find('\t') != std::string_view::npos) {
                withFields.emplace(entry.key);
            }
        }
    }
    const std::set<std::string> expected = {"dvhd", "DIV3", "DIV4", "DIV5", "DIV6", "DIVX",
                                            "H264", "HDX4", "L261", "L263", "L264"};
    EXPECT_EQ(withFields, expected);
    // Every field is filled: no empty field between tabs or at the end.
    for (const FourCCEntry& entry : ExactFourCCEntries()) {
        EXPECT_EQ(entry.description.find("\t\t"), std::string_view::npos) << entry.key;
        EXPECT_NE(entry.description.back(), '\t') << entry.key;
    }
}

struct Described {
    const char* code;
    const char* description;
};

class FourCCDescriptionTest : public testing::TestWithParam<Described> {};

TEST_P(FourCCDescriptionTest, Describes) {
    EXPECT_EQ(FourCCDescription(GetParam().code), GetParam().description) << GetParam().code;
}

INSTANTIATE_TEST_SUITE_P(
    KnownCodes, FourCCDescriptionTest,
    testing::Values(
        Described{"avc1", "H.264"}, Described{"X264", "H.264"},
        Described{"H264", "H.264/MPEG-4 AVC\tITU-T/ISO/IEC"},
        Described{"h264", "Intel Conferencing"}, Described{"H264 ", "Unknown Codec"},
        Described{"H26x", "Unknown Codec"}, Described{"DIV3", "DivX 3 Low-Motion\tDivX"},
        Described{"dvsd", "25Mbps Consumer DV"}, Described{"DVSD", "DV Video - obsolete"},
        Described{"Dvsd", "microVideo DV300SW Firewire"},
        Described{"dvSD", "microVideo DV300SW Firewire"}, Described{"CDVC", "Canopus DV Codec"},
        Described{"cdvc", "Canopus DV"}, Described{"Cdvc", "Canopus DV"},
        Described{"CDVH", "Canopus SD50/DVHD"}, Described{"CDV5", "Canopus SD50/DVHD"},
        Described{"VP31", "VP31"}, Described{"vp31", "On2 VP3"}, Described{"MJPG", "Motion JPEG"},
        Described{"XVID", "XVID MPEG-4"}, Described{"xvid", "XVID MPEG-4"},
        Described{"XviD", "XVID MPEG-4"}, Described{"yuy2", "RAW YUV 4:2:2"},
        Described{"YUY2", "RAW YUV 4:2:2"}, Described{"WMV3", "Windows Media Video 9"},
        Described{"AVC1", "Unknown Codec"}, Described{"", "Unknown Codec"},
        Described{"dvsdx", "Unknown Codec"}, Described{"dvs", "Unknown Codec"}));

TEST(FourCCDescription, HeldOnlyInTheCaseInsensitiveTableMatchesAnyCase) {
    EXPECT_EQ(FourCCDescription("HFYU"), FourCCDescription("hfyu"));
    EXPECT_EQ(FourCCDescription("IJPG"), FourCCDescription("ijpg"));
    EXPECT_NE(FourCCDescription("hfyu"), "Unknown Codec");
}

TEST(FourCCDescription, CaseInsensitiveTextHasOneField) {
    EXPECT_NE(FourCCDescription("DIV3").find('\t'), std::string::npos);
    EXPECT_EQ(FourCCDescription("div3").find('\t'), std::string::npos);
    EXPECT_EQ(FourCCDescription("Div3").find('\t'), std::string::npos);
}

TEST(FourCCDescription, KeysEndingInABlankNeedTheBlank) {
    EXPECT_NE(FourCCDescription("rle "), "Unknown Codec");
    EXPECT_EQ(FourCCDescription("RLE "), FourCCDescription("rle "));
    EXPECT_EQ(FourCCDescription("rle"), "Unknown Codec");
    EXPECT_NE(FourCCDescription("RVX "), "Unknown Codec");
}

TEST(FourCCDescription, FamiliesShareOneText) {
    for (const char* family : {"h26", "iv4", "mtx", "xwv"}) {
        std::set<std::string> texts;
        for (char digit = '0'; digit <= '9'; ++digit) {
            const std::string code = std::string(family) + digit;
            if (code != "mtx0") {
                texts.insert(FourCCDescription(code));
            }
        }
        EXPECT_EQ(texts.size(), 1u) << family;
    }
    std::set<std::string> nvidia;
    for (const char* code : {"nvds", "nvhs", "nvvu", "nvs0", "nvs5", "nvt0", "NVT5"}) {
        nvidia.insert(FourCCDescription(code));
    }
    EXPECT_EQ(nvidia.size(), 1u);
}

TEST(FourCCDescription, OnlyAsciiLettersAreFolded) {
    // A non-ASCII byte is left as it is, so it cannot turn a code into a key.
    EXPECT_EQ(FourCCDescription("\xC4vsd"), "Unknown Codec");
    EXPECT_EQ(FourCCDescription(std::string("dvs\0", 4)), "Unknown Codec");
}

}  // namespace
}  // namespace capspect
