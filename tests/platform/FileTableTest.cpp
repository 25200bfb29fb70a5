#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/Error.h"
#include "platform/FileTable.h"
#include "support/ErrorOf.h"
#include "support/TempDir.h"
#include "support/OrdinaryUser.h"

namespace vlm {
namespace {

namespace fs = std::filesystem;
constexpr size_t kBlock = NumberedFile::kBlockSize;

using test::errorOf;

// A byte pattern that differs from block to block, so a read from the wrong offset shows.
char patternAt(size_t i) { return static_cast<char>((i * 131 + (i >> 12)) & 0xFF); }

class FileTableTest : public ::testing::Test {
 protected:
  void TearDown() override { table_.CloseAll(); }

  std::string write(const std::string& name, const std::string& bytes) {
    return temp_.write(name, bytes);
  }

  std::string writePattern(const std::string& name, size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = patternAt(i);
    return write(name, bytes);
  }

  std::string get(int16_t number, int64_t position, size_t count) {
    std::string out(count, '?');
    table_.Get(number, position, out.data(), count);
    return out;
  }

  test::TempDir temp_;
  const fs::path dir_ = temp_.path();
  FileTable table_;
};

// The end is marked only by a read past the last byte, stays marked until the file is
// reopened, and an empty file finds it on its first read.
TEST_F(FileTableTest, EndIsMarkedByAReadPastTheLastByteUntilReopened) {
  const std::string path = write("abc", "abc");
  table_.Open(1, path);
  EXPECT_EQ(get(1, 1, 3), "abc");
  EXPECT_FALSE(table_.Eof(1));
  std::string out(5, '?');
  EXPECT_EQ(table_.Get(1, 2, out.data(), out.size()), 2u);
  EXPECT_EQ(out, std::string("bc\0\0\0", 5));
  EXPECT_TRUE(table_.Eof(1));
  EXPECT_EQ(get(1, 1, 1), "a");
  EXPECT_TRUE(table_.Eof(1));
  table_.Close(1);
  table_.Open(1, path);
  EXPECT_FALSE(table_.Eof(1));
  EXPECT_EQ(get(1, 4, 1), std::string(1, '\0'));
  EXPECT_TRUE(table_.Eof(1));

  table_.Open(2, write("empty", ""));
  EXPECT_EQ(table_.Lof(2), 0);
  EXPECT_FALSE(table_.Eof(2));
  EXPECT_EQ(get(2, 1, 2), std::string(2, '\0'));
  EXPECT_TRUE(table_.Eof(2));
}

TEST_F(FileTableTest, PositionalReadsAcrossBlockBoundariesReturnTheFileBytes) {
  const size_t size = 3 * kBlock + 123;
  table_.Open(1, writePattern("big", size));
  EXPECT_EQ(table_.Lof(1), static_cast<int64_t>(size));
  struct Case {
    size_t offset, count;
  } cases[] = {
      {kBlock - 1, 2},          {kBlock - 8, 16},      {0, 1},
      {2 * kBlock - 3, 6},      {5, kBlock / 2 + 7},   {kBlock - 10, kBlock + 20},
      {kBlock + 1, 3},          {2 * kBlock, 1},       {size - 4, 4},
      {kBlock / 2, kBlock / 4}, {3 * kBlock - 1, 100}, {1, 1},
  };
  for (const auto& c : cases) {
    std::string expected(c.count, '\0');
    for (size_t i = 0; i < c.count; ++i) expected[i] = patternAt(c.offset + i);
    EXPECT_EQ(get(1, static_cast<int64_t>(c.offset) + 1, c.count), expected)
        << "offset " << c.offset << " count " << c.count;
  }
  EXPECT_FALSE(table_.Eof(1));
}

TEST_F(FileTableTest, LargeReadRunningPastTheEndIsZeroFilled) {
  const size_t size = kBlock + 5;
  table_.Open(1, writePattern("big", size));
  std::string out(kBlock, '?');
  EXPECT_EQ(table_.Get(1, 11, out.data(), out.size()), size - 10);
  EXPECT_EQ(out[size - 11], patternAt(size - 1));
  EXPECT_EQ(out.find_first_not_of('\0', size - 10), std::string::npos);
  EXPECT_TRUE(table_.Eof(1));
}

TEST_F(FileTableTest, SequentialGetContinuesAfterThePositionalOne) {
  table_.Open(1, write("digits", "0123456789"));
  get(1, 5, 2);
  EXPECT_EQ(table_.Seek(1), 7);
  std::string out(2, '?');
  table_.Get(1, out.data(), 2);
  EXPECT_EQ(out, "67");
  table_.Seek(1, 2);
  table_.Get(1, out.data(), 2);
  EXPECT_EQ(out, "12");
}

TEST_F(FileTableTest, PeekRefillsAtTheBlockEndAndFindsNothingAtTheFileEnd) {
  const size_t size = kBlock + 3;
  table_.Open(1, writePattern("big", size));
  NumberedFile& file = table_.file(1);
  std::string_view view = file.peek();
  ASSERT_EQ(view.size(), kBlock);
  file.consume(kBlock - 1);
  view = file.peek();
  ASSERT_EQ(view.size(), 1u);
  EXPECT_EQ(view[0], patternAt(kBlock - 1));
  file.consume(1);
  view = file.peek();
  ASSERT_EQ(view.size(), 3u);
  EXPECT_EQ(view[2], patternAt(kBlock + 2));
  file.consume(3);
  EXPECT_TRUE(file.peek().empty());
  EXPECT_FALSE(table_.Eof(1));
}

TEST_F(FileTableTest, FileTruncatedWhileOpenReadsAsZerosWithoutCrashing) {
  const std::string path = writePattern("shrinking", 2 * kBlock);
  table_.Open(1, path);
  get(1, 1, 10);
  fs::resize_file(path, 100);
  EXPECT_EQ(table_.Lof(1), 100);
  EXPECT_EQ(get(1, kBlock + 1, 4), std::string(4, '\0'));
  EXPECT_TRUE(table_.Eof(1));
}

TEST_F(FileTableTest, LengthAndReadsBeyondTwoGibibytes) {
  const std::string path = (dir_ / "sparse").string();
  const int64_t size = (int64_t{3} << 30) + 7;
  const int64_t marker = (int64_t{5} << 29) + 3;  // 2.5 GiB + 3
  const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY, 0600);
  ASSERT_GE(fd, 0);
  const bool written = ::ftruncate(fd, size) == 0 && ::pwrite(fd, "XY", 2, marker) == 2;
  ::close(fd);
  if (!written) GTEST_SKIP() << "no room for a sparse 3 GiB file in " << dir_;
  table_.Open(1, path);
  EXPECT_EQ(table_.Lof(1), size);
  EXPECT_EQ(get(1, marker + 1, 2), "XY");
  EXPECT_EQ(get(1, size, 1), std::string(1, '\0'));
  EXPECT_FALSE(table_.Eof(1));
  get(1, size, 2);
  EXPECT_TRUE(table_.Eof(1));
}

TEST_F(FileTableTest, OpenFailuresCarryTheClassicNumbers) {
  const std::string plain = write("plain", "x");
  fs::create_directory(dir_ / "folder");
  ASSERT_EQ(::mkfifo((dir_ / "fifo").c_str(), 0600), 0);
  struct Case {
    std::string path;
    int32_t number;
  } cases[] = {
      {(dir_ / "missing.obj").string(), err::kFileNotFound},
      {(dir_ / "folder").string(), err::kPathFileAccess},
      {(dir_ / "fifo").string(), err::kPathFileAccess},  // must not block either
      {plain + "/below", err::kPathNotFound},
      {"", err::kFileNotFound},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(errorOf([&] { table_.Open(1, c.path); }), c.number) << c.path;
    EXPECT_EQ(table_.find(1), nullptr) << c.path;
  }
  try {
    table_.Open(1, cases[0].path);
    ADD_FAILURE() << "opened a missing file";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.description(), "File not found: " + cases[0].path + " (No such file or directory)");
  }
}

