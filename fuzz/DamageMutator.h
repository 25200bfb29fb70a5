// The damage loop's mutator: what a cut-off download, a buggy exporter or a hostile author
// does to a file, drawn from a seeded generator so that every case can be made again.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace vlm::damage {

struct Input {
  std::string name;  // the file's name, for the report
  std::string bytes;
};
// The files to start from, by extension ("obj", "dxf", "3ds", "inc", "ply").
using Inputs = std::map<std::string, std::vector<Input>>;

Inputs readInputs(const std::vector<std::filesystem::path>& folders);

struct Damaged {
  std::string extension;
  std::string bytes;
  std::string history;  // the file it came from and each change, for the report
};

// Case `index` of `seed`: an input picked at random, changed one to four times by spliced
// and repeated chunks, zeroed blocks, huge declared counts, lines of megabytes, mixed line
// ends and cuts.
Damaged damage(const Inputs& inputs, uint64_t seed, uint64_t index);

}  // namespace vlm::damage
