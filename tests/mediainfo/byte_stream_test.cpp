#include "mediainfo/byte_stream.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "tests/support/temp_dir.h"

namespace capspect {
namespace {

std::vector<std::uint8_t> Pattern(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    }
    return bytes;
}

// The same tests run over both kinds of stream.
class ByteStreamTest : public testing::TestWithParam<bool> {
protected:
    std::unique_ptr<ByteStream> Open(const std::vector<std::uint8_t>& bytes,
                                     std::size_t bufferSize = 16) {
        if (!GetParam()) {
            return std::make_unique<MemoryByteStream>(bytes);
        }
        return std::make_unique<FileByteStream>(dir_.Write("data.bin", bytes), bufferSize);
    }

    test::TempDir dir_;
};

TEST_P(ByteStreamTest, ReadsAdvanceAndFallShortOnlyAtTheEnd) {
    const auto bytes = Pattern(40);
    const auto stream = Open(bytes);
    EXPECT_EQ(stream->Size(), 40u);
    std::array<std::uint8_t, 25> buffer{};
    ASSERT_EQ(stream->Read(buffer), 25u);
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.end(), bytes.begin()));
    EXPECT_EQ(stream->Position(), 25u);
    ASSERT_EQ(stream->Read(buffer), 15u);
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + 15, bytes.begin() + 25));
    EXPECT_TRUE(stream->AtEnd());
    EXPECT_EQ(stream->Read(buffer), 0u);
}

TEST_P(ByteStreamTest, SeekingPastTheEndReadsNothing) {
    const auto stream = Open(Pattern(10));
    stream->Seek(1000);
    std::array<std::uint8_t, 4> buffer{};
    EXPECT_EQ(stream->Read(buffer), 0u);
    EXPECT_EQ(stream->Position(), 1000u);
    EXPECT_TRUE(stream->AtEnd());
}

TEST_P(ByteStreamTest, RandomSeeksAndReadsMatchTheBytes) {
    const auto bytes = Pattern(1000);
    const auto stream = Open(bytes);
    std::uint32_t seed = 12345;
    const auto next = [&seed](std::uint32_t range) {
        seed = seed * 1103515245 + 12345;
        return (seed >> 8) % range;
    };
    for (int i = 0; i < 500; ++i) {
        const std::uint64_t position = next(1100);
        std::vector<std::uint8_t> buffer(next(70));
        stream->Seek(position);
        const std::size_t count = stream->Read(buffer);
        const std::size_t expected =
            position >= bytes.size()
                ? 0
                : std::min<std::uint64_t>(buffer.size(), bytes.size() - position);
        ASSERT_EQ(count, expected) << "at " << position;
        ASSERT_TRUE(std::equal(buffer.begin(), buffer.begin() + count, bytes.begin() + position));
        ASSERT_EQ(stream->Position(), position + count);
    }
}

INSTANTIATE_TEST_SUITE_P(MemoryAndFile, ByteStreamTest, testing::Bool(),
                         [](const auto& info) { return info.param ? "File" : "Memory"; });

TEST(FileByteStream, ReadsByteByByteWithOneSystemReadPerBuffer) {
    test::TempDir dir;
    const auto bytes = Pattern(100000);
    FileByteStream stream(dir.Write("big.bin", bytes), 4096);
    std::array<std::uint8_t, 1> byte{};
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        ASSERT_EQ(stream.Read(byte), 1u);
        ASSERT_EQ(byte[0], bytes[i]);
    }
    EXPECT_EQ(stream.Read(byte), 0u);
    EXPECT_LE(stream.SystemReadCount(), bytes.size() / 4096 + 2);
}

TEST(FileByteStream, FailsToOpenMissingFilesAndDirectories) {
    test::TempDir dir;
    const auto missing = dir.path() / "missing.avi";
    try {
        FileByteStream stream(missing);
        FAIL() << "opened a missing file";
    } catch (const EFOpenError& error) {
        EXPECT_EQ(error.FileName(), missing.string());
        EXPECT_NE(std::string(error.what()).find(missing.string()), std::string::npos);
        EXPECT_FALSE(error.Reason().empty());
    }
    EXPECT_THROW(FileByteStream{dir.path()}, EFOpenError);
}

}  // namespace
}  // namespace capspect
