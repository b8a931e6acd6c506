// Wires the program together: the real OS services, the dialogs, the local
// mail store in the program's folder, the running mail client's workspace,
// the mail servers' client, the client that routes each mailbox to its
// realisation, and the main window.
#include <QApplication>

#include "app/frm_lotus.h"
#include "app/systray.h"
#include "core/error_log.h"
#include "core/modlotus.h"
#include "notes/imap/imap_realisation.h"
#include "notes/routing_client.h"
#include "notes/store/local_client.h"
#include "notes/store/store_paths.h"
#include "notes/workspace/ipc_workspace.h"
#include "platform/gui/qt_dialogs.h"
#include "platform/gui/qt_translations.h"
#include "platform/qt_platform.h"

int main(int argc, char** argv) {
    vantor::chooseQtPlatform(argc, argv);
    QApplication app(argc, argv);
    app.setApplicationName(vantor::kTitre);
    app.setQuitOnLastWindowClosed(false);

    // Settings, log and mail store live beside the executable, whatever the working folder.
    const QString folder = QCoreApplication::applicationDirPath();
    vantor::QtDialogs dialogs;
    // The mail client runs as a program of its own on the same store; its
    // windows are reached over its socket.
    const QString notesData = vantor::joinPath(folder, QStringLiteral("notesdata"));
    vantor::store::LocalClient store(notesData, vantor::notes::ipcWorkspaceFactory(notesData));
    // Each slot's server reaches the realisation that holds it.
    vantor::notes::RoutingClient client(store);
    vantor::ModLOTUS m(vantor::Env::Default(), &dialogs, &client, folder);
    vantor::logLateReplaceFailures(*vantor::Env::Default(), m.cheminLog());
    // A mailbox on a mail server is no file: nothing to compare with an archive.
    m.fichierDeBase = [notesData](const QString& server, const QString& file) {
        if (vantor::imap::isImapServer(server)) return QString();
        return vantor::store::DataRoot(notesData).findFile(server, file);
    };
    // Mailboxes on IMAP servers; the certificates the user trusts deliberately
    // are listed beside the settings.
    client.attach(vantor::imap::imapRealisation(
        {vantor::joinPath(folder, QStringLiteral("certificats.txt")),
         [&m](const QString& line) { m.LogErreur(line); }, vantor::Env::Default()}));
    // Before the first box: Qt's own buttons read in French, as the rest.
    try {
        vantor::installFrenchQtTranslations(app);
    } catch (const vantor::Failure& f) {
        m.LogErreur(f.description());
    }

    vantor::FrmLOTUS window(m);
    window.Form_Load();
    // Started watching on its own: it stays in the tray, as it was asked to.
    if (!window.systray()->iconePresente()) window.show();
    const int exitCode = app.exec();
    vantor::Env::Default()->flushPendingReplacements();
    return exitCode;
}
