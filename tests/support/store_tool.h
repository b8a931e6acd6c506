#pragma once
// Runs the store's own command-line tool on a data root, the way a user
// would. VANTOR_STORE_TOOL is the tool's path (set by CMake).
#include <gtest/gtest.h>

#include <QProcess>
#include <QStringList>

namespace vantor::test {

struct ToolRun {
    int exitCode = -1;
    QString out;
    QString err;
};

// One command and what it said; a tool that hangs fails the test.
inline ToolRun runTool(const QString& root, const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(VANTOR_STORE_TOOL), QStringList{QStringLiteral("--root"), root} + args);
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        ADD_FAILURE() << "vantor-store did not finish: " << args.join(' ').toStdString();
        return {};
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2,
            QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

class StoreTool {
  public:
    explicit StoreTool(QString root) : root_(std::move(root)) {}
    const QString& root() const { return root_; }

    // Runs one command; returns its standard output. Fails the test on a non-zero exit.
    QString operator()(const QStringList& args) const {
        const ToolRun run = runTool(root_, args);
        EXPECT_EQ(run.exitCode, 0) << args.join(' ').toStdString() << "\n" << run.err.toStdString();
        return run.out;
    }

    // The identity and one mailbox of that user on `server`.
    void mailbox(const QString& server, const QString& file,
                 const QString& user = QStringLiteral("Jean Dupont/Vantor"),
                 const QString& password = QStringLiteral("vantor")) const {
        (*this)({"create-mailbox", "--server", server, "--file", file, "--user", user, "--password",
                 password});
    }

    // Delivers a memo; returns its universal ID (the first word the tool prints).
    QString deliver(const QString& server, const QString& file, const QString& from,
                    const QString& subject, const QString& body,
                    const QStringList& extra = {}) const {
        const QString out = (*this)(QStringList{"deliver", "--server", server, "--file", file, "--from",
                                                from, "--subject", subject, "--body", body} +
                                    extra);
        return out.simplified().section(QLatin1Char(' '), 0, 0);
    }

  private:
    QString root_;
};

}  // namespace vantor::test
