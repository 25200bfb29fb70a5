// The damage loop's long mode: a seeded random mutator over every sample and golden input,
// each damaged file imported through the dialog (the fuzz targets' harness and checks) in a
// child process of its own, which must end in time, without a crash or a failed check, and
// grow by no more than a small multiple of the file's size (and its objects' records).
//
//   damage [--cases N] [--seed S] [--seconds T] [--out FOLDER] FOLDER...
//
// T (default 5) is an import's processor time, plus a second for every 4 MiB of the file;
// the checks after it have four times that and more for a scene of many objects, and the
// wall clock may run ten times the processor time.
// FOLDERs are searched (not recursively) for .obj .dxf .3ds .inc .ply files. Case i of seed
// S is the same file on every machine: `--seed S --cases i+1` repeats it as the last case.
// Exit status 0 when every case ended well, 1 when one did not (its input in --out).
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "DamageMutator.h"
#include "FuzzImport.h"

// A small quarantine keeps a child's memory close to what the import holds.
extern "C" const char* __asan_default_options() { return "quarantine_size_mb=16"; }

namespace {

namespace fs = std::filesystem;

struct Options {
  uint64_t cases = 1000;
  uint64_t seed = 1;
  unsigned seconds = 5;
  fs::path out = "damage-findings";
  std::vector<fs::path> folders;
};

// Growth allowed beyond the parent's memory: this many times the file, plus a fixed room.
// The densest file is a binary PLY of triangle strips, a triangle per 2-byte index: the
// import hands each over as four 32-bit numbers (8 bytes per file byte), and the reference
// host keeps its own copy.
constexpr size_t kMemoryPerByte = 16;
constexpr size_t kMemoryBesides = size_t{64} << 20;
// And this much per object of the scene: the reference host's record of an object is
// about 650 bytes (more under the sanitizers), while an OBJ object mark takes 12 bytes of
// the file, so a file of little else is allowed its objects' records.
constexpr size_t kMemoryPerObject = 2048;
// Processor time beyond --seconds for large files: one second for every this many bytes,
// the pace of the slowest linear imports under the sanitizers (a file of object marks).
constexpr size_t kBytesPerSecond = size_t{4} << 20;
// A case may wait this many times its processor time limit on the wall clock.
constexpr unsigned kWaitFactor = 10;
// The scene's checks after the import (a JSON report of every object, written and read)
// are the harness's work, not the import's: they may take this many times the import's
// limit, and a second more for every so many objects (about 45 microseconds an object
// under the sanitizers).
constexpr unsigned kCheckFactor = 4;
constexpr size_t kObjectsPerCheckSecond = 20000;

[[noreturn]] void usage() {
  std::fprintf(stderr,
               "usage: damage [--cases N] [--seed S] [--seconds T] [--out FOLDER] FOLDER...\n");
  std::exit(2);
}

Options parse(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool valued = arg == "--cases" || arg == "--seed" || arg == "--seconds" || arg == "--out";
    if (valued && i + 1 == argc) usage();
    if (arg == "--cases") options.cases = std::stoull(argv[++i]);
    else if (arg == "--seed") options.seed = std::stoull(argv[++i]);
    else if (arg == "--seconds") options.seconds = static_cast<unsigned>(std::stoul(argv[++i]));
    else if (arg == "--out") options.out = argv[++i];
    else if (arg.starts_with("--")) usage();
    else options.folders.emplace_back(arg);
  }
  if (options.folders.empty() || options.seconds == 0) usage();
  return options;
}

size_t residentBytes() {
  std::ifstream statm("/proc/self/statm");
  size_t pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * static_cast<size_t>(::sysconf(_SC_PAGESIZE));
}

// How one case ended, as the parent saw its child.
struct Ending {
  std::string fault;  // empty when the case ended well
  double seconds = 0;
  size_t growth = 0;  // peak memory beyond the parent's
};

size_t peakBytes() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return static_cast<size_t>(usage.ru_maxrss) * 1024;
}

