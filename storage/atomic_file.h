#pragma once

// Writing a whole file atomically: afterwards the path holds either all the
// new bytes or, after any failure, exactly what it held before (or nothing,
// when there was no file). Every writer of the program's files goes through
// here (design files; netlists, tables and pictures as they come).
//
// The bytes go into a new file beside the target (same folder, so the same
// file system), every write() is checked, the file is fsync()ed and closed,
// and only then renamed over the target; the folder is synced afterwards.
// Where the file system offers it the new file has no name while it is
// written (O_TMPFILE) and is linked as ".NAME.XXXXXXXX~" only for the
// rename, so a save killed while writing leaves nothing behind; elsewhere
// it is made under that name. A save removes such files of its target that
// a killed save left (ours, untouched for a minute).
// A full disk, a file-size limit, a quota or an I/O error therefore never
// replaces a good file with a short one. The target's permission bits are
// kept; a new file gets the usual 0666 less the umask.
//
// Only regular files are replaced. A target that exists and is anything
// else — a folder, a FIFO, a device node, a socket, a file of the kernel's
// own file systems such as /proc/version — is refused, also when a
// symbolic link leads to it; a link to a regular file is followed, so the
// file it points to is replaced and the link stays.
//
// A process that may meet a file-size limit must ignore SIGXFSZ
// (IgnoreFileSizeSignal, called at the start of every program): otherwise
// the kernel ends it at the failing write() before the error is reported.

#include <QByteArrayView>
#include <QString>
#include <optional>

namespace kelvara::storage {

struct AtomicWriteError {
  enum class Kind {
    kEmptyPath,       // no file name given
    kNotRegularFile,  // the target exists and is not a regular file (or is one of /proc, /sys)
    kFailed,          // the system refused: folder, permissions, disk full, ...
  };
  Kind kind = Kind::kFailed;
  /// The system's reason (strerror), for kFailed; empty otherwise.
  QString reason;
  bool operator==(const AtomicWriteError&) const = default;
};

/// Writes `bytes` as the whole content of the file at `path` (used as given,
/// relative to the working folder), replacing the file atomically. Nothing
/// on success; on failure the reason, and the target is as it was and no
/// temporary file is left behind.
std::optional<AtomicWriteError> WriteFileAtomically(const QString& path, QByteArrayView bytes);

/// Ignores SIGXFSZ for the whole process, so that a write beyond the
/// file-size limit (RLIMIT_FSIZE) fails with EFBIG and is reported instead
/// of ending the program. Call once at start, before any thread is made.
void IgnoreFileSizeSignal();

}  // namespace kelvara::storage
