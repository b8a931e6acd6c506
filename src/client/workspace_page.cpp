#include "client/workspace_page.h"

#include <QHeaderView>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "client/database_list.h"

namespace vantor::client {
namespace {

constexpr int kServerRole = Qt::UserRole;
constexpr int kFileRole = Qt::UserRole + 1;

}  // namespace

WorkspacePage::WorkspacePage(QString dataRoot)
    : dataRoot_(std::move(dataRoot)), tree_(new QTreeWidget) {
    setWindowTitle(QStringLiteral("Espace de travail"));
    tree_->setObjectName(QStringLiteral("databases"));
    tree_->setHeaderHidden(true);
    connect(tree_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        const QString file = item->data(0, kFileRole).toString();
        if (!file.isEmpty()) emit databaseRequested(item->data(0, kServerRole).toString(), file);
    });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tree_);
    refresh();
}

void WorkspacePage::refresh() {
    tree_->clear();
    for (const ServerDatabases& server : listDatabases(dataRoot_)) {
        auto* branch = new QTreeWidgetItem(
            {server.server.isEmpty() ? QStringLiteral("Ce poste") : server.server});
        for (const QString& file : server.files) {
            auto* leaf = new QTreeWidgetItem(branch, {file});
            leaf->setData(0, kServerRole, server.server);
            leaf->setData(0, kFileRole, file);
        }
        tree_->addTopLevelItem(branch);
    }
    tree_->expandAll();
}

QMap<QString, QString> WorkspacePage::fields() const {
    QStringList databases;
    for (int i = 0; i < tree_->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* branch = tree_->topLevelItem(i);
        for (int j = 0; j < branch->childCount(); ++j)
            databases << branch->text(0) + QLatin1Char('\t') + branch->child(j)->text(0);
    }
    return {{QStringLiteral("Window"), QStringLiteral("Workspace")},
            {QStringLiteral("Databases"), databases.join(QLatin1Char('\n'))}};
}

}  // namespace vantor::client
