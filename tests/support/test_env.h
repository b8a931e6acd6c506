#pragma once
// Env variants for tests: a settable clock, a full or refusing disk.
#include <QDateTime>
#include <QStringList>
#include <cerrno>
#include <utility>
#include <vector>

#include "platform/env.h"

namespace vantor::test {

class TestEnv : public EnvWrapper {
  public:
    TestEnv() : EnvWrapper(Env::Default()) {}

    // When set, now() answers this time (advanced by advance()).
    std::optional<QDateTime> clock;
    void advance(qint64 ms) { clock = now().addMSecs(ms); }
    QDateTime now() override { return clock ? *clock : EnvWrapper::now(); }

    // Writes fail once this many bytes in total have been written; -1: never.
    qint64 failAfterBytes = -1;
    qint64 bytesWritten = 0;

    bool replaceFile(const QString& p, const QByteArray& d) override {
        if (!allow(d.size())) return false;
        return EnvWrapper::replaceFile(p, d);
    }
    bool appendFile(const QString& p, const QByteArray& d) override {
        if (!allow(d.size())) return false;
        return EnvWrapper::appendFile(p, d);
    }

    // Programs "started": recorded, not run; none starts when refuseStarts.
    bool refuseStarts = false;
    struct Started {
        QString program;
        QStringList arguments;
        WindowStyle style;
    };
    std::vector<Started> started;
    bool startProgram(const QString& p, const QStringList& a, WindowStyle s) override {
        if (refuseStarts) return false;
        started.push_back({p, a, s});
        return true;
    }

  private:
    bool allow(qint64 n) {
        if (failAfterBytes >= 0 && bytesWritten + n > failAfterBytes) {
            errno = ENOSPC;
            return false;
        }
        bytesWritten += n;
        return true;
    }
};

}  // namespace vantor::test
