#include "app/identify_command.h"

#include <filesystem>
#include <nlohmann/json.hpp>

#include "app/message_text.h"
#include "mediainfo/byte_stream.h"
#include "platform/support/file_reader.h"
#include "platform/support/unicode.h"

namespace capspect {

std::string IdentifyJsonLine(const std::string& file, const TAviInfo& info) {
    nlohmann::ordered_json line;
    line["file"] = file;
    line["VideoCodec"] = info.VideoCodec;
    line["VideoCodecName"] = info.VideoCodecName;
    line["AudioCodec"] = info.AudioCodec;
    line["AviFile"] = info.AviFile;
    return line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

ExitStatus RunIdentifyCommand(std::span<const std::string> args, OutputStream& out,
                              OutputStream& err) {
    if (args.empty()) {
        err << "capspect identify: no file given (usage: capspect identify FILE...)\n";
        return ExitStatus::Usage;
    }
    ExitStatus status = ExitStatus::Success;
    for (const std::string& file : args) {
        try {
            // The file is opened by its name's bytes as given, so names that are not
            // UTF-8 open too; the UTF-16 name only supplies the extension.
            FileByteStream stream{PathFromUtf8(file)};
            TAviInfo info;
            IdentifyMediaStream(stream, Utf8ToUtf16(file), info);
            out << IdentifyJsonLine(file, info) << '\n';
        } catch (const EFOpenError& error) {
            err << "capspect identify: " << PrintableText(error.what()) << '\n';
            status = ExitStatus::Failure;
        }
    }
    return status;
}

}  // namespace capspect
