// The stand-in mail client `notes [=NOTES.INI] [--minimized]`: its data
// folder from its notes.ini, one instance per user and data folder, its
// frame minimised when started with --minimized (as the watcher starts it).
#include <QApplication>
#include <QMessageBox>

#include "client/client_frame.h"
#include "client/client_settings.h"
#include "client/workspace_server.h"
#include "notes/store/local_client.h"
#include "notes/workspace/client_channel.h"
#include "platform/qt_platform.h"

int main(int argc, char** argv) {
    vantor::chooseQtPlatform(argc, argv);
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("notes"));
    const bool minimized = app.arguments().contains(QStringLiteral("--minimized"));
    const QString programFolder = QCoreApplication::applicationDirPath();
    const QString root = vantor::client::dataDirectory(
        *vantor::Env::Default(), vantor::client::notesIniPath(app.arguments(), programFolder),
        programFolder);

    // Started again while it runs: the running client comes forward instead.
    try {
        vantor::notes::ClientChannel(root).call(vantor::notes::protocol::Show{});
        return 0;
    } catch (const vantor::Failure&) {
    }

    vantor::store::LocalClient client(root);
    vantor::client::ClientFrame frame(client, root);
    vantor::client::WorkspaceServer server(frame, root);
    QString error;
    using Start = vantor::client::WorkspaceServer::Start;
    Start start = server.listen(&error);
    if (start == Start::AlreadyRunning) {  // started at the same time as this one
        try {
            vantor::notes::ClientChannel(root).call(vantor::notes::protocol::Show{});
            return 0;
        } catch (const vantor::Failure& failure) {
            error = failure.description();
            start = Start::Failed;
        }
    }
    if (start == Start::Failed) {
        QMessageBox::critical(nullptr, QStringLiteral("ERREUR"),
                              QStringLiteral("Lotus Notes ne peut pas attendre les demandes des "
                                             "autres programmes : %1")
                                  .arg(error));
        return 1;
    }
    if (minimized)
        frame.showMinimized();
    else
        frame.show();
    return app.exec();
}
