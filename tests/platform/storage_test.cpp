#include "platform/linux/storage.h"
#include "platform/sdk/storage.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "platform/support/faults.h"
#include "platform/sdk/com.h"
#include "platform/support/comptr.h"

namespace {

using capspect::ComPtr;

namespace fs = std::filesystem;
using capspect::ScopedFault;

constexpr DWORD kSaveFileMode =
    STGM_TRANSACTED | STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_READWRITE;            // 0x11012
constexpr DWORD kSaveStreamMode = STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_WRITE;    // 0x1011
constexpr DWORD kLoadFileMode = STGM_TRANSACTED | STGM_SHARE_DENY_WRITE | STGM_READ;  // 0x10020
constexpr DWORD kLoadStreamMode = STGM_SHARE_EXCLUSIVE | STGM_READ;                   // 0x10
constexpr DWORD kDirectMode = STGM_DIRECT | STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_READWRITE;
constexpr const char16_t* kGraphStream = u"ActiveMovieGraph";

std::vector<BYTE> Pattern(std::size_t size, unsigned seed = 7) {
    std::vector<BYTE> bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<BYTE>((i * 31 + seed) ^ (i >> 8));
    }
    return bytes;
}

std::vector<BYTE> ReadAll(IStream* stream) {
    std::vector<BYTE> bytes;
    BYTE buffer[1000];
    ULONG read = 0;
    while (SUCCEEDED(stream->Read(buffer, sizeof buffer, &read)) && read > 0) {
        bytes.insert(bytes.end(), buffer, buffer + read);
    }
    return bytes;
}

std::vector<BYTE> FileBytes(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void WriteFile(const fs::path& path, const std::vector<BYTE>& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

ULONGLONG Position(IStream* stream) {
    ULARGE_INTEGER position;
    EXPECT_EQ(stream->Seek(LARGE_INTEGER{0}, STREAM_SEEK_CUR, &position), S_OK);
    return position.QuadPart;
}

ULONGLONG StreamSize(IStream* stream) {
    STATSTG statistics;
    EXPECT_EQ(stream->Stat(&statistics, STATFLAG_NONAME), S_OK);
    return statistics.cbSize.QuadPart;
}

// Each test works in its own directory under the system's temporary directory.
class StorageTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(test->test_suite_name()) + "-" + test->name();
        std::replace(name.begin(), name.end(), '/', '-');
        directory_ = fs::temp_directory_path() /
                     ("capspect-storage-" + std::to_string(::getpid()) + "-" + name);
        fs::remove_all(directory_);
        fs::create_directories(directory_);
    }
    void TearDown() override { fs::remove_all(directory_); }

    fs::path File(const std::string& name) const { return directory_ / name; }
    static std::u16string Wide(const fs::path& path) { return path.u16string(); }

    // Saves `bytes` into the graph stream of a new compound file, as a graph file is saved.
    void SaveGraphStream(const fs::path& path, const std::vector<BYTE>& bytes) {
        ComPtr<IStorage> storage;
        ASSERT_EQ(StgCreateDocfile(Wide(path).c_str(), kSaveFileMode, 0, storage.GetAddressOf()),
                  S_OK);
        ComPtr<IStream> stream;
        ASSERT_EQ(storage->CreateStream(kGraphStream, kSaveStreamMode, 0, 0, stream.GetAddressOf()),
                  S_OK);
        ULONG written = 0;
        ASSERT_EQ(stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written), S_OK);
        ASSERT_EQ(written, bytes.size());
        stream = nullptr;
        ASSERT_EQ(storage->Commit(STGC_DEFAULT), S_OK);
    }

    // The graph stream's bytes, or the failure of opening the file or the stream.
    HRESULT LoadGraphStream(const fs::path& path, std::vector<BYTE>& bytes) {
        ComPtr<IStorage> storage;
        HRESULT hr = StgOpenStorage(Wide(path).c_str(), nullptr, kLoadFileMode, nullptr, 0,
                                    storage.GetAddressOf());
        if (FAILED(hr)) {
            EXPECT_EQ(storage, nullptr);
            return hr;
        }
        ComPtr<IStream> stream;
        hr = storage->OpenStream(kGraphStream, nullptr, kLoadStreamMode, 0, stream.GetAddressOf());
        if (SUCCEEDED(hr)) {
            bytes = ReadAll(stream.Get());
        }
        return hr;
    }

    fs::path directory_;
};

