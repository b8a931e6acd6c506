#include "client/frame_workspace.h"

#include <QMessageBox>
#include <QTemporaryDir>

#include "client/client_frame.h"
#include "client/database_window.h"
#include "client/document_window.h"
#include "client/memo_draft.h"
#include "notes/workspace/workspace_codes.h"

namespace vantor::client {
namespace {

QString whereabouts(const QString& server, const QString& file) {
    return server.isEmpty() ? QStringLiteral("« %1 » sur ce poste").arg(file)
                            : QStringLiteral("« %1 » sur le serveur « %2 »").arg(file, server);
}

notes::DatabasePtr openOrFail(notes::Session& session, const QString& server, const QString& file) {
    try {
        notes::DatabasePtr database = session.getDbDirectory(server)->openDatabase(file, false);
        if (database && database->isOpen()) return database;
    } catch (const Failure& failure) {
        throw Failure(notes::workspace_code::kDatabaseNotOpen,
                      QStringLiteral("Impossible d'ouvrir la base %1 : %2")
                          .arg(whereabouts(server, file), failure.description()));
    }
    throw Failure(notes::workspace_code::kDatabaseNotOpen,
                  QStringLiteral("Impossible d'ouvrir la base %1.").arg(whereabouts(server, file)));
}

notes::ViewPtr viewOrFail(notes::Database& database, const QString& name, const QString& server,
                          const QString& file) {
    notes::ViewPtr view;
    if (!name.isEmpty()) {
        view = database.getView(name);
    } else {
        view = database.getView(QStringLiteral("($Inbox)"));
        if (!view) {
            const std::vector<notes::ViewPtr> all = database.views();
            if (!all.empty()) view = all.front();
        }
    }
    if (!view)
        throw Failure(notes::workspace_code::kViewNotFound,
                      QStringLiteral("La vue ou le dossier « %1 » n'existe pas dans la base %2.")
                          .arg(name, whereabouts(server, file)));
    return view;
}

}  // namespace

void FrameWorkspace::editDocument(bool editMode,
                                  const std::vector<notes::protocol::ItemData>& items) {
    std::shared_ptr<notes::Session> session = client_.createClientSession();
    notes::DatabasePtr mailbox = session->getDatabase(QString(), QString());
    mailbox->openMail();
    // The attachments' copies stay with the memo until it is sent or closed.
    auto files = std::make_shared<QTemporaryDir>();
    if (!files->isValid())
        throw Failure(notes::workspace_code::kNotSaved,
                      QStringLiteral("Impossible de créer un dossier temporaire : %1.")
                          .arg(files->errorString()));
    notes::DocumentPtr draft = buildDraft(*mailbox, items, files->path());
    DocumentWindow::Sender sender;
    if (editMode)
        sender = [session, mailbox, files](notes::Document& memo) {
            sendMemo(*session, *mailbox, memo);
        };
    frame_.addPage(new DocumentWindow(std::move(draft), std::move(sender)));
}

void FrameWorkspace::readDocument(const notes::DocumentPtr& document) {
    if (!document)
        throw Failure(notes::workspace_code::kNoDocument,
                      QStringLiteral("Aucun document à ouvrir."));
    frame_.addPage(new DocumentWindow(document));
}

void FrameWorkspace::openDatabase(const QString& server, const QString& file, const QString& view,
                                  const QString& /*key*/, bool newInstance) {
    if (!newInstance) {
        if (DatabaseWindow* shown = frame_.findDatabasePage(server, file)) {
            if (!view.isEmpty() && !shown->showView(view))
                throw Failure(
                    notes::workspace_code::kViewNotFound,
                    QStringLiteral("La vue ou le dossier « %1 » n'existe pas dans la base %2.")
                        .arg(view, whereabouts(server, file)));
            frame_.showPage(shown);
            return;
        }
    }
    notes::SessionPtr session = client_.createClientSession();
    notes::DatabasePtr database = openOrFail(*session, server, file);
    notes::ViewPtr shown = viewOrFail(*database, view, server, file);
    auto* page = new DatabaseWindow(std::move(session), std::move(database), std::move(shown));
    QObject::connect(
        page, &DatabaseWindow::documentRequested, page, [this, page](const notes::DocumentPtr& d) {
            try {
                readDocument(d);
            } catch (const Failure& failure) {
                QMessageBox::critical(page, QStringLiteral("ERREUR"), failure.description());
            }
        });
    frame_.addPage(page);
}

}  // namespace vantor::client