// The child imports and sends its peak memory at the end of the run through `pipe`, before
// the scene's checks, whose JSON report is the harness's memory, not the import's.
Ending runCase(const std::string& extension, const std::string& bytes, unsigned baseSeconds) {
  const auto seconds = static_cast<unsigned>(baseSeconds + bytes.size() / kBytesPerSecond);
  int pipe[2];
  Ending ending;
  if (::pipe(pipe) != 0) {
    ending.fault = "cannot run the case";
    return ending;
  }
  const size_t before = residentBytes();
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(pipe[0]);
    // A loop that never ends burns processor time; a wait that never ends does not. The
    // processor limit is what counts, as a busy machine stretches the wall-clock time.
    const rlimit cpu{seconds, RLIM_INFINITY};
    ::setrlimit(RLIMIT_CPU, &cpu);
    ::alarm(kWaitFactor * seconds);
    vlm::fuzz::importBytes(extension, reinterpret_cast<const uint8_t*>(bytes.data()),
                           bytes.size(), [&](size_t objects) {
                             const size_t sent[] = {peakBytes(), objects};
                             (void)!::write(pipe[1], sent, sizeof sent);
                             const auto checking = static_cast<unsigned>(
                                 kCheckFactor * seconds + objects / kObjectsPerCheckSecond);
                             const rlimit checks{checking, RLIM_INFINITY};
                             ::setrlimit(RLIMIT_CPU, &checks);
                             ::alarm(kWaitFactor * checking);
                           });
    ::_exit(0);
  }
  ::close(pipe[1]);
  int status = 0;
  size_t received[2] = {};  // peak memory, objects
  const bool sent = ::read(pipe[0], received, sizeof received) == sizeof received;
  const size_t peak = received[0], objects = received[1];
  ::close(pipe[0]);
  if (child < 0 || ::waitpid(child, &status, 0) != child) {
    ending.fault = "cannot run the case";
    return ending;
  }
  ending.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  ending.growth = sent && peak > before ? peak - before : 0;
  if (WIFSIGNALED(status) && WTERMSIG(status) == SIGXCPU) {
    ending.fault = sent ? "hang: the checks after the import ran out of processor time"
                        : "hang: more than " + std::to_string(seconds) + " s of processor time";
  } else if (WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM) {
    ending.fault = sent ? "hang: the checks after the import ran out of waiting time"
                        : "hang: still waiting after " + std::to_string(kWaitFactor * seconds) + " s";
  } else if (WIFSIGNALED(status)) {
    ending.fault = "crash: signal " + std::to_string(WTERMSIG(status));
  } else if (WEXITSTATUS(status) != 0) {
    ending.fault = "failed: exit status " + std::to_string(WEXITSTATUS(status));
  } else if (ending.growth >
             kMemoryPerByte * bytes.size() + kMemoryPerObject * objects + kMemoryBesides) {
    ending.fault = "memory: " + std::to_string(ending.growth >> 20) + " MB for " +
                   std::to_string(bytes.size()) + " bytes";
  }
  return ending;
}

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);  // a finding shows as soon as it is found
  const Options options = parse(argc, argv);
  const vlm::damage::Inputs inputs = vlm::damage::readInputs(options.folders);
  if (inputs.empty()) {
    std::fprintf(stderr, "damage: no .obj .dxf .3ds .inc .ply file in the folders given\n");
    return 2;
  }
  // Settings, host classes and the memory file once, before the first child inherits them.
  vlm::fuzz::importBytes("obj", nullptr, 0);

  std::map<std::string, uint64_t> perFormat;
  uint64_t faults = 0;
  double slowest = 0;
  double largestRatio = 0;  // growth per byte, files of a MiB or more
  for (uint64_t i = 0; i < options.cases; ++i) {
    const vlm::damage::Damaged damaged = vlm::damage::damage(inputs, options.seed, i);
    const Ending ending = runCase(damaged.extension, damaged.bytes, options.seconds);
    ++perFormat[damaged.extension];
    slowest = std::max(slowest, ending.seconds);
    if (damaged.bytes.size() >= (size_t{1} << 20)) {
      largestRatio = std::max(largestRatio, double(ending.growth) / double(damaged.bytes.size()));
    }
    if (ending.fault.empty()) continue;
    ++faults;
    fs::create_directories(options.out);
    const fs::path kept = options.out / ("case-" + std::to_string(i) + "." + damaged.extension);
    std::ofstream(kept, std::ios::binary) << damaged.bytes;
    std::printf("case %llu (%s): %s; input %s\n", static_cast<unsigned long long>(i),
                damaged.history.c_str(), ending.fault.c_str(), kept.c_str());
  }
  std::printf("damage: %llu cases, seed %llu:", static_cast<unsigned long long>(options.cases),
              static_cast<unsigned long long>(options.seed));
  for (const auto& [extension, count] : perFormat)
    std::printf(" %s %llu", extension.c_str(), static_cast<unsigned long long>(count));
  std::printf("; %llu faults; slowest case %.2f s; peak growth %.1f x the file (files >= 1 MiB)\n",
              static_cast<unsigned long long>(faults), slowest, largestRatio);
  return faults == 0 ? 0 : 1;
}
