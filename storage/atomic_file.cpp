#include "storage/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QFile>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

namespace kelvara::storage {
namespace {

using Kind = AtomicWriteError::Kind;

AtomicWriteError Failed(int error) { return {Kind::kFailed, QString::fromLocal8Bit(std::strerror(error))}; }

// The file a save replaces: the target itself, or the regular file a chain
// of symbolic links leads to. Empty with `error` set when the target cannot
// be replaced.
std::string ResolveTarget(const std::string& path, std::optional<AtomicWriteError>& error) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0) {
    if (errno != ENOENT) error = Failed(errno);
    return path;  // a new file (or the open below reports why not)
  }
  if (S_ISREG(info.st_mode)) return path;
  if (!S_ISLNK(info.st_mode)) {
    error = AtomicWriteError{Kind::kNotRegularFile, {}};
    return {};
  }
  // A link: only to an existing regular file. A dangling link is refused
  // rather than creating a file wherever it points.
  char* resolved = realpath(path.c_str(), nullptr);
  if (resolved == nullptr || stat(resolved, &info) != 0 || !S_ISREG(info.st_mode)) {
    std::free(resolved);
    error = AtomicWriteError{Kind::kNotRegularFile, {}};
    return {};
  }
  std::string target(resolved);
  std::free(resolved);
  return target;
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Creates a new, empty file beside the target: "<folder>/.<name>.XXXXXX~".
// O_EXCL with the mode 0666 lets the umask apply as to any new file.
int CreateTemporary(const std::string& target, std::string& tempPath) {
  const std::size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  std::random_device seed;
  std::mt19937_64 random(seed());
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string suffix;
    for (int i = 0; i < 8; ++i) suffix += kLetters[random() % (sizeof(kLetters) - 1)];
    tempPath = folder + "." + name + "." + suffix + "~";
    const int fd = open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

// write() until every byte is written; false with errno set otherwise.
bool WriteAll(int fd, const char* data, qsizetype size) {
  while (size > 0) {
    const ssize_t written = write(fd, data, static_cast<std::size_t>(size));
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (written == 0) {  // no progress and no error: treat as a full disk
      errno = ENOSPC;
      return false;
    }
    data += written;
    size -= written;
  }
  return true;
}

// Writes, syncs and closes the temporary file; on failure it is removed.
std::optional<AtomicWriteError> FillTemporary(int fd, const std::string& tempPath, const std::string& target,
                                              QByteArrayView bytes) {
  int error = 0;
  struct stat old {};
  // Keep the permission bits of the file being replaced.
  if (stat(target.c_str(), &old) == 0 && fchmod(fd, old.st_mode & 07777) != 0) error = errno;
  if (error == 0 && !WriteAll(fd, bytes.data(), bytes.size())) error = errno;
  if (error == 0 && fsync(fd) != 0) error = errno;
  // close() can report a failed write-back (NFS, quotas): check it too.
  if (close(fd) != 0 && error == 0 && errno != EINTR) error = errno;
  if (error == 0) return std::nullopt;
  unlink(tempPath.c_str());
  return Failed(error);
}

}  // namespace

std::optional<AtomicWriteError> WriteFileAtomically(const QString& path, QByteArrayView bytes) {
  if (path.isEmpty()) return AtomicWriteError{Kind::kEmptyPath, {}};
  const QByteArray encoded = QFile::encodeName(path);
  const std::string given(encoded.constData(), static_cast<std::size_t>(encoded.size()));
  std::optional<AtomicWriteError> error;
  const std::string target = ResolveTarget(given, error);
  if (error) return error;

  std::string tempPath;
  const int fd = CreateTemporary(target, tempPath);
  if (fd < 0) return Failed(errno);
  if (std::optional<AtomicWriteError> failed = FillTemporary(fd, tempPath, target, bytes)) return failed;

  // The target may have changed since it was looked at: look again right
  // before replacing it (a link or regular file was accepted above).
  struct stat now {};
  if (lstat(target.c_str(), &now) == 0 && !S_ISREG(now.st_mode)) {
    unlink(tempPath.c_str());
    return AtomicWriteError{Kind::kNotRegularFile, {}};
  }
  if (rename(tempPath.c_str(), target.c_str()) != 0) {
    const int renameError = errno;
    unlink(tempPath.c_str());
    return Failed(renameError);
  }
  // Make the rename itself durable; the file is complete either way, so a
  // folder that cannot be synced is not a failure of the save.
  const int folder = open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    fsync(folder);
    close(folder);
  }
  return std::nullopt;
}

void IgnoreFileSizeSignal() { std::signal(SIGXFSZ, SIG_IGN); }

}  // namespace kelvara::storage
