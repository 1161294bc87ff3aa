// Media file identification over arbitrary bytes: the RIFF walk, the ftyp box and the MPEG
// scan through IdentifyMediaStream, over the in-memory stream and, as a cross-check of the
// buffered reads, over a file stream with a buffer of a few bytes.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "mediainfo/byte_stream.h"
#include "mediainfo/media_identification.h"

using namespace capspect;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    // ".mpg" lets identification go on to the MPEG scan for files that are neither RIFF
    // nor ISO base media.
    constexpr std::u16string_view kName = u"input.mpg";

    MemoryByteStream memory(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    TAviInfo fromMemory;
    IdentifyMediaStream(memory, kName, fromMemory);

    static fuzz::MemoryFile file;
    file.Write(bytes);
    FileByteStream buffered(file.Path(), 7);
    TAviInfo fromFile;
    IdentifyMediaStream(buffered, kName, fromFile);
    fuzz::Check(fromFile == fromMemory, "file and memory streams identify alike");

    MemoryByteStream again(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    const int version = DetectMpegVersion(again);
    fuzz::Check(version >= 0 && version <= 2, "MPEG version is 0, 1 or 2");
    return 0;
}
