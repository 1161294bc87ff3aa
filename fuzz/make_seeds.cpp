// Writes the seed corpora of the fuzz targets (fuzz/corpus/<target>/) from the tests' own
// builders: the media files of tests/support/media_builders.h, the capture catalog of the
// simulated-platform tests, graph files and graph streams saved from graphs built over
// those media files, and GUID and result-code texts.
//
// Run from the repository root: the saved graphs name their source files by paths
// relative to it (fuzz/corpus/media_identify/...), so that loading them finds the files.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "Components/VQDirectShow/DXShow.h"
#include "platform/devices/catalog.h"
#include "platform/devices/catalog_writer.h"
#include "platform/directshow/platform.h"
#include "platform/linux/messages.h"
#include "platform/linux/storage.h"
#include "platform/sdk/com.h"
#include "platform/sdk/dshow/dshow.h"
#include "platform/sdk/guid.h"
#include "platform/sdk/messages.h"
#include "platform/sdk/storage.h"
#include "platform/support/comptr.h"
#include "platform/support/guids.h"
#include "platform/support/platform_context.h"
#include "platform/support/unicode.h"
#include "tests/sim/capture_fixture.h"
#include "tests/support/media_builders.h"

namespace capspect::fuzz {
namespace {

namespace fs = std::filesystem;
using test::Bytes;

class SeedWriter {
public:
    explicit SeedWriter(fs::path root) : root_(std::move(root)) {}