class GraphStreamRoundTrip : public StorageTest,
                             public ::testing::WithParamInterface<std::size_t> {};

// Sizes below and above the format's 4096-byte cutoff for small streams.
INSTANTIATE_TEST_SUITE_P(Sizes, GraphStreamRoundTrip,
                         ::testing::Values(0, 1, 700, 4095, 4096, 70000));

TEST_P(GraphStreamRoundTrip, SavedBytesReadBackFromARealCompoundFile) {
    const fs::path path = File("graph.grf");
    const auto saved = Pattern(GetParam());
    SaveGraphStream(path, saved);

    EXPECT_EQ(StgIsStorageFile(Wide(path).c_str()), S_OK);
    const auto file = FileBytes(path);
    ASSERT_GE(file.size(), 512u);
    EXPECT_EQ(std::vector<BYTE>(file.begin(), file.begin() + 8),
              (std::vector<BYTE>{0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1}));

    std::vector<BYTE> loaded;
    ASSERT_EQ(LoadGraphStream(path, loaded), S_OK);
    EXPECT_EQ(loaded, saved);
}

TEST_F(StorageTest, CommittingAgainReplacesTheFileContents) {
    const fs::path path = File("graph.grf");
    SaveGraphStream(path, Pattern(5000, 1));
    SaveGraphStream(path, Pattern(300, 2));
    std::vector<BYTE> loaded;
    ASSERT_EQ(LoadGraphStream(path, loaded), S_OK);
    EXPECT_EQ(loaded, Pattern(300, 2));
    // Nothing but the file itself is left in the directory.
    EXPECT_EQ(std::distance(fs::directory_iterator(directory_), fs::directory_iterator()), 1);
}

TEST_F(StorageTest, TransactedStorageReleasedWithoutCommitLeavesTheFileAsItWas) {
    const fs::path path = File("graph.grf");
    SaveGraphStream(path, Pattern(100, 1));
    {
        ComPtr<IStorage> storage;
        ASSERT_EQ(StgCreateDocfile(Wide(path).c_str(), kSaveFileMode, 0, storage.GetAddressOf()),
                  S_OK);
        ComPtr<IStream> stream;
        ASSERT_EQ(storage->CreateStream(kGraphStream, kSaveStreamMode, 0, 0, stream.GetAddressOf()),
                  S_OK);
        const auto other = Pattern(100, 2);
        ASSERT_EQ(stream->Write(other.data(), 100, nullptr), S_OK);
    }
    std::vector<BYTE> loaded;
    ASSERT_EQ(LoadGraphStream(path, loaded), S_OK);
    EXPECT_EQ(loaded, Pattern(100, 1));
}

TEST_F(StorageTest, NewTransactedFileExistsAsAnEmptyCompoundFileBeforeCommit) {
    const fs::path path = File("new.grf");
    ComPtr<IStorage> storage;
    ASSERT_EQ(StgCreateDocfile(Wide(path).c_str(), kSaveFileMode, 0, storage.GetAddressOf()), S_OK);
    EXPECT_EQ(StgIsStorageFile(Wide(path).c_str()), S_OK);
    std::vector<BYTE> loaded;
    EXPECT_EQ(LoadGraphStream(path, loaded), STG_E_FILENOTFOUND);
}

TEST_F(StorageTest, DirectModeWritesTheFileOnFinalRelease) {
    const fs::path path = File("direct.grf");
    {
        ComPtr<IStorage> storage;
        ASSERT_EQ(StgCreateDocfile(Wide(path).c_str(), kDirectMode, 0, storage.GetAddressOf()),
                  S_OK);
        ComPtr<IStream> stream;
        ASSERT_EQ(storage->CreateStream(kGraphStream, kSaveStreamMode, 0, 0, stream.GetAddressOf()),
                  S_OK);
        ASSERT_EQ(stream->Write("direct", 6, nullptr), S_OK);
    }
    std::vector<BYTE> loaded;
    ASSERT_EQ(LoadGraphStream(path, loaded), S_OK);
    EXPECT_EQ(std::string(loaded.begin(), loaded.end()), "direct");
}

