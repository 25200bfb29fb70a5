// The JSON document type of the glTF export: keys kept in the order written, and numbers
// held as float, so every coordinate is written in the shortest text that reads back as
// the same float (0.1, not 0.10000000149011612), as the binary data holds it.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace vlm::exporter {

using GltfJson = nlohmann::basic_json<nlohmann::ordered_map, std::vector, std::string, bool,
                                      std::int64_t, std::uint64_t, float>;

}  // namespace vlm::exporter
