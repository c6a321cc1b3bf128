#include "foundation/file_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace orvane {

namespace {

// Writes all of `data` to `fd`, going on after short writes and interruptions.
bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool WriteInPlace(const char* path, const char* data, std::size_t size) {
  const int fd = ::open(path, O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (fd < 0) return false;
  const bool written = WriteAll(fd, data, size);
  return ::close(fd) == 0 && written;
}

}  // namespace

bool ReplaceFileContents(const char* path, const void* data, std::size_t size) {
  if (!path || !*path || (!data && size > 0)) return false;
  const char* bytes = static_cast<const char*>(data);
  struct stat old {};
  const bool exists = ::stat(path, &old) == 0;
  if (exists && S_ISDIR(old.st_mode)) return false;
  if (exists && !S_ISREG(old.st_mode)) return WriteInPlace(path, bytes, size);

  // The temporary file sits beside the target, so that the rename stays on one file system.
  std::vector<char> temporary(path, path + std::strlen(path));
  const char suffix[] = ".tmpXXXXXX";
  temporary.insert(temporary.end(), suffix, suffix + sizeof suffix);
  const int fd = ::mkstemp(temporary.data());
  if (fd < 0) return false;
  bool ok = WriteAll(fd, bytes, size);
  if (ok) {
    // The permissions of the file it replaces, or those a new file would get.
    mode_t mode = old.st_mode & 07777;
    if (!exists) {
      const mode_t mask = ::umask(0);
      ::umask(mask);
      mode = 0666 & ~mask;
    }
    ok = ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
  }
  if (::close(fd) != 0) ok = false;
  if (ok) ok = std::rename(temporary.data(), path) == 0;
  if (!ok) ::unlink(temporary.data());
  return ok;
}

}  // namespace orvane