TEST_F(StorageTest, CreateWithoutStgmCreateRefusesAnExistingFile) {
    const fs::path path = File("graph.grf");
    SaveGraphStream(path, Pattern(10));
    ComPtr<IStorage> storage;
    EXPECT_EQ(StgCreateDocfile(Wide(path).c_str(), kSaveFileMode & ~STGM_CREATE, 0,
                               storage.GetAddressOf()),
              STG_E_FILEALREADYEXISTS);
    EXPECT_EQ(storage, nullptr);
}

TEST_F(StorageTest, CreateReportsFileSystemErrors) {
    ComPtr<IStorage> storage;
    EXPECT_EQ(StgCreateDocfile(Wide(File("missing") / "graph.grf").c_str(), kSaveFileMode, 0,
                               storage.GetAddressOf()),
              STG_E_PATHNOTFOUND);
    EXPECT_EQ(StgCreateDocfile(Wide(directory_).c_str(), kSaveFileMode, 0, storage.GetAddressOf()),
              STG_E_ACCESSDENIED);
    const char16_t unpairedSurrogate[] = {u'a', 0xD800, u'\0'};
    EXPECT_EQ(StgCreateDocfile(unpairedSurrogate, kSaveFileMode, 0, storage.GetAddressOf()),
              STG_E_INVALIDNAME);
    EXPECT_EQ(StgCreateDocfile(Wide(File("x")).c_str(), kSaveFileMode | STGM_CONVERT, 0,
                               storage.GetAddressOf()),
              STG_E_INVALIDFLAG);
    EXPECT_EQ(StgCreateDocfile(Wide(File("x")).c_str(), kSaveFileMode, 1, storage.GetAddressOf()),
              STG_E_INVALIDPARAMETER);
    EXPECT_EQ(storage, nullptr);
    EXPECT_FALSE(fs::exists(File("x")));
}

TEST_F(StorageTest, IsStorageFileTellsCompoundFilesFromOtherFiles) {
    const fs::path text = File("notes.txt");
    WriteFile(text, {'h', 'e', 'l', 'l', 'o', '\n', 'w', 'o', 'r', 'l', 'd', '\n'});
    const fs::path empty = File("empty");
    WriteFile(empty, {});
    const fs::path graph = File("graph.grf");
    SaveGraphStream(graph, Pattern(20));

    EXPECT_EQ(StgIsStorageFile(Wide(graph).c_str()), S_OK);
    EXPECT_EQ(StgIsStorageFile(Wide(text).c_str()), S_FALSE);
    EXPECT_EQ(StgIsStorageFile(Wide(empty).c_str()), S_FALSE);
    EXPECT_EQ(StgIsStorageFile(Wide(File("missing.grf")).c_str()), STG_E_FILENOTFOUND);
    EXPECT_EQ(StgIsStorageFile(Wide(File("missing") / "graph.grf").c_str()), STG_E_PATHNOTFOUND);
    EXPECT_EQ(StgIsStorageFile(Wide(directory_).c_str()), STG_E_ACCESSDENIED);
    EXPECT_EQ(StgIsStorageFile(nullptr), STG_E_INVALIDNAME);
    EXPECT_EQ(StgIsStorageFile(u""), STG_E_INVALIDNAME);
}

TEST_F(StorageTest, OpenRefusesFilesThatAreNotCompoundFiles) {
    const fs::path text = File("notes.txt");
    WriteFile(text, std::vector<BYTE>(2000, 'x'));
    std::vector<BYTE> loaded;
    EXPECT_EQ(LoadGraphStream(text, loaded), STG_E_FILEALREADYEXISTS);
    EXPECT_EQ(LoadGraphStream(File("missing.grf"), loaded), STG_E_FILENOTFOUND);
    EXPECT_EQ(LoadGraphStream(directory_, loaded), STG_E_ACCESSDENIED);
}

