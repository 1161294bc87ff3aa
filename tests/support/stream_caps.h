// Capability records compared field by field: the record has four padding bytes before
// MinFrameInterval that nobody writes, so a byte comparison depends on the compiler.
#pragma once

#include <gtest/gtest.h>

#include <tuple>

#include <dshow.h>

namespace capspect::test {

inline auto CapsFields(const VIDEO_STREAM_CONFIG_CAPS& c) {
    return std::tie(c.guid, c.VideoStandard, c.InputSize, c.MinCroppingSize, c.MaxCroppingSize,
                    c.CropGranularityX, c.CropGranularityY, c.CropAlignX, c.CropAlignY,
                    c.MinOutputSize, c.MaxOutputSize, c.OutputGranularityX, c.OutputGranularityY,
                    c.StretchTapsX, c.StretchTapsY, c.ShrinkTapsX, c.ShrinkTapsY,
                    c.MinFrameInterval, c.MaxFrameInterval, c.MinBitsPerSecond, c.MaxBitsPerSecond);
}

inline bool SameCaps(const VIDEO_STREAM_CONFIG_CAPS& a, const VIDEO_STREAM_CONFIG_CAPS& b) {
    return CapsFields(a) == CapsFields(b);
}

}  // namespace capspect::test