    void Write(std::string_view target, std::string_view name, std::string_view bytes) const {
        const fs::path directory = root_ / target;
        fs::create_directories(directory);
        std::ofstream(directory / name, std::ios::binary).write(bytes.data(), bytes.size());
    }
    void Write(std::string_view target, std::string_view name, const Bytes& bytes) const {
        Write(target, name,
              std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    }
    fs::path PathOf(std::string_view target, std::string_view name) const {
        return root_ / target / name;
    }

private:
    fs::path root_;
};

void WriteMediaSeeds(const SeedWriter& seeds) {
    using namespace test;
    constexpr std::string_view kTarget = "media_identify";
    seeds.Write(kTarget, "avi-video-audio.avi",
                AviFile(Concat({AviStreamList("vids", Handler::Of("DIVX")),
                                AviStreamList("auds", Handler::Of("\x01"), 18)})));
    seeds.Write(kTarget, "avi-dv.avi", AviFile(AviStreamList("iavs", Handler::Of("dvsd"))));
    seeds.Write(kTarget, "avi-junk.avi",
                AviFile(Concat({RiffChunk("JUNK", Bytes(5)),
                                AviStreamList("vids", Handler::Of("MJPG"), 1064,
                                              RiffChunk("strn", Bytes(7, 'n')))})));
    seeds.Write(kTarget, "tone.wav", WaveFile());
    seeds.Write(kTarget, "isom.mp4", Mp4File("mp42", {"isom", "mp42"}));
    seeds.Write(kTarget, "quicktime.mov", FtypBox("qt  ", {"qt  "}));
    seeds.Write(kTarget, "3gp.3gp", FtypBox("3gp4", {}, 4000));
    seeds.Write(kTarget, "mpeg1-program.mpg", MpegProgramStream(1, Mpeg1VideoStream()));
    seeds.Write(kTarget, "mpeg2-program.mpg", MpegProgramStream(2, Mpeg2VideoStream(true, true)));
    seeds.Write(kTarget, "mpeg2-video.m2v", Mpeg2VideoStream(false, true));
    seeds.Write(kTarget, "mpeg1-video.m1v", Mpeg1VideoStream(true));
}

void WriteCatalogSeeds(const SeedWriter& seeds) {
    constexpr std::string_view kTarget = "catalog";
    const sim::Catalog catalog = sim::LoadCatalogString(sim::test::kCaptureCatalog);
    // The writer spells out every field; one pin per seed keeps each seed small. The first
    // seed of a device carries its properties, crossbar and faults besides its first pin.
    for (std::size_t d = 0; d < catalog.devices.size(); ++d) {
        const sim::CatalogDevice& device = catalog.devices[d];
        for (std::size_t p = 0; p < device.pins.size(); ++p) {
            sim::Catalog single;
            sim::CatalogDevice& part = single.devices.emplace_back(device);
            part.pins = {device.pins[p]};
            if (p != 0) {
                part.crossbar.reset();
                part.faults = {};
            }
            seeds.Write(kTarget,
                        "device" + std::to_string(d) + "-pin" + std::to_string(p) + ".json",
                        sim::CatalogToJsonText(single));
        }
    }
    seeds.Write(kTarget, "empty.json", std::string_view(R"({"devices": []})"));
}

// The bytes of a graph as the graph manager persists it.
Bytes SavedGraphStream(IGraphBuilder* graph) {
    ComPtr<IPersistStream> persist;
    ComPtr<IStream> stream = CreateMemoryStream();
    STATSTG statistics{};
    if (FAILED(graph->QueryInterface(IID_PPV_ARGS(persist.GetAddressOf()))) ||
        FAILED(persist->Save(stream.Get(), TRUE)) ||
        FAILED(stream->Stat(&statistics, STATFLAG_NONAME)) ||
        FAILED(stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr))) {
        return {};
    }
    Bytes bytes(static_cast<std::size_t>(statistics.cbSize.QuadPart));
    ULONG read = 0;
    stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read);
    bytes.resize(read);
    return bytes;
}

// A graph rendered from one of the media seeds, as a graph file and as a graph stream.
void WriteGraphSeeds(const SeedWriter& seeds, TDXShow& component, const char* mediaName,
                     bool withVideoRenderer) {
    component.TearDownGraph();
    if (withVideoRenderer) {
        ComPtr<IBaseFilter> renderer;
        if (SUCCEEDED(CoCreateInstance(CLSID_VideoRenderer, nullptr, CLSCTX_INPROC_SERVER,
                                       IID_PPV_ARGS(renderer.GetAddressOf())))) {
            component.Graph()->AddFilter(renderer.Get(), u"Video Renderer");
        }
    }
    const std::string media = std::string("fuzz/corpus/media_identify/") + mediaName;
    const HRESULT hr = component.RenderFile(Utf8ToUtf16(media), false);
    if (FAILED(hr)) {
        std::fprintf(stderr, "cannot render %s: 0x%08X\n", media.c_str(),
                     static_cast<unsigned>(hr));
        return;
    }
    const std::string stem = fs::path(mediaName).stem().string();
    seeds.Write("graph_stream", stem + ".graph", SavedGraphStream(component.Graph().Get()));
    const fs::path file = seeds.PathOf("graph_file", stem + ".grf");
    fs::create_directories(file.parent_path());
    component.SaveGraphFile(Utf8ToUtf16(file.string()));
    ProcessMessagesUntilIdle();
}

void WriteGraphSeeds(const SeedWriter& seeds) {
    sim::RegisterSimulatedPlatform();
    TDXShow component;
    WriteGraphSeeds(seeds, component, "tone.wav", false);
    WriteGraphSeeds(seeds, component, "mpeg1-program.mpg", true);
    WriteGraphSeeds(seeds, component, "mpeg2-program.mpg", false);
    component.TearDownGraph();
    seeds.Write("graph_stream", "empty.graph", SavedGraphStream(component.Graph().Get()));
}

void WriteTextSeeds(const SeedWriter& seeds) {
    seeds.Write("guid_text", "registry", GuidToString(PIN_CATEGORY_CAPTURE));
    seeds.Write("guid_text", "lower-case",
                std::string_view("{e436eb7e-524f-11ce-9f53-0020af0ba770}"));
    seeds.Write("guid_text", "fourcc", GuidToString(MEDIASUBTYPE_YUY2));
    seeds.Write("guid_text", "name", std::string_view("MEDIASUBTYPE_YUY2"));
    seeds.Write("guid_text", "format-name", std::string_view("FORMAT_VideoInfo2"));
    seeds.Write("hresult_text", "hex", std::string_view("0x80040218"));
    seeds.Write("hresult_text", "dollar", std::string_view("$8007000E"));
    seeds.Write("hresult_text", "decimal", std::string_view("2147942405"));
    seeds.Write("hresult_text", "negative", std::string_view("-2147467259"));
    seeds.Write("hresult_text", "name", std::string_view("VFW_E_NOT_CONNECTED"));
}

}  // namespace
}  // namespace capspect::fuzz

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS_DIR (run from the repository root)\n", argv[0]);
        return 2;
    }
    const capspect::PlatformContext platform;
    const capspect::fuzz::SeedWriter seeds{std::filesystem::path(argv[1])};
    capspect::fuzz::WriteMediaSeeds(seeds);
    capspect::fuzz::WriteCatalogSeeds(seeds);
    capspect::fuzz::WriteGraphSeeds(seeds);
    capspect::fuzz::WriteTextSeeds(seeds);
    return 0;
}
