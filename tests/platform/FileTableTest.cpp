#include "platform/FileTable.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <limits>
#include <optional>

#include "support/ErrorOf.h"
#include "support/OrdinaryUser.h"
#include "support/TempDir.h"

namespace vlm {
namespace {

constexpr size_t kBlock = NumberedFile::kBlockSize;
using test::errorOf;

// Bytes that differ from block to block, so a read from the wrong offset shows; zeros
// past `size`, as reads beyond the end give.
std::string pattern(size_t offset, size_t count, size_t size = SIZE_MAX) {
  std::string bytes(count, '\0');
  for (size_t i = offset; i < offset + count && i < size; ++i) {
    bytes[i - offset] = static_cast<char>((i * 131 + (i >> 12)) & 0xFF);
  }
  return bytes;
}

class FileTableTest : public ::testing::Test {
 protected:
  void TearDown() override { table_.CloseAll(); }
  // The bytes read at 1-based `position`, and how many came from the file.
  std::pair<std::string, size_t> get(int16_t number, int64_t position, size_t count) {
    std::string out(count, '?');
    const size_t got = table_.Get(number, position, out.data(), count);
    return {out, got};
  }
  std::string bytes(int16_t number, int64_t position, size_t count) {
    return get(number, position, count).first;
  }

  test::TempDir temp_;
  FileTable table_;
};

// In this order, so that later reads meet what earlier ones left in the block buffer. The
// end is marked only by a read past the last byte, and stays marked until reopened.
TEST_F(FileTableTest, ReadsGiveTheFileBytesAndMarkTheEndOnlyWhenTheyRunPastIt) {
  const size_t size = 3 * kBlock + 123;
  const std::string path = temp_.write("big", pattern(0, size));
  table_.Open(1, path);
  EXPECT_EQ(table_.Lof(1), static_cast<int64_t>(size));
  const struct {
    size_t offset, count;
  } cases[] = {{kBlock - 1, 2}, {kBlock - 8, 16}, {0, 1}, {2 * kBlock - 3, 6}, {5, kBlock / 2 + 7},
               {kBlock - 10, kBlock + 20}, {kBlock + 1, 3}, {2 * kBlock, 1}, {size - 4, 4},
               {kBlock / 2, kBlock / 4}, {1, 1}, {3 * kBlock - 1, 100}, {size - 3, 5},
               {size - 10, kBlock}, {size, 1}, {size + kBlock, 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "offset " << c.offset << " count " << c.count);
    const bool pastEnd = c.offset + c.count > size;
    EXPECT_EQ(get(1, static_cast<int64_t>(c.offset) + 1, c.count),
              std::pair(pattern(c.offset, c.count, size),
                        pastEnd ? size - std::min(size, c.offset) : c.count));
    EXPECT_EQ(table_.Eof(1), pastEnd);
    if (!pastEnd) continue;
    bytes(1, 1, 1);  // the mark stays until the file is opened again
    EXPECT_TRUE(table_.Eof(1));
    table_.Close(1);
    table_.Open(1, path);
  }
  table_.Open(2, temp_.write("empty", ""));
  EXPECT_EQ(get(2, 1, 2), std::pair(std::string(2, '\0'), size_t{0}));
  EXPECT_TRUE(table_.Eof(2));
  std::filesystem::resize_file(path, 100);  // truncated while open: zeros, no crash
  EXPECT_EQ(table_.Lof(1), 100);
  EXPECT_EQ(get(1, kBlock + 1, 4), std::pair(std::string(4, '\0'), size_t{0}));
  EXPECT_TRUE(table_.Eof(1));
}

TEST_F(FileTableTest, SequentialAccessGoesOnFromThePositionalOne) {
  table_.Open(1, temp_.write("digits", "0123456789"));
  bytes(1, 5, 2);
  EXPECT_EQ(table_.Seek(1), 7);
  std::string out(2, '?');
  table_.Get(1, out.data(), 2);
  table_.Seek(1, 2);
  table_.Get(1, out.data() + 1, 1);
  EXPECT_EQ(out, "61");
  bytes(1, 9, 0);  // reads nothing, moves all the same
  EXPECT_EQ(table_.Seek(1), 9);
  constexpr int64_t kLast = std::numeric_limits<int64_t>::max();
  EXPECT_EQ(bytes(1, kLast, 2), std::string(2, '\0'));
  EXPECT_EQ(table_.Seek(1), kLast);  // held at the largest position, no overflow

}

TEST_F(FileTableTest, OpenFailuresCarryTheClassicNumbers) {
  const std::string plain = temp_.write("plain", "x"), secret = temp_.write("secret", "x");
  std::filesystem::permissions(secret, std::filesystem::perms::none);
  std::filesystem::create_directory(temp_.file("folder"));
  ASSERT_EQ(::mkfifo(temp_.file("fifo").c_str(), 0600), 0);
  const std::pair<std::string, int32_t> cases[] = {
      {temp_.file("missing.obj"), err::kFileNotFound}, {temp_.file("folder"), err::kPathFileAccess},
      {temp_.file("fifo"), err::kPathFileAccess},  // must not block either
      {plain + "/below", err::kPathNotFound}, {"", err::kFileNotFound},
      {plain + std::string(1, '\0'), err::kBadFileNumber}, {secret, err::kPermissionDenied}};
  for (const auto& [path, number] : cases) {
    std::optional<test::OrdinaryUser> user;
    if (number == err::kPermissionDenied) user.emplace(std::vector{temp_.path().string()});
    if (user && !user->restricted()) continue;  // root reads it: nothing to check
    EXPECT_EQ(errorOf([&] { table_.Open(1, path); }), number) << path;
    EXPECT_EQ(table_.find(1), nullptr) << path;
  }
  EXPECT_EQ(test::errorPartsOf([&] { table_.Open(1, cases[0].first); }),
            test::ErrorParts(53, "VLMImport",
                             "File not found: " + cases[0].first + " (No such file or directory)"));
}

TEST_F(FileTableTest, BadFileNumbersAndPositionsAreRefused) {
  const std::string path = temp_.write("abc", "abc");
  char c = 0;
  EXPECT_EQ(errorOf([&] { table_.Eof(1); }), err::kBadFileNumber);
  EXPECT_EQ(errorOf([&] { table_.Lof(1); }), err::kBadFileNumber);
  EXPECT_EQ(errorOf([&] { table_.Get(1, 1, &c, 1); }), err::kBadFileNumber);
  EXPECT_EQ(errorOf([&] { table_.Close(2); }), 0);
  for (int16_t number : {0, -1, 512}) {
    EXPECT_EQ(errorOf([&] { table_.Open(number, path); }), err::kBadFileNumber) << number;
    EXPECT_EQ(errorOf([&] { table_.Close(number); }), err::kBadFileNumber) << number;
  }
  table_.Open(1, path);
  EXPECT_EQ(errorOf([&] { table_.Open(1, path); }), err::kFileAlreadyOpen);
  for (int64_t position : {0, -5}) {
    EXPECT_EQ(errorOf([&] { table_.Get(1, position, &c, 1); }), err::kBadRecordNumber);
    EXPECT_EQ(errorOf([&] { table_.Seek(1, position); }), err::kBadRecordNumber);
  }
  EXPECT_EQ(errorOf([&] { table_.file(1).read(-1, &c, 1); }), err::kBadRecordNumber);
  EXPECT_EQ(errorOf([&] { table_.file(1).seek(-1); }), err::kBadRecordNumber);
  table_.Open(511, path);
  EXPECT_EQ(bytes(511, 1, 3), "abc");
  table_.CloseAll();
  EXPECT_EQ(table_.find(511), nullptr);
  table_.Open(1, path);
}

}  // namespace
}  // namespace vlm
