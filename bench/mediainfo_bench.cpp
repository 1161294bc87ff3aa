// Throughput of media identification over files that make it search: a program stream
// whose pack header is followed by no start code makes DetectMpegVersion read to the end.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "mediainfo/byte_stream.h"
#include "mediainfo/fourcc.h"
#include "mediainfo/media_identification.h"

namespace {

// A temporary file holding an MPEG-2 pack header and `size` zero bytes.
class SearchFile {
public:
    explicit SearchFile(std::size_t size)
        : path_(std::filesystem::temp_directory_path() /
                ("capspect-bench-" + std::to_string(::getpid()) + ".mpg")) {
        std::vector<char> bytes(size, 0);
        const char pack[] = {0, 0, 1, char(0xBA), 0x44,       0,          4,
                             0, 4, 1, 1,          char(0x89), char(0xC3), char(0xF8)};
        std::copy(std::begin(pack), std::end(pack), bytes.begin());
        std::ofstream(path_, std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    ~SearchFile() { std::filesystem::remove(path_); }

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

void BM_IdentifyMpegWithoutStartCode(benchmark::State& state) {
    const auto size = static_cast<std::size_t>(state.range(0));
    const SearchFile file(size);
    const std::u16string name = file.path().u16string();
    std::uint64_t systemReads = 0;
    for (auto _ : state) {
        capspect::FileByteStream stream(file.path());
        capspect::TAviInfo info;
        capspect::IdentifyMediaStream(stream, name, info);
        benchmark::DoNotOptimize(info);
        systemReads = stream.SystemReadCount();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
    state.counters["system_reads"] = static_cast<double>(systemReads);
}
BENCHMARK(BM_IdentifyMpegWithoutStartCode)
    ->Arg(1 << 20)
    ->Arg(16 << 20)
    ->Unit(benchmark::kMillisecond);

void BM_FourCCDescription(benchmark::State& state) {
    const char* const codes[] = {"dvsd", "DVSD", "Dvsd", "XVID", "h264", "none", ""};
    for (auto _ : state) {
        for (const char* code : codes) {
            benchmark::DoNotOptimize(capspect::FourCCDescription(code));
        }
    }
}
BENCHMARK(BM_FourCCDescription);

}  // namespace
