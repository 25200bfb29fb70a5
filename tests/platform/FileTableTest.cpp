#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/FaultAhead.h"
#include "platform/FileTable.h"
#include "platform/HugePages.h"
#include "platform/LargeArrays.h"
#include "platform/Processors.h"
#include "platform/ShortDecimal.h"
#include "support/ErrorOf.h"
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

// The bytes read at 1-based `position`, and how many came from the file.
std::pair<std::string, size_t> get(FileTable& table, int16_t number, int64_t position,
                                   size_t count) {
  std::string out(count, '?');
  const size_t got = table.Get(number, position, out.data(), count);
  return {out, got};
}

// In this order, so that later reads meet what earlier ones left in the block buffer. The
// end is marked only by a read past the last byte, and stays marked until reopened.
TEST(FileTable, ReadsGiveTheFileBytesAndMarkTheEndOnlyWhenTheyRunPastIt) {
  test::TempDir temp;
  FileTable table;
  const size_t size = 3 * kBlock + 123;
  const std::string path = temp.write("big", pattern(0, size));
  table.Open(1, path);
  EXPECT_EQ(table.Lof(1), static_cast<int64_t>(size));
  const struct {
    size_t offset, count;
  } cases[] = {{kBlock - 1, 2}, {kBlock - 8, 16}, {0, 1}, {2 * kBlock - 3, 6}, {5, kBlock / 2 + 7},
               {kBlock - 10, kBlock + 20}, {kBlock + 1, 3}, {2 * kBlock, 1}, {size - 4, 4},
               {kBlock / 2, kBlock / 4}, {1, 1}, {3 * kBlock - 1, 100}, {size - 3, 5},
               {size - 10, kBlock}, {size, 1}, {size + kBlock, 2}};
  for (const auto& [offset, count] : cases) {
    SCOPED_TRACE(testing::Message() << "offset " << offset << " count " << count);
    const bool pastEnd = offset + count > size;
    EXPECT_EQ(get(table, 1, static_cast<int64_t>(offset) + 1, count),
              std::pair(pattern(offset, count, size), pastEnd ? size - std::min(size, offset) : count));
    EXPECT_EQ(table.Eof(1), pastEnd);
    if (!pastEnd) continue;
    get(table, 1, 1, 1);
    EXPECT_TRUE(table.Eof(1));
    table.Close(1);
    table.Open(1, path);
  }
  // A short file's block is its own size; grown while open, it still reads on in full.
  const size_t small = NumberedFile::kMinBlockSize;
  table.Open(2, temp.write("small", pattern(0, small - 9)));
  EXPECT_EQ(get(table, 2, 2, 9).first, pattern(1, 9));
  temp.write("small", pattern(0, 3 * small));
  const std::pair<size_t, size_t> reads[] = {{small - 5, 100}, {small - 100, 100}, {7, 2 * small}};
  for (const auto& [offset, count] : reads)
    EXPECT_EQ(get(table, 2, int64_t(offset) + 1, count), std::pair(pattern(offset, count), count));
  std::filesystem::resize_file(path, 100);  // truncated while open: zeros, no crash
  EXPECT_EQ(table.Lof(1), 100);
  EXPECT_EQ(get(table, 1, kBlock + 1, 4), std::pair(std::string(4, '\0'), size_t{0}));
  EXPECT_TRUE(table.Eof(1));
  // Sequential access goes on after the positional read, and a read of nothing moves too.
  std::string out(2, '?');
  table.Get(1, out.data(), 1);
  EXPECT_EQ(table.Seek(1), kBlock + 6);
  table.Seek(1, 2);
  table.Get(1, out.data() + 1, 1);
  EXPECT_EQ(out, std::string(1, '\0') + pattern(1, 1));
  get(table, 1, 9, 0);
  EXPECT_EQ(table.Seek(1), 9);
}