TEST_F(FileTableTest, UnreadableFileIsPermissionDenied) {
  const std::string path = write("secret", "x");
  fs::permissions(path, fs::perms::none);
  const test::OrdinaryUser user({dir_.string()});
  if (!user.restricted()) GTEST_SKIP() << "no ordinary user can try the access here";
  EXPECT_EQ(errorOf([&] { table_.Open(1, path); }), err::kPermissionDenied);
}

TEST_F(FileTableTest, BadFileNumbersAndPositionsAreRefused) {
  const std::string path = write("abc", "abc");
  char c = 0;
  EXPECT_EQ(errorOf([&] { table_.Eof(1); }), err::kBadFileNumber);
  EXPECT_EQ(errorOf([&] { table_.Lof(1); }), err::kBadFileNumber);
  EXPECT_EQ(errorOf([&] { table_.Get(1, 1, &c, 1); }), err::kBadFileNumber);
  EXPECT_EQ(errorOf([&] { table_.Close(2); }), 0);
  EXPECT_EQ(errorOf([&] { table_.Close(0); }), err::kBadFileNumber);
  table_.Open(1, path);
  EXPECT_EQ(errorOf([&] { table_.Open(1, path); }), err::kFileAlreadyOpen);
  for (int16_t number : {int16_t{0}, int16_t{-1}, int16_t{512}}) {
    EXPECT_EQ(errorOf([&] { table_.Open(number, path); }), err::kBadFileNumber) << number;
  }
  for (int64_t position : {0, -5}) {
    EXPECT_EQ(errorOf([&] { table_.Get(1, position, &c, 1); }), FileTable::kBadRecordNumber);
  }
  EXPECT_EQ(errorOf([&] { table_.Seek(1, 0); }), FileTable::kBadRecordNumber);
  table_.Open(511, path);
  EXPECT_EQ(get(511, 1, 3), "abc");
  table_.CloseAll();
  EXPECT_EQ(errorOf([&] { table_.Eof(1); }), err::kBadFileNumber);
  EXPECT_EQ(errorOf([&] { table_.Eof(511); }), err::kBadFileNumber);
  table_.Open(1, path);
  EXPECT_EQ(get(1, 1, 3), "abc");
}

}  // namespace
}  // namespace vlm
