#pragma once
// Runs the vantor-store tool on a data root and collects what it said.
#include <gtest/gtest.h>

#include <QProcess>
#include <QStringList>

namespace vantor::test {

struct ToolRun {
    int exitCode = -1;
    QString out;
    QString err;
};

inline ToolRun runTool(const QString& root, const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(VANTOR_STORE_TOOL), QStringList{QStringLiteral("--root"), root} + args);
    ToolRun run;
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        ADD_FAILURE() << "vantor-store did not finish: " << args.join(QLatin1Char(' ')).toStdString();
        return run;
    }
    run.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    run.out = QString::fromUtf8(p.readAllStandardOutput());
    run.err = QString::fromUtf8(p.readAllStandardError());
    return run;
}

}  // namespace vantor::test