// Read through line by line, a file of several blocks gives every byte in order while its
// next block is read ahead on two processors, its numbers converted: those of every block
// but the first, each as the conversion gives it. A jump back drops the block read ahead
// and reads where it landed.
TEST(FileTable, SequentialReadingTakesEachNextBlockAndItsNumbersFromTheSecondThread) {
  std::string text;
  for (int i = 0; text.size() < 4 * kBlock; ++i) {
    text += "v -" + std::to_string(i) + ".5\n";
  }
  test::TempDir temp;
  FileTable table;
  table.Open(1, temp.write("big", text));
  NumberedFile& file = table.file(1);
  file.convertNumbersAhead();
  std::string all;
  size_t lines = 0, converted = 0, wrong = 0;
  EXPECT_FALSE(file.peek().empty());
  EXPECT_EQ(file.readingAhead(), secondProcessorAvailable());
  for (std::string_view rest; !(rest = file.peek()).empty();) {
    const size_t end = rest.find('\n');
    if (end == std::string_view::npos) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));  // for the next block
    } else if (rest.starts_with("v ") && ++lines > 0) {
      double value = 0;
      const char* stop = plainDecimal(rest.data() + 2, rest.data() + end, value);
      const ConvertedNumber* entry = file.numbers().find(rest.data() + 2, rest.data() + end);
      converted += entry != nullptr;
      wrong += entry != nullptr && (entry->single != static_cast<float>(value) ||
                                    rest.data() + 2 + entry->length != stop);
    }
    const size_t step = end == std::string_view::npos ? rest.size() : end + 1;
    all.append(rest.substr(0, step));
    file.consume(step);
  }
  EXPECT_TRUE(all == text) << "the bytes read in order differ from the file";
  EXPECT_EQ(converted > lines * 6 / 10, secondProcessorAvailable()) << converted << " of " << lines;
  EXPECT_EQ(wrong, 0u);
  for (const size_t offset : {kBlock + 5, 3 * kBlock - 2, 2 * kBlock}) {
    file.seek(static_cast<int64_t>(offset));
    EXPECT_EQ(file.peek().substr(0, 9), text.substr(offset, 9)) << offset;
  }
}

// Open failures carry the classic numbers; so do file numbers and positions out of range.
TEST(FileTable, BadPathsNumbersAndPositionsAreRefused) {
  test::TempDir temp;
  FileTable table;
  const std::string plain = temp.write("abc", "abc");
  std::filesystem::create_directory(temp.file("folder"));
  ASSERT_EQ(::mkfifo(temp.file("fifo").c_str(), 0600), 0);
  const std::pair<std::string, int32_t> cases[] = {
      {temp.file("missing.obj"), err::kFileNotFound}, {temp.file("folder"), err::kPathFileAccess},
      {temp.file("fifo"), err::kPathFileAccess},  // must not block either
      {plain + "/below", err::kPathNotFound}, {"", err::kFileNotFound},
      {plain + std::string(1, '\0'), err::kBadFileNumber}};
  for (const auto& [path, number] : cases) {
    EXPECT_EQ(errorOf([&] { table.Open(1, path); }), number) << path;
    EXPECT_EQ(table.find(1), nullptr) << path;
  }
  char c = 0;
  for (int16_t number : {1, 0, -1, 512}) {  // 1 is not open; the others cannot be
    EXPECT_EQ(std::vector({errorOf([&] { table.Eof(number); }), errorOf([&] { table.Lof(number); }),
                           errorOf([&] { table.Get(number, 1, &c, 1); })}),
              std::vector(3, err::kBadFileNumber));
    EXPECT_EQ(errorOf([&] { table.Open(number, plain), table.Close(number); }),
              number == 1 ? 0 : err::kBadFileNumber);
  }
  table.Open(1, plain);
  NumberedFile& file = table.file(1);
  EXPECT_EQ(std::vector({errorOf([&] { table.Open(1, plain); }),
                         errorOf([&] { table.Get(1, 0, &c, 1); }), errorOf([&] { table.Seek(1, 0); }),
                         errorOf([&] { file.read(-1, &c, 1); }), errorOf([&] { file.seek(-1); })}),
            std::vector({err::kFileAlreadyOpen, 63, 63, 63, 63}));
  table.Open(511, plain);
  EXPECT_EQ(get(table, 511, 1, 3).first, "abc");
  table.CloseAll();
  EXPECT_TRUE(!table.find(1) && !table.find(511));
}

