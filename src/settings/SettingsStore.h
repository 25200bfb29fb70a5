// The settings store: registry values kept in a file (see RegistryFile.h for where).
//
// Every call reads the file afresh, so a change made by another process or another
// component instance is seen at once. Reading never fails: a missing, unreadable or
// corrupt file holds no values (a damaged line alone is skipped). A change writes the
// whole file anew through a temporary file and a rename, so a crash loses nothing.
//
// setRegistryValue and deleteRegistryKey always succeed for the registry as this process
// sees it: when the file cannot be read (its values would be lost if it were written
// over) or cannot be written, the change is kept in memory, laid over the file at every
// read, and the file write is tried again with each later change; one line on stderr
// says so, once. editRegistry, which registration uses, stays strict instead: a
// registration only the process itself can see means nothing.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Variant.h"
#include "settings/RegistryData.h"
#include "settings/RegistryRoot.h"

namespace vlm {

// The path of the settings file.
std::string settingsFilePath();

// The stored value, or nothing when the file, the key or the value does not exist.
std::optional<Variant> readRegistryValue(RegistryRoot root, std::string_view subKey,
                                         std::string_view valueName);

// All values of the key (sorted by name); empty when there is no such key.
RegistryValues listRegistryValues(RegistryRoot root, std::string_view subKey);

// True when the key exists, with or without values.
bool registryKeyExists(RegistryRoot root, std::string_view subKey);

// Stores the value, creating the key. The kind is kept: Boolean, Integer, Long, Single,
// Double or String; any other kind is error 13 and nothing changes.
void setRegistryValue(RegistryRoot root, std::string_view subKey, std::string_view valueName,
                      const Variant& value);

// Removes the key, its values and every key below it. Returns false (and changes
// nothing) when there was no such key. An empty sub-key empties the whole root.
bool deleteRegistryKey(RegistryRoot root, std::string_view subKey);

// Applies several changes to the file with one read and one write, all or nothing:
// `change` edits the registry in memory (keys by full name, see registryKeyName); if it
// throws, the file stays as it was. When the change leaves the registry as it was, nothing
// is written. Error 70 or 75 when the file cannot be read or written; changes kept in
// memory are neither written nor dropped by it.
void editRegistry(const std::function<void(RegistryData&)>& change);

}  // namespace vlm
