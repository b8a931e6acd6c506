#pragma once
// Builds store content for a test with the store's own command-line tool,
// the way a user would. VANTOR_STORE_TOOL is the tool's path (set by CMake).
#include <QProcess>
#include <QStringList>
#include <gtest/gtest.h>

namespace vantor::test {

class StoreTool {
public:
    explicit StoreTool(QString root) : root_(std::move(root)) {}
    const QString& root() const { return root_; }

    // Runs one command; returns its standard output. Fails the test on a non-zero exit.
    QString operator()(const QStringList& args) const {
        QProcess p;
        p.start(QStringLiteral(VANTOR_STORE_TOOL), QStringList{QStringLiteral("--root"), root_} + args);
        p.waitForFinished(60000);
        const QString out = QString::fromUtf8(p.readAllStandardOutput());
        EXPECT_EQ(p.exitCode(), 0) << args.join(' ').toStdString() << "\n"
                                   << p.readAllStandardError().toStdString();
        return out;
    }

    // The identity and one mailbox of that user on `server`.
    void mailbox(const QString& server, const QString& file,
                 const QString& user = QStringLiteral("Jean Dupont/Vantor"),
                 const QString& password = QStringLiteral("vantor")) const {
        (*this)({QStringLiteral("create-mailbox"), QStringLiteral("--server"), server,
                 QStringLiteral("--file"), file, QStringLiteral("--user"), user,
                 QStringLiteral("--password"), password});
    }

    // Delivers a memo; returns its universal ID (the first word the tool prints).
    QString deliver(const QString& server, const QString& file, const QString& from,
                    const QString& subject, const QString& body,
                    const QStringList& extra = {}) const {
        const QString out = (*this)(QStringList{QStringLiteral("deliver"), QStringLiteral("--server"),
                                                server, QStringLiteral("--file"), file,
                                                QStringLiteral("--from"), from,
                                                QStringLiteral("--subject"), subject,
                                                QStringLiteral("--body"), body} +
                                    extra);
        const QStringList words = out.simplified().split(QLatin1Char(' '));
        return words.isEmpty() ? QString() : words.first();
    }

private:
    QString root_;
};

}  // namespace vantor::test