// Damaged compound files keep their signature, so StgIsStorageFile accepts them; opening
// them fails with an error instead of crashing or returning made-up streams.
TEST_F(StorageTest, DamagedCompoundFilesFailToOpen) {
    const fs::path good = File("good.grf");
    SaveGraphStream(good, Pattern(70000));
    const auto bytes = FileBytes(good);
    ASSERT_GT(bytes.size(), 70000u);

    std::vector<std::vector<BYTE>> damaged;
    for (const std::size_t length : {std::size_t{8}, std::size_t{100}, std::size_t{512},
                                     std::size_t{1024}, bytes.size() / 2}) {
        damaged.emplace_back(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length));
    }
    auto badSectorShift = bytes;
    badSectorShift[0x1E] = 0x30;
    damaged.push_back(badSectorShift);
    auto garbage = Pattern(8192, 99);
    std::copy(bytes.begin(), bytes.begin() + 8, garbage.begin());
    damaged.push_back(garbage);

    const fs::path path = File("damaged.grf");
    for (std::size_t i = 0; i < damaged.size(); ++i) {
        SCOPED_TRACE("damaged file " + std::to_string(i));
        WriteFile(path, damaged[i]);
        EXPECT_EQ(StgIsStorageFile(Wide(path).c_str()), S_OK);
        std::vector<BYTE> loaded;
        EXPECT_EQ(LoadGraphStream(path, loaded), STG_E_DOCFILECORRUPT);
    }
}

// Found by the graph file fuzzer: libgsf warned on stderr, through GLib's default log
// domain, about a stream whose sectors it could not read. The file is a saved graph with
// a few bytes of its sector table changed.
TEST_F(StorageTest, DamagedCompoundFileFailsQuietly) {
    const char* root = std::getenv("CAPSPECT_TEST_DATA");
    const fs::path file =
        fs::path(root != nullptr ? root : "tests/data") / "platform" / "unreadable-stream.grf";
    ASSERT_TRUE(fs::exists(file)) << file;
    std::vector<BYTE> loaded;
    testing::internal::CaptureStderr();
    const HRESULT hr = LoadGraphStream(file, loaded);
    const std::string diagnostics = testing::internal::GetCapturedStderr();
    EXPECT_EQ(hr, STG_E_DOCFILECORRUPT);
    EXPECT_EQ(diagnostics, "");
}

TEST_F(StorageTest, ElementNamesFollowTheFormatsRules) {
    ComPtr<IStorage> storage;
    ASSERT_EQ(
        StgCreateDocfile(Wide(File("names.grf")).c_str(), kSaveFileMode, 0, storage.GetAddressOf()),
        S_OK);
    ComPtr<IStream> stream;
    ASSERT_EQ(storage->CreateStream(kGraphStream, kSaveStreamMode, 0, 0, stream.GetAddressOf()),
              S_OK);
    stream = nullptr;

    // Lookups ignore case; creating over an existing name needs STGM_CREATE.
    EXPECT_EQ(storage->OpenStream(u"ACTIVEMOVIEGRAPH", nullptr, kLoadStreamMode, 0,
                                  stream.ReleaseAndGetAddressOf()),
              S_OK);
    EXPECT_EQ(storage->CreateStream(u"activemoviegraph", kSaveStreamMode & ~STGM_CREATE, 0, 0,
                                    stream.ReleaseAndGetAddressOf()),
              STG_E_FILEALREADYEXISTS);
    EXPECT_EQ(
        storage->OpenStream(u"Other", nullptr, kLoadStreamMode, 0, stream.ReleaseAndGetAddressOf()),
        STG_E_FILENOTFOUND);
    EXPECT_EQ(stream, nullptr);

    for (const char16_t* bad :
         {u"", u"a/b", u"a\\b", u"a:b", u"a!b", u"12345678901234567890123456789012"}) {
        EXPECT_EQ(storage->CreateStream(bad, kSaveStreamMode, 0, 0, stream.GetAddressOf()),
                  STG_E_INVALIDNAME);
    }
    EXPECT_EQ(storage->CreateStream(u"1234567890123456789012345678901", kSaveStreamMode, 0, 0,
                                    stream.ReleaseAndGetAddressOf()),
              S_OK);
    // Streams are opened for exclusive use only.
    EXPECT_EQ(storage->CreateStream(u"Shared", STGM_CREATE | STGM_WRITE | STGM_SHARE_DENY_NONE, 0,
                                    0, stream.ReleaseAndGetAddressOf()),
              STG_E_INVALIDFLAG);
}

