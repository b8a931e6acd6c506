#pragma once
// The real mail client `notes` (VANTOR_NOTES_CLIENT) on a data folder of the
// test, ready once it answers on its socket, ended with the test.
#include <QtCore/qtestsupport_core.h>
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include "notes/workspace/client_channel.h"

namespace vantor::test {

class RunningClient {
  public:
    explicit RunningClient(const QString& dataRoot, const QStringList& arguments = {})
        : dataRoot_(dataRoot) {
        const QString ini = QFileInfo(dataRoot).absolutePath() + QStringLiteral("/notes.ini");
        QFile file(ini);
        if (!file.open(QIODevice::WriteOnly)) ADD_FAILURE() << "cannot write " << ini.toStdString();
        file.write("[Notes]\r\nDirectory=" + QFileInfo(dataRoot).absoluteFilePath().toUtf8() +
                   "\r\n");
        file.close();
        process_.setProcessChannelMode(QProcess::ForwardedChannels);
        process_.start(QStringLiteral(VANTOR_NOTES_CLIENT), QStringList{'=' + ini} + arguments);
        process_.waitForStarted();
        ready_ = waitUntilAnswering();
        if (!ready_)
            ADD_FAILURE() << "the notes client did not start on " << dataRoot.toStdString();
    }
    ~RunningClient() {
        process_.terminate();
        if (!process_.waitForFinished(10000)) {
            process_.kill();
            process_.waitForFinished();
        }
    }

    bool ready() const { return ready_; }
    QProcess& process() { return process_; }

    // What the client's frontmost window shows.
    QMap<QString, QString> currentWindow() const {
        return notes::ClientChannel(dataRoot_).call(notes::protocol::CurrentWindow{});
    }

  private:
    bool waitUntilAnswering() {
        const auto answers = [this] {
            try {
                currentWindow();
                return true;
            } catch (const Failure&) {
                return false;
            }
        };
        const auto ended = [this] { return process_.state() == QProcess::NotRunning; };
        return QTest::qWaitFor([&] { return ended() || answers(); }, 60000) && !ended();
    }

    QString dataRoot_;
    QProcess process_;
    bool ready_ = false;
};

}  // namespace vantor::test
