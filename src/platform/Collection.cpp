#include "platform/Collection.h"

#include "platform/Dispatch.h"
#include "platform/Error.h"

namespace vlm {

void Collection::Add(ObjectRef item, std::optional<std::string> key) {
  if (key) {
    for (const Entry& e : items_) {
      if (e.key && equalsIgnoreCase(*e.key, *key)) raise(err::kKeyInUse);
    }
  }
  items_.push_back(Entry{std::move(item), std::move(key)});
}

ObjectRef Collection::Item(int32_t position) const {
  if (position < 1 || position > Count()) raise(err::kSubscript);
  return items_[static_cast<size_t>(position - 1)].item;
}

ObjectRef Collection::Item(std::string_view key) const {
  for (const Entry& e : items_) {
    if (e.key && equalsIgnoreCase(*e.key, key)) return e.item;
  }
  raise(err::kInvalidCall);
}

void Collection::Remove(int32_t position) {
  if (position < 1 || position > Count()) raise(err::kSubscript);
  items_.erase(items_.begin() + (position - 1));
}

}  // namespace vlm