TEST_F(StorageTest, ReadOnlyStorageRefusesChanges) {
    const fs::path path = File("graph.grf");
    SaveGraphStream(path, Pattern(50));
    ComPtr<IStorage> storage;
    ASSERT_EQ(StgOpenStorage(Wide(path).c_str(), nullptr, kLoadFileMode, nullptr, 0,
                             storage.GetAddressOf()),
              S_OK);
    ComPtr<IStream> stream;
    EXPECT_EQ(storage->CreateStream(u"New", kSaveStreamMode, 0, 0, stream.GetAddressOf()),
              STG_E_ACCESSDENIED);
    EXPECT_EQ(storage->OpenStream(kGraphStream, nullptr, STGM_SHARE_EXCLUSIVE | STGM_READWRITE, 0,
                                  stream.GetAddressOf()),
              STG_E_ACCESSDENIED);
    ASSERT_EQ(storage->OpenStream(kGraphStream, nullptr, kLoadStreamMode, 0, stream.GetAddressOf()),
              S_OK);
    EXPECT_EQ(stream->Write("x", 1, nullptr), STG_E_ACCESSDENIED);
    EXPECT_EQ(storage->DestroyElement(kGraphStream), STG_E_ACCESSDENIED);
}

TEST_F(StorageTest, NestedStoragesClassIdsAndUnicodeNamesSurviveAFile) {
    const fs::path path = File("nested.grf");
    const CLSID rootClass{0x12345678, 0x9ABC, 0xDEF0, {1, 2, 3, 4, 5, 6, 7, 8}};
    const CLSID childClass{0x0BADF00D, 0x1111, 0x2222, {9, 8, 7, 6, 5, 4, 3, 2}};
    {
        ComPtr<IStorage> root;
        ASSERT_EQ(StgCreateDocfile(Wide(path).c_str(), kSaveFileMode, 0, root.GetAddressOf()),
                  S_OK);
        ASSERT_EQ(root->SetClass(rootClass), S_OK);
        ComPtr<IStorage> child;
        ASSERT_EQ(root->CreateStorage(u"Grüße", kSaveStreamMode, 0, 0, child.GetAddressOf()), S_OK);
        ASSERT_EQ(child->SetClass(childClass), S_OK);
        ComPtr<IStream> stream;
        ASSERT_EQ(child->CreateStream(u"Δεδομένα", kSaveStreamMode, 0, 0, stream.GetAddressOf()),
                  S_OK);
        ASSERT_EQ(stream->Write("nested", 6, nullptr), S_OK);
        ASSERT_EQ(root->Commit(STGC_DEFAULT), S_OK);
    }
    ComPtr<IStorage> root;
    ASSERT_EQ(
        StgOpenStorage(Wide(path).c_str(), nullptr, kLoadFileMode, nullptr, 0, root.GetAddressOf()),
        S_OK);
    STATSTG statistics;
    ASSERT_EQ(root->Stat(&statistics, STATFLAG_DEFAULT), S_OK);
    EXPECT_EQ(statistics.type, STGTY_STORAGE);
    EXPECT_EQ(statistics.clsid, rootClass);
    ASSERT_NE(statistics.pwcsName, nullptr);
    EXPECT_EQ(std::u16string(statistics.pwcsName), Wide(path));
    CoTaskMemFree(statistics.pwcsName);

    ComPtr<IStorage> child;
    // Case is folded character by character; ß has no single-character capital.
    EXPECT_EQ(
        root->OpenStorage(u"GRÜSSE", nullptr, kLoadStreamMode, nullptr, 0, child.GetAddressOf()),
        STG_E_FILENOTFOUND);
    ASSERT_EQ(
        root->OpenStorage(u"GRÜßE", nullptr, kLoadStreamMode, nullptr, 0, child.GetAddressOf()),
        S_OK);
    ASSERT_EQ(child->Stat(&statistics, STATFLAG_DEFAULT), S_OK);
    EXPECT_EQ(statistics.clsid, childClass);
    EXPECT_EQ(std::u16string(statistics.pwcsName), u"Grüße");
    CoTaskMemFree(statistics.pwcsName);
    ComPtr<IStream> stream;
    ASSERT_EQ(child->OpenStream(u"Δεδομένα", nullptr, kLoadStreamMode, 0, stream.GetAddressOf()),
              S_OK);
    const auto bytes = ReadAll(stream.Get());
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "nested");
    // A stream name does not open a storage, nor the reverse.
    EXPECT_EQ(
        root->OpenStream(u"Grüße", nullptr, kLoadStreamMode, 0, stream.ReleaseAndGetAddressOf()),
        STG_E_FILENOTFOUND);
}

