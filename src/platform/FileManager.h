#pragma once

#include "platform/Failure.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace dossiva {

// File-system helpers that never throw: each reports success as a boolean
// and leaves the reason in lastFailure() (per thread) and the developer log.
namespace FileManager {

// Why the last operation of this thread that returned false failed.
const Failure& lastFailure();

bool exists(const std::string& path);
// Follows links: a link to a folder is a folder here.
bool isDirectory(const std::string& path);
bool isRegularFile(const std::string& path);
// A folder itself, not a link to one.
bool isRealDirectory(const std::string& path);

// Creates one folder; its parent must exist.
bool createDirectory(const std::string& path);
// Creates a folder and any missing parents.
bool createDirectories(const std::string& path);

// Copies a file or a whole folder tree to a path that must not exist yet.
// Only regular files and folders are copied: a tree holding a symbolic
// link, a device, a FIFO or a socket anywhere is refused before anything is
// written, and the failure names the entry. On failure nothing is left at
// the destination.
bool copyItem(const std::string& from, const std::string& to);
// The first entry of a tree that is neither a regular file nor a folder,
// relative to the tree ("images/6"), or nullopt when there is none.
std::optional<std::string> firstSpecialEntry(const std::string& tree);
// Renames (or, across file systems, copies then removes) to a path that must
// not exist yet.
bool moveItem(const std::string& from, const std::string& to);
// Renames a file over another in one step (whatever was at `to`, a link
// included, is replaced; never a folder).
bool renameReplacing(const std::string& from, const std::string& to);
// Removes a file or a folder tree; a missing path is not an error. A link is
// removed itself, never what it points to.
bool removeItem(const std::string& path);
// Removes one directory entry that is not a folder (a file, or a link
// itself); never anything below it. A missing entry is not an error.
bool removeFileEntry(const std::string& path);

// The names of a folder's entries (not "." or ".."), sorted by their bytes,
// so listings are the same on every run and every file system.
std::vector<std::string> contentsOfDirectory(const std::string& path);

inline constexpr std::uint64_t kNoSizeLimit = std::numeric_limits<std::uint64_t>::max();

// Reads a regular file whole; a FIFO, a device or a folder is refused
// without blocking, and so is a file larger than maxBytes. With followLinks
// false a link in the last component is refused too.
std::optional<std::vector<std::uint8_t>>
readFile(const std::string& path, std::uint64_t maxBytes = kNoSizeLimit, bool followLinks = true);
// Writes through a temporary file in the same folder and renames it into
// place, so the path holds either the old or the new content. A link at the
// path is replaced, never written through.
bool writeFileAtomically(const std::string& path, const std::uint8_t* bytes, std::size_t length);
bool writeFileAtomically(const std::string& path, const std::string& bytes);

// A new, empty folder beside `path` (same parent, so a rename can move it
// into place) whose name starts with "." and the last component of `path`;
// nullopt when it cannot be made.
std::optional<std::string> makeSiblingFolder(const std::string& path, const std::string& tag);
// A free name beside `path` for moving it aside (".NAME.tag-XXXXXX"); the
// name is not created.
std::string siblingName(const std::string& path, const std::string& tag);

std::string lastPathComponent(const std::string& path);
// The folder holding the last component ("/a/b" -> "/a", "b" -> ".").
std::string parentPath(const std::string& path);
// The name without its last extension ("Books.dossiva" -> "Books").
std::string deletingPathExtension(const std::string& name);
// The last extension without its dot, or "".
std::string pathExtension(const std::string& name);

} // namespace FileManager
} // namespace dossiva
