// `capspect identify FILE…`: what each media file holds, as one JSON object per line.
#pragma once

#include <span>
#include <string>
#include "app/output_stream.h"

#include "app/command_line.h"
#include "mediainfo/media_identification.h"

namespace capspect {

// The JSON line (without its line end) that reports `info` for `file`: the keys file,
// VideoCodec, VideoCodecName, AudioCodec and AviFile, in that order. Bytes of `file` that
// are not UTF-8 are written as U+FFFD.
std::string IdentifyJsonLine(const std::string& file, const TAviInfo& info);

// Identifies each file in `args`. A file that cannot be opened is reported on `err` and
// makes the status Failure after the other files have been done; no file is a usage error.
ExitStatus RunIdentifyCommand(std::span<const std::string> args, OutputStream& out,
                              OutputStream& err);

}  // namespace capspect
