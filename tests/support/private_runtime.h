#pragma once
// The sockets of the mail clients a test program starts (and of the stand-ins
// it makes) live in a private folder of its own, removed when it ends.
#include <QTemporaryDir>

namespace vantor::test {

class PrivateRuntimeFolder {
  public:
    PrivateRuntimeFolder() { qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir_.path())); }

  private:
    QTemporaryDir dir_;  // mode 0700
};

}  // namespace vantor::test
