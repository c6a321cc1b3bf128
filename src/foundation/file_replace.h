#pragma once
// Writing a file so that its old contents are never lost: the new bytes go to a temporary file
// in the same folder, which replaces the old file in one rename only once everything was
// written and flushed to the disk. A write that fails on the way (a full disk, a folder that
// cannot be written, a name that is a folder) leaves the old file exactly as it was and no
// temporary file behind.
//
// A name that exists but is not a regular file (a device such as /dev/null or /dev/full, a
// pipe) is written in place, since replacing it would replace the device. A replaced file keeps
// the permission bits of the old one; a new file gets those of a file created normally.

#include <cstddef>
#include <string>

namespace orvane {

// Writes `size` bytes at `data` to `path`. False when the file could not be written
// completely; the old file (if any) is then unchanged.
bool ReplaceFileContents(const char* path, const void* data, std::size_t size);

inline bool ReplaceFileContents(const std::string& path, const std::string& text) {
  return ReplaceFileContents(path.c_str(), text.data(), text.size());
}

}  // namespace orvane
