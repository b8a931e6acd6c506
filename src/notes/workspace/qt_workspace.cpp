#include "notes/workspace/qt_workspace.h"

namespace vantor::notes {
namespace {

QString whereabouts(const QString& server, const QString& file) {
    return server.isEmpty() ? QStringLiteral("« %1 » sur ce poste").arg(file)
                            : QStringLiteral("« %1 » sur le serveur « %2 »").arg(file, server);
}

void showInFront(QWidget* window) {
    window->show();
    window->raise();
    window->activateWindow();
}

class QtWorkspace : public UIWorkspace {
  public:
    explicit QtWorkspace(Client& client) : client_(client) {}

    void editDocument(bool editMode, const DocumentPtr& document) override {
        if (!document)
            throw Failure(workspace_code::kNoDocument, QStringLiteral("Aucun document à ouvrir."));
        showInFront(new DocumentWindow(document, editMode));
    }

    void openDatabase(const QString& server, const QString& file, const QString& view,
                      const QString& /*key*/, bool /*newInstance*/) override {
        SessionPtr session = client_.createClientSession();
        DatabasePtr database = session->getDatabase(server, file);
        if (!database || !database->isOpen())
            throw Failure(
                workspace_code::kDatabaseNotOpen,
                QStringLiteral("Impossible d'ouvrir la base %1.").arg(whereabouts(server, file)));
        ViewPtr shown = database->getView(view);
        if (!shown)
            throw Failure(
                workspace_code::kViewNotFound,
                QStringLiteral("La vue ou le dossier « %1 » n'existe pas dans la base %2.")
                    .arg(view, whereabouts(server, file)));
        showInFront(new DatabaseWindow(std::move(session), std::move(database), std::move(shown)));
    }

  private:
    Client& client_;
};

}  // namespace

UIWorkspacePtr createQtWorkspace(Client& client) {
    return std::make_unique<QtWorkspace>(client);
}

}  // namespace vantor::notes
