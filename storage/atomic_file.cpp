#include "storage/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <QByteArray>
#include <QFile>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <string>
#include <string_view>

namespace kelvara::storage {
namespace {

using Kind = AtomicWriteError::Kind;

AtomicWriteError Failed(int error) { return {Kind::kFailed, QString::fromLocal8Bit(std::strerror(error))}; }

// The kernel's own file systems: their "files" are views of the system
// (/proc/version, /sys/...), not files one can save over.
bool OnKernelFileSystem(const std::string& path) {
  struct statfs info {};
  if (statfs(path.c_str(), &info) != 0) return false;
  switch (static_cast<unsigned long>(info.f_type)) {
    case 0x9fa0UL:      // proc
    case 0x62656572UL:  // sysfs
    case 0x64626720UL:  // debugfs
    case 0x74726163UL:  // tracefs
    case 0x73636673UL:  // securityfs
    case 0x27e0ebUL:    // cgroup
    case 0x63677270UL:  // cgroup2
    case 0x62656570UL:  // configfs
    case 0xcafe4a11UL:  // bpf
    case 0x6165676cUL:  // pstore
    case 0xde5e81e4UL:  // efivarfs
      return true;
    default:
      return false;
  }
}

// The file a save replaces: the target itself, or the regular file a chain
// of symbolic links leads to. Empty with `error` set when the target cannot
// be replaced.
std::string ResolveTarget(const std::string& path, std::optional<AtomicWriteError>& error) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0) {
    if (errno != ENOENT) error = Failed(errno);
    return path;  // a new file (or the open below reports why not)
  }
  if (S_ISREG(info.st_mode)) {
    if (OnKernelFileSystem(path)) error = AtomicWriteError{Kind::kNotRegularFile, {}};
    return path;
  }
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
  if (OnKernelFileSystem(target)) error = AtomicWriteError{Kind::kNotRegularFile, {}};
  return target;
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

constexpr std::string_view kLetters = "abcdefghijklmnopqrstuvwxyz0123456789";
constexpr std::size_t kSuffixLength = 8;

std::string NameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderPrefix(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// A name for the temporary file beside the target: "<folder>/.<name>.XXXXXXXX~".
std::string TemporaryName(const std::string& target, std::mt19937_64& random) {
  std::string suffix;
  for (std::size_t i = 0; i < kSuffixLength; ++i) suffix += kLetters[random() % kLetters.size()];
  return FolderPrefix(target) + "." + NameOf(target) + "." + suffix + "~";
}

// Whether a folder entry is a temporary file of a save of `name`.
bool IsTemporaryOf(std::string_view entry, const std::string& name) {
  const std::size_t length = 1 + name.size() + 1 + kSuffixLength + 1;
  if (entry.size() != length || entry.front() != '.' || entry.back() != '~') return false;
  if (entry.substr(1, name.size()) != name || entry[1 + name.size()] != '.') return false;
  const std::string_view suffix = entry.substr(name.size() + 2, kSuffixLength);
  return suffix.find_first_not_of(kLetters) == std::string_view::npos;
}

// A save that was killed between making its temporary file and the rename
// left that file behind. Removes such files of the target: ours (same
// owner), regular, and untouched for a minute (a save in progress writes to
// its file; with an unnamed file the name exists only for the rename).
void RemoveStaleTemporaries(const std::string& target) {
  constexpr std::time_t kStaleSeconds = 60;
  const std::string name = NameOf(target);
  const std::string prefix = FolderPrefix(target);
  DIR* folder = opendir(prefix.empty() ? "." : prefix.c_str());
  if (folder == nullptr) return;
  const std::time_t now = std::time(nullptr);
  while (const dirent* entry = readdir(folder)) {
    if (!IsTemporaryOf(entry->d_name, name)) continue;
    const std::string path = prefix + entry->d_name;
    struct stat info {};
    if (lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == geteuid() &&
        info.st_mtime + kStaleSeconds < now) {
      unlink(path.c_str());
    }
  }
  closedir(folder);
}

// Creates a new, empty, named file beside the target. O_EXCL with the mode
// 0666 lets the umask apply as to any new file.
int CreateTemporary(const std::string& target, std::string& tempPath, std::mt19937_64& random) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    tempPath = TemporaryName(target, random);
    const int fd = open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

// Gives the unnamed file `fd` a temporary name beside the target. False
// when the system cannot (then nothing was made).
bool LinkUnnamed(int fd, const std::string& target, std::string& tempPath, std::mt19937_64& random) {
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  for (int attempt = 0; attempt < 100; ++attempt) {
    tempPath = TemporaryName(target, random);
    // AT_EMPTY_PATH needs CAP_DAC_READ_SEARCH; /proc works for everyone.
    if (linkat(fd, "", AT_FDCWD, tempPath.c_str(), AT_EMPTY_PATH) == 0) return true;
    if (errno == EEXIST) continue;
    if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, tempPath.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
    if (errno != EEXIST) return false;
  }
  return false;
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

// Gives the new file the permission bits of the file it replaces, writes
// the bytes and syncs them; 0 or the error.
int Fill(int fd, const std::string& target, QByteArrayView bytes) {
  struct stat old {};
  if (stat(target.c_str(), &old) == 0 && fchmod(fd, old.st_mode & 07777) != 0) return errno;
  if (!WriteAll(fd, bytes.data(), bytes.size())) return errno;
  if (fsync(fd) != 0) return errno;
  return 0;
}

// close() can report a failed write-back (NFS, quotas): 0 or the error.
int Close(int fd) { return close(fd) != 0 && errno != EINTR ? errno : 0; }

enum class Unnamed { kWritten, kFailed, kUnsupported };

// Writes the bytes into a file without a name in the target's folder
// (O_TMPFILE) and links it under a temporary name only once it is complete
// and synced, so that a save killed while writing leaves nothing behind.
// kUnsupported when the file system (or /proc) does not allow it.
Unnamed WriteUnnamed(const std::string& target, QByteArrayView bytes, std::string& tempPath, int& error,
                     std::mt19937_64& random) {
  const std::string folder = FolderPrefix(target).empty() ? "." : FolderPrefix(target);
  const int fd = open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
  if (fd < 0) return Unnamed::kUnsupported;  // the named file reports any real reason
  error = Fill(fd, target, bytes);
  if (error != 0) {
    close(fd);  // the unnamed file goes with it
    return Unnamed::kFailed;
  }
  if (!LinkUnnamed(fd, target, tempPath, random)) {
    close(fd);
    return Unnamed::kUnsupported;
  }
  error = Close(fd);
  if (error == 0) return Unnamed::kWritten;
  unlink(tempPath.c_str());
  return Unnamed::kFailed;
}

// Writes the bytes into a new named temporary file; on failure it is removed.
std::optional<AtomicWriteError> WriteNamed(const std::string& target, QByteArrayView bytes, std::string& tempPath,
                                           std::mt19937_64& random) {
  const int fd = CreateTemporary(target, tempPath, random);
  if (fd < 0) return Failed(errno);
  int error = Fill(fd, target, bytes);
  const int closed = Close(fd);
  if (error == 0) error = closed;
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
  RemoveStaleTemporaries(target);

  std::random_device seed;
  std::mt19937_64 random(seed());
  std::string tempPath;
  int writeError = 0;
  switch (WriteUnnamed(target, bytes, tempPath, writeError, random)) {
    case Unnamed::kWritten:
      break;
    case Unnamed::kFailed:
      return Failed(writeError);
    case Unnamed::kUnsupported:
      if (std::optional<AtomicWriteError> failed = WriteNamed(target, bytes, tempPath, random)) return failed;
      break;
  }

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
