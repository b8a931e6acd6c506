#pragma once
// A fresh folder for one test, removed with it once every replacement in it is done.
#include <QDir>
#include <QTemporaryDir>

#include "platform/env.h"
#include "support/file_bytes.h"

namespace vantor::test {

class TempDir {
  public:
    TempDir() { dir_.setAutoRemove(true); }
    ~TempDir() { Env::Default()->flushPendingReplacements(); }
    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return joinPath(dir_.path(), name); }
    // Writes the file `name` holding `bytes`; its path.
    QString put(const QString& name, const QByteArray& bytes) const {
        putBytes(file(name), bytes);
        return file(name);
    }

  private:
    QTemporaryDir dir_;
};

}  // namespace vantor::test
