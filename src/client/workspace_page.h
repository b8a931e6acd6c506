#pragma once
// The client's first window tab: the databases of the data folder, one
// branch per server ("Ce poste" for this machine). Activating a database
// asks for it (databaseRequested).
//
// Child object name: "databases" (the tree).
#include <QWidget>

#include "client/page.h"

class QTreeWidget;

namespace vantor::client {

class WorkspacePage : public QWidget, public Page {
    Q_OBJECT
  public:
    explicit WorkspacePage(QString dataRoot);

    // Lists the folders anew.
    void refresh();
    QMap<QString, QString> fields() const override;

  signals:
    void databaseRequested(const QString& server, const QString& file);

  private:
    QString dataRoot_;
    QTreeWidget* tree_;
};

}  // namespace vantor::client
