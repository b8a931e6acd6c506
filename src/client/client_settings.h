#pragma once
// Where the client finds its settings and data, as the mail client does:
// its notes.ini is the one beside the program, or the one named on the
// command line as "=PATH" (the mail client's own convention); the data
// folder is key "Directory" of section "Notes" there, a relative folder
// being taken from the ini file's folder. Without the file or the key, the
// folder "notesdata" beside the program, where the watcher's store lives.
#include <QString>
#include <QStringList>

#include "platform/env.h"

namespace vantor::client {

// The notes.ini the command line names, else the one beside the program.
QString notesIniPath(const QStringList& arguments, const QString& programFolder);

QString dataDirectory(Env& env, const QString& iniPath, const QString& programFolder);

}  // namespace vantor::client
