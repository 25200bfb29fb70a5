// vlmgen: writes a large synthetic file of one import format, deterministic from a seed,
// and prints what the importers should report for it:
//   vlmgen --format obj --mb 100 [--seed 1] OUT
//   -> verts=<n> faces=<n> objects=<n> bytes=<n>
// verts and faces are counted as vlmhost --stats counts them (a quad is two triangles).
#include <CLI/CLI.hpp>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "Generate.h"

int main(int argc, char** argv) {
  using namespace vlm::gen;
  std::vector<std::string> keys;
  std::string help = "Format:";
  for (const FormatInfo& f : formats()) {
    keys.emplace_back(f.key);
    help += "\n  " + std::string(f.key) + ": " + std::string(f.description);
  }
  CLI::App app{"Writes a synthetic benchmark file of one import format.", "vlmgen"};
  std::string format;
  Request request;
  app.add_option("--format", format, help)->required()->check(CLI::IsMember(keys));
  app.add_option("--mb", request.megabytes, "Approximate size in MB (10^6 bytes)")
      ->check(CLI::Range(0.001, 4000.0));
  app.add_option("--seed", request.seed, "Seed of the geometry (default 1)");
  app.add_flag("--ply-normals", request.plyNormals, "PLY vertices carry nx ny nz");
  app.add_option("OUT", request.path, "The file to write")->required();
  CLI11_PARSE(app, argc, argv);
  try {
    const Counts c = findFormat(format)->write(request);
    std::printf("verts=%lld faces=%lld objects=%lld bytes=%llu\n", static_cast<long long>(c.verts),
                static_cast<long long>(c.faces), static_cast<long long>(c.objects),
                static_cast<unsigned long long>(c.bytes));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vlmgen: %s\n", e.what());
    return 1;
  }
  return 0;
}
