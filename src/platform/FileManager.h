#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace dossiva {

// File-system helpers over std::filesystem that never throw: each reports
// success as a boolean and leaves the reason in the developer log.
namespace FileManager {

bool exists(const std::string& path);
bool isDirectory(const std::string& path);
bool isRegularFile(const std::string& path);

// Creates one folder; its parent must exist.
bool createDirectory(const std::string& path);
// Creates a folder and any missing parents.
bool createDirectories(const std::string& path);

// Copies a file or a whole folder tree to a path that must not exist yet.
// On failure nothing is left at the destination.
bool copyItem(const std::string& from, const std::string& to);
// Renames (or, across file systems, copies then removes) to a path that must
// not exist yet.
bool moveItem(const std::string& from, const std::string& to);
// Removes a file or a folder tree; a missing path is not an error.
bool removeItem(const std::string& path);

// The names of a folder's entries (not "." or ".."), sorted by their bytes,
// so listings are the same on every run and every file system.
std::vector<std::string> contentsOfDirectory(const std::string& path);

std::optional<std::vector<std::uint8_t>> readFile(const std::string& path);
// Writes through a temporary file in the same folder and renames it into
// place, so the path holds either the old or the new content.
bool writeFileAtomically(const std::string& path, const std::uint8_t* bytes, std::size_t length);
bool writeFileAtomically(const std::string& path, const std::string& bytes);

std::string lastPathComponent(const std::string& path);
// The name without its last extension ("Books.dossiva" -> "Books").
std::string deletingPathExtension(const std::string& name);
// The last extension without its dot, or "".
std::string pathExtension(const std::string& name);

} // namespace FileManager
} // namespace dossiva