TEST_F(StorageTest, RevertReturnsToTheLastCommit) {
    ComPtr<IStorage> storage;
    ASSERT_EQ(StgCreateDocfile(Wide(File("revert.grf")).c_str(), kSaveFileMode, 0,
                               storage.GetAddressOf()),
              S_OK);
    ComPtr<IStream> stream;
    ASSERT_EQ(storage->CreateStream(u"Kept", kSaveStreamMode, 0, 0, stream.GetAddressOf()), S_OK);
    ASSERT_EQ(storage->Commit(STGC_DEFAULT), S_OK);
    ASSERT_EQ(
        storage->CreateStream(u"Dropped", kSaveStreamMode, 0, 0, stream.ReleaseAndGetAddressOf()),
        S_OK);
    ASSERT_EQ(storage->Revert(), S_OK);
    EXPECT_EQ(storage->OpenStream(u"Dropped", nullptr, kLoadStreamMode, 0,
                                  stream.ReleaseAndGetAddressOf()),
              STG_E_FILENOTFOUND);
    EXPECT_EQ(
        storage->OpenStream(u"Kept", nullptr, kLoadStreamMode, 0, stream.ReleaseAndGetAddressOf()),
        S_OK);
}

TEST_F(StorageTest, InjectedFaultsFailTheCallsWithoutSideEffects) {
    const fs::path path = File("graph.grf");
    ComPtr<IStorage> storage;
    {
        const ScopedFault fault("StgCreateDocfile", STG_E_MEDIUMFULL);
        EXPECT_EQ(StgCreateDocfile(Wide(path).c_str(), kSaveFileMode, 0, storage.GetAddressOf()),
                  STG_E_MEDIUMFULL);
        EXPECT_FALSE(fs::exists(path));
    }
    SaveGraphStream(path, Pattern(10, 1));
    {
        const ScopedFault fault("IStorage::Commit", STG_E_ACCESSDENIED);
        ASSERT_EQ(StgCreateDocfile(Wide(path).c_str(), kSaveFileMode, 0, storage.GetAddressOf()),
                  S_OK);
        ComPtr<IStream> stream;
        ASSERT_EQ(storage->CreateStream(kGraphStream, kSaveStreamMode, 0, 0, stream.GetAddressOf()),
                  S_OK);
        ASSERT_EQ(stream->Write("changed", 7, nullptr), S_OK);
        EXPECT_EQ(storage->Commit(STGC_DEFAULT), STG_E_ACCESSDENIED);
        storage = nullptr;
    }
    std::vector<BYTE> loaded;
    ASSERT_EQ(LoadGraphStream(path, loaded), S_OK);
    EXPECT_EQ(loaded, Pattern(10, 1));
    {
        const ScopedFault isStorage("StgIsStorageFile", E_FAIL);
        EXPECT_EQ(StgIsStorageFile(Wide(path).c_str()), E_FAIL);
        const ScopedFault open("StgOpenStorage", STG_E_SHAREVIOLATION);
        EXPECT_EQ(LoadGraphStream(path, loaded), STG_E_SHAREVIOLATION);
    }
    {
        const ScopedFault openStream("IStorage::OpenStream", E_OUTOFMEMORY);
        EXPECT_EQ(LoadGraphStream(path, loaded), E_OUTOFMEMORY);
    }
    const ScopedFault write("IStream::Write", STG_E_MEDIUMFULL, 1, 1);
    const ComPtr<IStream> memory = capspect::CreateMemoryStream();
    EXPECT_EQ(memory->Write("a", 1, nullptr), S_OK);
    EXPECT_EQ(memory->Write("b", 1, nullptr), STG_E_MEDIUMFULL);
    EXPECT_EQ(memory->Write("c", 1, nullptr), S_OK);
    EXPECT_EQ(StreamSize(memory.Get()), 2u);
}

