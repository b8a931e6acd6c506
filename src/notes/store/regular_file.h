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

// Opens `path` for reading only when it is a regular file; the open itself
// never blocks. False (and `file` closed) otherwise, with the reason in `check`.
bool openRegularForReading(QFile& file, const QString& path, FileCheck* check = nullptr);

// Why a file was refused, for messages: "n'est pas un fichier ordinaire"...
QString fileCheckText(FileCheck check);

}  // namespace vantor::store
