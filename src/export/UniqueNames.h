// Names fit for an OBJ or MTL line: one word, no comment mark, none twice.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace vlm::exporter {

class UniqueNames {
 public:
  // `raw` with every blank, control character and '#' made '_', `fallback` when that
  // leaves nothing, and "_2", "_3", ... appended when the name (in any letter case) was
  // already handed out.
  std::string take(std::string_view raw, std::string_view fallback);

 private:
  std::unordered_set<std::string> lowerNames_;
  // Per name asked for more than once: the suffix to try next, so that thousands of
  // objects of one name cost no more than thousands of names.
  std::unordered_map<std::string, int> nextSuffix_;
};

}  // namespace vlm::exporter
