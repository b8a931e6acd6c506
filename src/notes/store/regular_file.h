#pragma once
// Files the store opens are regular files or a failure: a named pipe, a
// device or a folder where a file should be is refused at once, never waited
// on (opening a pipe for reading blocks until someone writes to it).
#include <QString>

class QFile;

namespace vantor::store {

enum class FileCheck { Regular, Missing, NotRegular, Unreadable };

// What is at `path`, found without blocking: a stat, then a non-blocking open
// and a second look at what was opened.
FileCheck checkRegularFile(const QString& path);

// What is at `path`, from a stat alone. For a database and its journals,
// which SQLite may hold open in this process: closing a descriptor of our
// own on them would drop every lock SQLite holds there (POSIX locks belong
// to the process), and other processes would then write under its readers.
FileCheck statRegularFile(const QString& path, qint64* size = nullptr);

// Opens `path` for reading only when it is a regular file; the open itself
// never blocks. False (and `file` closed) otherwise, with the reason in `check`.
bool openRegularForReading(QFile& file, const QString& path, FileCheck* check = nullptr);

// Why a file was refused, for messages: "n'est pas un fichier ordinaire"...
QString fileCheckText(FileCheck check);

}  // namespace vantor::store
