// The component's ordered collection of object references.
//
// Positions count from 1; an item may carry a unique text key (compared without regard
// to letter case). A bad position raises error 9, an unknown key error 5, a key already
// in use error 457. Collections are passed to the importers as a reference to a
// CollectionRef, so an importer can put a new collection in the caller's variable.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Variant.h"

namespace vlm {

class Collection {
 public:
  void Add(ObjectRef item, std::optional<std::string> key = std::nullopt);
  int32_t Count() const noexcept { return static_cast<int32_t>(items_.size()); }
  ObjectRef Item(int32_t position) const;
  ObjectRef Item(std::string_view key) const;
  void Remove(int32_t position);
  // Removes every item, as the callers do with Count times Remove(1).
  void Clear() noexcept { items_.clear(); }

 private:
  struct Entry {
    ObjectRef item;
    std::optional<std::string> key;
  };
  std::vector<Entry> items_;
};

using CollectionRef = std::shared_ptr<Collection>;

}  // namespace vlm
