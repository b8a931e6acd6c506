#pragma once
// The mail client's main window, titled "Lotus Notes": one window tab per
// thing opened, the workspace page of databases first, as the real client
// shows them. Memos and views opened by the program land here too, and the
// frame comes to the front for them.
//
// Child object name: "tabs" (the tab widget).
#include <QMainWindow>

#include "client/frame_workspace.h"
#include "notes/notes.h"

class QTabWidget;

namespace vantor::client {

class DatabaseWindow;
class Page;
class WorkspacePage;

class ClientFrame : public QMainWindow {
    Q_OBJECT
  public:
    // `client` must outlive the frame.
    ClientFrame(notes::Client& client, QString dataRoot);

    FrameWorkspace& workspace() { return workspace_; }

    // Adds the page as a new tab, shows it and brings the frame forward.
    void addPage(QWidget* page);
    void showPage(QWidget* page);
    // The tab showing that database, or null.
    DatabaseWindow* findDatabasePage(const QString& server, const QString& file) const;
    // The tab in front.
    const Page* currentPage() const;

    // Restores the frame when minimised, raises and activates it.
    void bringToFront();

  private:
    void createActions();
    void createTabs();
    // Runs a user's command; a failure is shown in an "ERREUR" box.
    template <typename Action>
    void guarded(Action&& action);

    FrameWorkspace workspace_;
    QString dataRoot_;
    QTabWidget* tabs_;
    WorkspacePage* workspacePage_;
};

}  // namespace vantor::client
