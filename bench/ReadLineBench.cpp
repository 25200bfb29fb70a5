// Read_Line in both line modes over a generated 50 MB file of OBJ-like lines, against a
// plain memchr pass over the same buffered blocks, and the two number conversions the
// importers use most, and the readers of vertex and face lines.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fileio/FileTable.h"
#include "fileio/Numbers.h"
#include "importobj/ObjFaces.h"
#include "textio/ImportContext.h"
#include "textio/modImport.h"

#include "BenchDialog.h"

namespace {

namespace fs = std::filesystem;
namespace mi = vlm::modImport;

constexpr size_t kFileSize = size_t{50} << 20;

// OBJ-like text: vertices, normals and faces in the proportions of a typical mesh.
std::string objLikeText(const char* lineEnd) {
  std::string text;
  text.reserve(kFileSize + 64);
  char line[96];
  for (unsigned i = 0; text.size() < kFileSize; ++i) {
    const float a = static_cast<float>(i % 9973) * 0.001234f;
    switch (i % 4) {
      case 0: std::snprintf(line, sizeof line, "v %.6f %.6f %.6f", a, -a * 2, a + 1); break;
      case 1: std::snprintf(line, sizeof line, "vn %.6f %.6f %.6f", -a, a * 0.5f, 0.25f); break;
      default:
        std::snprintf(line, sizeof line, "f %u//%u %u//%u %u//%u", i, i, i + 1, i + 1, i + 2,
                      i + 2);
    }
    text.append(line).append(lineEnd);
  }
  return text;
}

// The two generated files, removed when the program ends.
class Files {
 public:
  Files() {
    std::string templ = (fs::temp_directory_path() / "vlm-bench-XXXXXX").string();
    if (::mkdtemp(templ.data()) == nullptr) std::abort();
    dir_ = templ;
    crlf_ = write("crlf.obj", objLikeText("\r\n"));
    lf_ = write("lf.obj", objLikeText("\n"));
  }
  ~Files() { fs::remove_all(dir_); }
  const std::string& crlf() const { return crlf_; }
  const std::string& lf() const { return lf_; }

 private:
  std::string write(const char* name, const std::string& text) {
    const std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  fs::path dir_;
  std::string crlf_, lf_;
};

const Files& files() {
  static const Files f;
  return f;
}

void readAllLines(benchmark::State& state, const std::string& path, int32_t mode) {
  vlm::bench::BenchDialog dialog(0);
  int64_t lines = 0;
  for (auto _ : state) {
    vlm::ImportContext import = dialog.importOf(path);
    import.Open();
    import.ReadMode = mode;
    while (!import.Eof()) {
      benchmark::DoNotOptimize(import.Read_Line().data());
      ++lines;
    }
    import.Close();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(fs::file_size(path)));
  state.counters["lines"] =
      benchmark::Counter(static_cast<double>(lines), benchmark::Counter::kAvgIterations);
}

void BM_ReadLineMode0CrLf(benchmark::State& state) { readAllLines(state, files().crlf(), 0); }
void BM_ReadLineMode1Lf(benchmark::State& state) { readAllLines(state, files().lf(), 1); }

// The floor: the same blocks through the same buffer, one memchr per line.
void BM_MemchrLinesCrLf(benchmark::State& state) {
  const std::string& path = files().crlf();
  auto& table = vlm::fileTable();
  for (auto _ : state) {
    table.Open(1, path);
    vlm::NumberedFile& file = table.file(1);
    for (std::string_view chunk = file.peek(); !chunk.empty(); chunk = file.peek()) {
      const void* cr = std::memchr(chunk.data(), '\r', chunk.size());
      const size_t n =
          cr ? static_cast<size_t>(static_cast<const char*>(cr) - chunk.data()) + 1 : chunk.size();
      benchmark::DoNotOptimize(cr);
      file.consume(n);
    }
    table.Close(1);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(fs::file_size(path)));
}

std::vector<std::string> tokens(const char* format, int count) {
  std::vector<std::string> out;
  char text[48];
  for (int i = 0; i < count; ++i) {
    std::snprintf(text, sizeof text, format, i * 0.001237 - 500.0, i, i);
    out.emplace_back(text);
  }
  return out;
}

int64_t totalBytes(const std::vector<std::string>& texts) {
  int64_t bytes = 0;
  for (const auto& t : texts) bytes += static_cast<int64_t>(t.size());
  return bytes;
}

void BM_TextToSingle(benchmark::State& state) {
  const auto texts = tokens("%.6f", 1 << 16);
  for (auto _ : state) {
    for (const auto& t : texts) benchmark::DoNotOptimize(vlm::textToSingle(t));
  }
  state.SetBytesProcessed(state.iterations() * totalBytes(texts));
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(texts.size()));
}

void BM_LeadingValue(benchmark::State& state) {
  const auto texts = tokens("%.0f/%d/%d", 1 << 16);
  for (auto _ : state) {
    for (const auto& t : texts) benchmark::DoNotOptimize(vlm::leadingValue(t));
  }
  state.SetBytesProcessed(state.iterations() * totalBytes(texts));
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(texts.size()));
}

// The rest of "v" and "f" lines as the OBJ reader sees them: three coordinates of a
// vertex, and three or four corners with vertex and normal indices.
std::vector<std::string> vertexRests(int count) {
  std::vector<std::string> out;
  char text[64];
  for (int i = 0; i < count; ++i) {
    const double a = i * 0.0012347 - 40.0;
    std::snprintf(text, sizeof text, "%.6f %.6f %.6f", a, -a * 0.37, a * 0.011);
    out.emplace_back(text);
  }
  return out;
}

std::vector<std::string> faceRests(int count) {
  std::vector<std::string> out;
  char text[96];
  for (int i = 1; i <= count; ++i) {
    const int j = i * 7 % 700000 + 1;
    if (i % 3 == 0) {
      std::snprintf(text, sizeof text, "%d//%d %d//%d %d//%d %d//%d", j, j, j + 95, j + 95,
                    j + 96, j + 96, j + 1, j + 1);
    } else {
      std::snprintf(text, sizeof text, "%d//%d %d//%d %d//%d", j, j, j + 96, j + 96, j + 1, j + 1);
    }
    out.emplace_back(text);
  }
  return out;
}

void BM_GetFirstSingleVertex(benchmark::State& state) {
  const auto rests = vertexRests(1 << 16);
  for (auto _ : state) {
    for (const auto& r : rests) {
      std::string_view rest = r;
      for (int k = 0; k < 3; ++k) benchmark::DoNotOptimize(mi::Get_FirstSingle(rest));
    }
  }
  state.SetBytesProcessed(state.iterations() * totalBytes(rests));
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(rests.size()));
}

void BM_GetFaceIndicesFace(benchmark::State& state) {
  const auto rests = faceRests(1 << 16);
  int32_t v = 0, n = 0;
  for (auto _ : state) {
    for (const auto& r : rests) {
      std::string_view rest = r;
      for (int k = 0; k < 4; ++k) {
        vlm::Get_FaceIndices(rest, v, n);
        benchmark::DoNotOptimize(v + n);
      }
    }
  }
  state.SetBytesProcessed(state.iterations() * totalBytes(rests));
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(rests.size()));
}

BENCHMARK(BM_MemchrLinesCrLf)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadLineMode0CrLf)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadLineMode1Lf)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextToSingle)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LeadingValue)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GetFirstSingleVertex)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GetFaceIndicesFace)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
