// Where the settings file lives and how it is read and replaced on disk.
//
// A write never touches the old file: the new text goes to a temporary file in the same
// folder, is flushed to disk, and is then renamed over the old file in one step. A crash
// at any moment leaves either the old or the new file, never a half-written one.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vlm {

// A settings file is a few kilobytes; anything beyond this is not ours to load.
constexpr size_t kMaxRegistryFileBytes = size_t{4} << 20;

// $XDG_CONFIG_HOME/vlmimport/registry.ini; when XDG_CONFIG_HOME is unset, empty or not
// an absolute path, $HOME/.config takes its place (the home folder of the user's account
// entry when HOME is unset or empty).
std::string registryFilePath();

// The file's bytes; an empty text when the file does not exist. Error 70 or 75 when it
// exists but cannot be read, is not a regular file (a folder, a pipe) or is larger than
// kMaxRegistryFileBytes.
std::string readRegistryFile(const std::string& path);

// Creates the folder and any missing parents (mode 0700); error 70 or 75 on failure.
void createFolders(const std::string& folder);

// Writes `bytes` to a new temporary file beside `path` ("<path>.tmp.XXXXXX"), flushed to
// disk, and returns its name. Error 70 or 75 on failure, leaving no temporary file.
std::string writeTempFile(const std::string& path, std::string_view bytes);

// Renames `tempPath` over `path` and flushes the folder. Error 70 or 75 when the rename
// fails; the old file is then untouched.
void commitTempFile(const std::string& tempPath, const std::string& path);

// Replaces the file at `path` by `bytes` through writeTempFile and commitTempFile,
// creating its folder first; a temporary file whose commit failed is removed.
void replaceFile(const std::string& path, std::string_view bytes);

}  // namespace vlm
