// Reference runner "scan-ff": reads the whole text file into memory and converts every
// number in it with fast_float into a growing float array, skipping words and
// punctuation. No format is understood, so this is a lower bound for any reader that must
// look at every number (the POV-Ray include reader has no other peer). With --read it
// only reads the file and sums its bytes: the bound for a binary reader ("read").
#include <fast_float/fast_float.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <memory>
#include <numeric>
#include <string_view>
#include <vector>

#include "PeerReport.h"

namespace {

bool isWordChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool startsNumber(char c) { return (c >= '0' && c <= '9') || c == '-' || c == '.'; }

std::vector<float> scanNumbers(const char* p, const char* end) {
  std::vector<float> values;
  while (p < end) {
    if (startsNumber(*p)) {
      float value;
      const auto result = fast_float::from_chars(p, end, value);
      if (result.ec == std::errc()) {
        values.push_back(value);
        p = result.ptr;
        continue;
      }
    } else if (isWordChar(*p)) {  // a word, digits in it included (Part_12, AC1009)
      while (p < end && isWordChar(*p)) ++p;
      continue;
    }
    ++p;
  }
  return values;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace vlm::peers;
  const bool readOnly = argc == 3 && std::string_view(argv[1]) == "--read";
  if (argc != 2 && !readOnly) return usage(argv[0], "[--read] FILE");
  const char* path = argv[argc - 1];
  const LoadTimer timer;
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  struct stat st {};
  if (fd < 0 || ::fstat(fd, &st) != 0) {
    std::perror(path);
    return 1;
  }
  const auto size = static_cast<size_t>(st.st_size);
  const std::unique_ptr<char[]> text(new char[size]);  // not zero-filled: read() fills it
  for (size_t got = 0; got < size;) {
    const ssize_t n = ::pread(fd, text.get() + got, size - got, static_cast<off_t>(got));
    if (n <= 0) {
      std::perror(path);
      return 1;
    }
    got += static_cast<size_t>(n);
  }
  ::close(fd);
  if (readOnly) {
    const auto sum = std::accumulate(text.get(), text.get() + size, uint64_t{0},
                                     [](uint64_t s, char c) { return s + static_cast<uint8_t>(c); });
    std::printf("load_s=%.4f bytes=%zu sum=%llu\n", timer.seconds(), size,
                static_cast<unsigned long long>(sum));
    return 0;
  }
  const std::vector<float> values = scanNumbers(text.get(), text.get() + size);
  const double seconds = timer.seconds();
  std::printf("load_s=%.4f numbers=%zu\n", seconds, values.size());
  return 0;
}