// A file-fed array doubles until a MiB of the file is behind its start; then it takes its
// share of that stretch times the bytes left, 1/16 to spare, but at least a quarter more.
TEST(FileFedGrowth, ForecastsFromTheFileBehindAndAhead) {
  constexpr int64_t kMiB = int64_t{1} << 20;
  EXPECT_EQ(FileFedGrowth().forecast(1000, 1000, 1001, 8 * kMiB, 16 * kMiB), 2000u);
  std::vector<float> array;
  FileFedGrowth growth;
  growth.makeRoom(array, 1, 4 * kMiB, 16 * kMiB);  // the array starts at 4 MiB
  const struct {
    size_t wanted;
    int64_t position, length;
    size_t forecast;
  } cases[] = {{1001, 5 * kMiB - 1, 8 * kMiB, 2000}, {1001, 5 * kMiB, 8 * kMiB, 4250},
               {1001, 6 * kMiB, 8 * kMiB, 2125}, {1001, 5 * kMiB, 5 * kMiB, 1250},
               {1001, 6 * kMiB, 2 * kMiB, 1250}, {9000, 5 * kMiB, 8 * kMiB, 9000},
               {1001, 5 * kMiB, kMiB << 32, 1000000000000}};  // shrunk file, huge file
  for (const auto& [wanted, position, length, forecast] : cases) {
    EXPECT_EQ(growth.forecast(1000, 1000, wanted, position, length), forecast) << position;
  }
}

using Ranges = std::vector<std::pair<size_t, size_t>>;  // [first, end) byte offsets

// The stretches of [begin, begin + bytes) the process has in memory, by 4 KiB page.
Ranges resident(const char* begin, size_t bytes) {
  std::vector<unsigned char> flags(bytes / 4096);
  EXPECT_EQ(mincore(const_cast<char*>(begin), bytes, flags.data()), 0);
  Ranges in;
  for (size_t page = 0; page < flags.size(); ++page) {
    if ((flags[page] & 1) == 0) continue;
    if (in.empty() || in.back().second != 4096 * page) in.emplace_back(4096 * page, 4096 * page);
    in.back().second += 4096;
  }
  return in;
}

bool populatesOnRequest() {
#ifdef MADV_POPULATE_WRITE
  void* probe = mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  const bool populates = madvise(probe, 4096, MADV_POPULATE_WRITE) == 0;
  munmap(probe, 4096);
  return populates;
#else
  return false;
#endif
}

