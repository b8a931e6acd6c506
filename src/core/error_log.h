#pragma once
// The program's error log: one line per failure, appended, never read back.
#include <QString>

#include "platform/env.h"

namespace vantor {

// Appends "<date and time> :<message>" and CR LF to `path`, in the settings'
// code page. No failure handling of its own: a log that cannot be written is lost.
void appendErrorLine(Env& env, const QString& path, const QString& message);

// From now on, a file replacement of `env` that fails on its way to the disk
// (after replaceFile said yes) is a line of the log at `path`. `env` must
// live as long as the process.
void logLateReplaceFailures(Env& env, const QString& path);

}  // namespace vantor
