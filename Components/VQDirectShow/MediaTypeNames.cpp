#include "Components/VQDirectShow/MediaTypeNames.h"

#include <algorithm>
#include <span>
#include <string_view>

#include <dshow.h>
#include <dvdmedia.h>

#include "platform/support/mediatypes.h"

namespace capspect {
namespace {

struct NamedGuid {
    GUID guid;
    std::u16string_view name;
};

// Looked up in this order; the first equal GUID wins.
const NamedGuid kFormatTypes[] = {
    {FORMAT_DvInfo, u"DVINFO"},
    {FORMAT_MPEG2Video, u"MPEG2VIDEOINFO"},
    {FORMAT_MPEGStreams, u"AM_MPEGSYSTEMTYPE"},
    {FORMAT_MPEGVideo, u"MPEG1VIDEOINFO"},
    {FORMAT_None, u"None."},
    {FORMAT_Vidscope, u"VIDEOINFOHEADER"},
    {FORMAT_Vidscope2, u"VIDEOINFOHEADER2"},
    {FORMAT_WaveFormatEx, u"WAVEFORMATEX"},
    {GUID_NULL, u"GUID_NULL"},
};

const NamedGuid kSubtypes[] = {
    {MEDIASUBTYPE_CLPL, u"CLPL"},         {MEDIASUBTYPE_YUYV, u"YUYV"},
    {MEDIASUBTYPE_IYUV, u"IYUV"},         {MEDIASUBTYPE_YVU9, u"YVU9"},
    {MEDIASUBTYPE_Y411, u"Y411"},         {MEDIASUBTYPE_Y41P, u"Y41P"},
    {MEDIASUBTYPE_YUY2, u"YUY2"},         {MEDIASUBTYPE_YVYU, u"YVYU"},
    {MEDIASUBTYPE_UYVY, u"UYVY"},         {MEDIASUBTYPE_Y211, u"Y211"},
    {MEDIASUBTYPE_CLJR, u"CLJR"},         {MEDIASUBTYPE_IF09, u"IF09"},
    {MEDIASUBTYPE_CPLA, u"CPLA"},         {MEDIASUBTYPE_MJPG, u"MJPG"},
    {MEDIASUBTYPE_TVMJ, u"TVMJ"},         {MEDIASUBTYPE_WAKE, u"WAKE"},
    {MEDIASUBTYPE_CFCC, u"CFCC"},         {MEDIASUBTYPE_IJPG, u"IJPG"},
    {MEDIASUBTYPE_Plum, u"Plum"},         {MEDIASUBTYPE_DVCS, u"DVCS"},
    {MEDIASUBTYPE_DVSD, u"DVSD"},         {MEDIASUBTYPE_MDVF, u"MDVF"},
    {MEDIASUBTYPE_RGB1, u"RGB1"},         {MEDIASUBTYPE_RGB4, u"RGB4"},
    {MEDIASUBTYPE_RGB8, u"RGB8"},         {MEDIASUBTYPE_RGB565, u"B565"},
    {MEDIASUBTYPE_RGB555, u"RGB555"},     {MEDIASUBTYPE_RGB24, u"RGB24"},
    {MEDIASUBTYPE_RGB32, u"RGB32"},       {MEDIASUBTYPE_ARGB1555, u"ARGB1555"},
    {MEDIASUBTYPE_ARGB4444, u"ARGB4444"}, {MEDIASUBTYPE_ARGB32, u"ARGB32"},
    {MEDIASUBTYPE_dvsd, u"dvsd"},         {MEDIASUBTYPE_dvhd, u"dvhd"},
    {MEDIASUBTYPE_dvsl, u"dvsl"},         {MEDIASUBTYPE_dv25, u"dv25"},
    {MEDIASUBTYPE_dv50, u"dv50"},         {MEDIASUBTYPE_dvh1, u"dvh1"},
};

std::u16string NameOf(std::span<const NamedGuid> table, const GUID& guid,
                      std::u16string_view fallback) {
    const auto row = std::ranges::find(table, guid, &NamedGuid::guid);
    return std::u16string(row != table.end() ? row->name : fallback);
}

// A family of standards ("PAL") and the variants whose bits are set ("B", "G"), written
// as "PAL-B/G".
struct StandardVariant {
    ULONG bit;
    std::u16string_view name;
};
struct StandardFamily {
    std::u16string_view family;
    std::span<const StandardVariant> variants;
};

constexpr StandardVariant kNtsc[] = {{AnalogVideo_NTSC_M, u"M"},
                                     {AnalogVideo_NTSC_M_J, u"M (Japan)"},
                                     {AnalogVideo_NTSC_433, u"433"}};
constexpr StandardVariant kPal[] = {{AnalogVideo_PAL_B, u"B"}, {AnalogVideo_PAL_D, u"D"},
                                    {AnalogVideo_PAL_G, u"G"}, {AnalogVideo_PAL_H, u"H"},
                                    {AnalogVideo_PAL_I, u"I"}, {AnalogVideo_PAL_M, u"M"},
                                    {AnalogVideo_PAL_N, u"N"}};
constexpr StandardVariant kPal60[] = {{AnalogVideo_PAL_60, u"60"}};
constexpr StandardVariant kSecam[] = {{AnalogVideo_SECAM_B, u"B"}, {AnalogVideo_SECAM_D, u"D"},
                                      {AnalogVideo_SECAM_G, u"G"}, {AnalogVideo_SECAM_H, u"H"},
                                      {AnalogVideo_SECAM_K, u"K"}, {AnalogVideo_SECAM_K1, u"K1"},
                                      {AnalogVideo_SECAM_L, u"L"}, {AnalogVideo_SECAM_L1, u"L1"}};
constexpr StandardVariant kPalNCombo[] = {{AnalogVideo_PAL_N_COMBO, u"N (COMBO)"}};

// In the order the text names them.
constexpr StandardFamily kStandardFamilies[] = {
    {u"NTSC", kNtsc}, {u"PAL", kPal}, {u"PAL", kPal60}, {u"SECAM", kSecam}, {u"PAL", kPalNCombo}};

// "PAL-B/G" for the variants of `family` present in `standards`; empty when none is.
std::u16string FamilyText(const StandardFamily& family, ULONG standards) {
    std::u16string variants;
    for (const StandardVariant& variant : family.variants) {
        if ((standards & variant.bit) != 0) {
            variants += variants.empty() ? u"" : u"/";
            variants += variant.name;
        }
    }
    return variants.empty() ? variants : std::u16string(family.family) + u"-" + variants;
}

}  // namespace

std::u16string FormatTypeName(const GUID& formatType) {
    return NameOf(kFormatTypes, formatType, u"unknown");
}

std::u16string SubtypeName(const GUID& subtype) {
    return NameOf(kSubtypes, subtype, u"unknown SubType");
}

std::u16string VideoStandardName(ULONG standards) {
    if (standards == AnalogVideo_None) {
        return u"None";
    }
    std::u16string text;
    for (const StandardFamily& family : kStandardFamilies) {
        const std::u16string part = FamilyText(family, standards);
        if (!part.empty()) {
            text += text.empty() ? u"" : u" ";
            text += part;
        }
    }
    return text;
}

}  // namespace capspect