// The writer reports how far it has written; the pages up to two leads past that are
// faulted in on the second thread, and none beyond, so the memory touched before its time
// stays bounded. Near its end the block is asked for up to its end and not past it.
TEST(FaultAhead, KeepsTheNextPagesOfAWriterInAndNoMore) {
  if (!secondProcessorAvailable()) GTEST_SKIP() << "one processor: nothing is faulted ahead";
  constexpr size_t kLead = FaultAhead::kLead, kBytes = 16 * kLead, kPage = 4096;
  if (!populatesOnRequest()) GTEST_SKIP() << "no faulting pages in on request here";
  auto* block = static_cast<char*>(
      mmap(nullptr, kBytes + kPage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
  ASSERT_NE(block, MAP_FAILED);
  madvise(block, kBytes + kPage, MADV_NOHUGEPAGE);  // page by page, so the edges show
  auto settlesAt = [&](const Ranges& ranges) {
    // The worker runs when a processor is idle: under a loaded test run that may take a while.
    for (int tries = 0; tries < 10000 && resident(block, kBytes + kPage) != ranges; ++tries)
      usleep(1000);
    return resident(block, kBytes + kPage) == ranges;
  };
  FaultAhead ahead;
  ahead.wrote(block, 0, kBytes);
  EXPECT_TRUE(settlesAt({{0, 2 * kLead}}));
  ahead.wrote(block, kLead - 1, kBytes);  // still a lead ahead: nothing asked
  ahead.wrote(block, kLead + kPage, kBytes);
  EXPECT_TRUE(settlesAt({{0, 3 * kLead + kPage}}));
  ahead.wrote(block, 15 * kLead, kBytes);  // the page beyond the block stays out
  EXPECT_TRUE(settlesAt({{0, 3 * kLead + kPage}, {15 * kLead, kBytes}}));
  munmap(block, kBytes + kPage);
}

// Huge pages faulted in one after another, cheap (., 0.3 ms), dear (D, 5 ms; 9, 9 ms) or
// faulted in already (f, 0.05 ms), and the pages at which they are given up: three dear
// ones close together, not two. Cheap pages buy no credit for later dear ones.
TEST(HugePages, AreGivenUpAfterDearPagesOneAfterAnotherNotForTwo) {
  const std::pair<std::string, std::vector<int>> cases[] = {
      {"..D...D.", {}},      {"DDDD", {2}},           {"99", {1}},
      {"D..........DD", {}}, {"DffffffffffDD", {12}}, {std::string(100, '.') + "DDD", {102}}};
  for (const auto& [pages, givenUp] : cases) {
    HugePageAccount account;
    std::vector<int> at;
    for (size_t i = 0; i < pages.size(); ++i) {
      const double ms = pages[i] == '.' ? 0.3 : pages[i] == 'f' ? 0.05 : pages[i] == 'D' ? 5 : 9;
      if (!account.keep(static_cast<int64_t>(ms * 1e6))) at.push_back(static_cast<int>(i));
    }
    EXPECT_EQ(at, givenUp) << pages;
  }
}

// A block offered huge pages has its first one faulted in at once, timed; withdrawing the
// offer takes it from the block, and the next block is offered none: written then, each
// takes a small page, not a huge one.
TEST(HugePages, WithdrawingTakesTheOfferFromBlocksOfferedLately) {
  constexpr size_t kBytes = 4 * kHugePageBytes, kLast = kBytes - 4096;
  auto blockOf = [] {
    auto* map = static_cast<char*>(mmap(nullptr, kBytes + kHugePageBytes, PROT_READ | PROT_WRITE,
                                        MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    return map + (kHugePageBytes - reinterpret_cast<uintptr_t>(map) % kHugePageBytes);
  };
  char* offered = blockOf();
  if (madvise(offered, kBytes, MADV_HUGEPAGE) != 0 || !populatesOnRequest())
    GTEST_SKIP() << "no huge pages or no faulting in on request here";
  madvise(offered, kBytes, MADV_NORMAL);
  // A dear page faulted in ahead for an earlier test withdraws the offer for two seconds.
  for (int tries = 0; tries < 300 && !hugePagesComeCheap(); ++tries) usleep(10000);
  ASSERT_TRUE(hugePagesComeCheap());
  adviseHugePages(offered, kBytes);
  EXPECT_EQ(resident(offered, kBytes), (Ranges{{0, kHugePageBytes}}));

  withdrawHugePages();
  EXPECT_FALSE(hugePagesComeCheap());
  char* refused = blockOf();
  // Refused by default, whatever the system's: an offer made now would show.
  madvise(refused, kBytes, MADV_NOHUGEPAGE);
  adviseHugePages(refused, kBytes);
  offered[kLast] = refused[kLast] = 1;
  EXPECT_EQ(resident(offered, kBytes), (Ranges{{0, kHugePageBytes}, {kLast, kBytes}}));
  EXPECT_EQ(resident(refused, kBytes), (Ranges{{kLast, kBytes}}));
}

}  // namespace
}  // namespace vlm
