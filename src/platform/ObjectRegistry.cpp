#include "platform/ObjectRegistry.h"

#include <vector>

#include "platform/Dispatch.h"
#include "platform/Error.h"

namespace vlm {

namespace {

struct Entry {
  std::string progId;
  ObjectFactory factory;
};

std::vector<Entry>& table() {
  static std::vector<Entry> entries;
  return entries;
}

Entry* find(std::string_view progId) {
  for (Entry& e : table()) {
    if (equalsIgnoreCase(e.progId, progId)) return &e;
  }
  return nullptr;
}

}  // namespace

void registerClass(std::string progId, ObjectFactory factory) {
  if (Entry* e = find(progId)) {
    e->factory = std::move(factory);
    return;
  }
  table().push_back(Entry{std::move(progId), std::move(factory)});
}

void unregisterClass(std::string_view progId) {
  auto& t = table();
  std::erase_if(t, [&](const Entry& e) { return equalsIgnoreCase(e.progId, progId); });
}

bool isClassRegistered(std::string_view progId) { return find(progId) != nullptr; }

ObjectRef createObject(std::string_view progId) {
  Entry* e = find(progId);
  if (!e || !e->factory) raise(err::kCantCreateObject);
  ObjectRef object;
  try {
    object = e->factory();
  } catch (...) {
    raise(err::kCantCreateObject);
  }
  if (!object) raise(err::kCantCreateObject);
  return object;
}

}  // namespace vlm