TEST(MemoryStream, SeekReadAndWriteMoveOnePosition) {
    ComPtr<IStream> stream;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.GetAddressOf()), S_OK);
    ULONG written = 0;
    ASSERT_EQ(stream->Write("abcdef", 6, &written), S_OK);
    EXPECT_EQ(written, 6u);
    EXPECT_EQ(Position(stream.Get()), 6u);

    ULARGE_INTEGER position;
    ASSERT_EQ(stream->Seek(LARGE_INTEGER{-4}, STREAM_SEEK_END, &position), S_OK);
    EXPECT_EQ(position.QuadPart, 2u);
    char buffer[8] = {};
    ULONG read = 0;
    ASSERT_EQ(stream->Read(buffer, 3, &read), S_OK);
    EXPECT_EQ(std::string(buffer, read), "cde");
    ASSERT_EQ(stream->Seek(LARGE_INTEGER{-1}, STREAM_SEEK_CUR, nullptr), S_OK);
    ASSERT_EQ(stream->Read(buffer, sizeof buffer, &read), S_OK);
    EXPECT_EQ(std::string(buffer, read), "ef");
    // At the end a read succeeds with nothing read.
    ASSERT_EQ(stream->Read(buffer, sizeof buffer, &read), S_OK);
    EXPECT_EQ(read, 0u);
}

TEST(MemoryStream, InvalidSeeksLeaveThePositionAlone) {
    const ComPtr<IStream> stream = capspect::CreateMemoryStream();
    ASSERT_EQ(stream->Write("abc", 3, nullptr), S_OK);
    EXPECT_EQ(stream->Seek(LARGE_INTEGER{-4}, STREAM_SEEK_CUR, nullptr), STG_E_INVALIDFUNCTION);
    EXPECT_EQ(stream->Seek(LARGE_INTEGER{0}, 3, nullptr), STG_E_INVALIDFUNCTION);
    EXPECT_EQ(
        stream->Seek(LARGE_INTEGER{std::numeric_limits<LONGLONG>::max()}, STREAM_SEEK_END, nullptr),
        STG_E_INVALIDFUNCTION);
    EXPECT_EQ(Position(stream.Get()), 3u);
}

TEST(MemoryStream, WritingBeyondTheEndFillsTheGapWithZeros) {
    const ComPtr<IStream> stream = capspect::CreateMemoryStream();
    ASSERT_EQ(stream->Write("ab", 2, nullptr), S_OK);
    ASSERT_EQ(stream->Seek(LARGE_INTEGER{5}, STREAM_SEEK_SET, nullptr), S_OK);
    EXPECT_EQ(StreamSize(stream.Get()), 2u);
    ASSERT_EQ(stream->Write("z", 1, nullptr), S_OK);
    ASSERT_EQ(stream->Seek(LARGE_INTEGER{0}, STREAM_SEEK_SET, nullptr), S_OK);
    EXPECT_EQ(ReadAll(stream.Get()), (std::vector<BYTE>{'a', 'b', 0, 0, 0, 'z'}));
}

TEST(MemoryStream, SetSizeTruncatesOrExtendsAndKeepsThePosition) {
    const ComPtr<IStream> stream = capspect::CreateMemoryStream();
    ASSERT_EQ(stream->Write("abcdef", 6, nullptr), S_OK);
    ASSERT_EQ(stream->SetSize(ULARGE_INTEGER{2}), S_OK);
    EXPECT_EQ(StreamSize(stream.Get()), 2u);
    EXPECT_EQ(Position(stream.Get()), 6u);
    BYTE byte = 0;
    ULONG read = 1;
    ASSERT_EQ(stream->Read(&byte, 1, &read), S_OK);
    EXPECT_EQ(read, 0u);

    ASSERT_EQ(stream->SetSize(ULARGE_INTEGER{4}), S_OK);
    ASSERT_EQ(stream->Seek(LARGE_INTEGER{0}, STREAM_SEEK_SET, nullptr), S_OK);
    EXPECT_EQ(ReadAll(stream.Get()), (std::vector<BYTE>{'a', 'b', 0, 0}));
    EXPECT_EQ(stream->SetSize(ULARGE_INTEGER{~0ull}), STG_E_MEDIUMFULL);
    EXPECT_EQ(StreamSize(stream.Get()), 4u);
}

TEST(MemoryStream, StatReportsAnUnnamedStream) {
    const ComPtr<IStream> stream = capspect::CreateMemoryStream();
    ASSERT_EQ(stream->Write("abc", 3, nullptr), S_OK);
    STATSTG statistics;
    ASSERT_EQ(stream->Stat(&statistics, STATFLAG_DEFAULT), S_OK);
    EXPECT_EQ(statistics.type, STGTY_STREAM);
    EXPECT_EQ(statistics.cbSize.QuadPart, 3u);
    EXPECT_EQ(statistics.pwcsName, nullptr);
    EXPECT_EQ(stream->Stat(nullptr, STATFLAG_DEFAULT), STG_E_INVALIDPOINTER);
    EXPECT_EQ(stream->Stat(&statistics, 7), STG_E_INVALIDFLAG);
}

TEST(MemoryStream, ClonesShareBytesButNotThePosition) {
    const ComPtr<IStream> stream = capspect::CreateMemoryStream();
    ASSERT_EQ(stream->Write("abcd", 4, nullptr), S_OK);
    ComPtr<IStream> clone;
    ASSERT_EQ(stream->Clone(clone.GetAddressOf()), S_OK);
    EXPECT_EQ(Position(clone.Get()), 4u);
    ASSERT_EQ(clone->Write("e", 1, nullptr), S_OK);
    EXPECT_EQ(StreamSize(stream.Get()), 5u);
    EXPECT_EQ(Position(stream.Get()), 4u);
}

TEST(MemoryStream, CopyToCopiesFromThePositionAndCountsBytes) {
    const ComPtr<IStream> source = capspect::CreateMemoryStream();
    const ComPtr<IStream> target = capspect::CreateMemoryStream();
    ASSERT_EQ(source->Write("0123456789", 10, nullptr), S_OK);
    ASSERT_EQ(source->Seek(LARGE_INTEGER{3}, STREAM_SEEK_SET, nullptr), S_OK);
    ULARGE_INTEGER read;
    ULARGE_INTEGER written;
    ASSERT_EQ(source->CopyTo(target.Get(), ULARGE_INTEGER{100}, &read, &written), S_OK);
    EXPECT_EQ(read.QuadPart, 7u);
    EXPECT_EQ(written.QuadPart, 7u);
    EXPECT_EQ(Position(source.Get()), 10u);
    ASSERT_EQ(target->Seek(LARGE_INTEGER{0}, STREAM_SEEK_SET, nullptr), S_OK);
    const auto copied = ReadAll(target.Get());
    EXPECT_EQ(std::string(copied.begin(), copied.end()), "3456789");
}

TEST(MemoryStream, OnlyANewMemoryBlockIsSupported) {
    ComPtr<IStream> stream;
    int block = 0;
    EXPECT_EQ(CreateStreamOnHGlobal(&block, TRUE, stream.GetAddressOf()), E_INVALIDARG);
    EXPECT_EQ(stream, nullptr);
    EXPECT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, nullptr), E_INVALIDARG);
    const ScopedFault fault("CreateStreamOnHGlobal", E_OUTOFMEMORY);
    EXPECT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.GetAddressOf()), E_OUTOFMEMORY);
}

}  // namespace
