#include "client/database_window.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "client/view_listing.h"

namespace vantor::client {
namespace {

QString headerLine(const notes::Database& database, const notes::View& view, bool truncated) {
    QString line =
        view.isFolder() ? QStringLiteral("Dossier « %1 »") : QStringLiteral("Vue « %1 »");
    line = line.arg(view.name());
    line += QStringLiteral(" — base %1").arg(database.filePath());
    if (!database.server().isEmpty()) line += QStringLiteral(" sur %1").arg(database.server());
    if (truncated)
        line += QStringLiteral(" — seuls les %1 premiers documents sont affichés")
                    .arg(kMaxListedDocuments);
    return line;
}

}  // namespace

DatabaseWindow::DatabaseWindow(notes::SessionPtr session, notes::DatabasePtr database,
                               notes::ViewPtr view)
    : session_(std::move(session)),
      database_(std::move(database)),
      views_(new QListWidget),
      header_(new QLabel),
      list_(new QTreeWidget) {
    setAttribute(Qt::WA_DeleteOnClose);
    createViewList();

    header_->setObjectName(QStringLiteral("header"));
    list_->setObjectName(QStringLiteral("documents"));
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setHeaderLabels({QStringLiteral("De"), QStringLiteral("Objet"), QStringLiteral("Date")});
    list_->header()->setSectionResizeMode(1, QHeaderView::Stretch);
    list_->header()->setStretchLastSection(false);
    connect(list_, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item) { openDocument(list_->indexOfTopLevelItem(item)); });

    auto* right = new QVBoxLayout;
    right->addWidget(header_);
    right->addWidget(list_, 1);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(views_);
    layout->addLayout(right, 1);

    listView(std::move(view));
}

void DatabaseWindow::createViewList() {
    views_->setObjectName(QStringLiteral("views"));
    views_->setMaximumWidth(220);
    for (const notes::ViewPtr& v : database_->views()) views_->addItem(v->name());
    connect(views_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        try {
            showView(item->text());
        } catch (const Failure& failure) {
            QMessageBox::critical(this, QStringLiteral("ERREUR"), failure.description());
        }
    });
}

void DatabaseWindow::listView(notes::ViewPtr view) {
    const ViewListing listing = listDocuments(*view);
    view_ = std::move(view);
    setWindowTitle(view_->name());
    header_->setText(headerLine(*database_, *view_, listing.truncated));

    list_->clear();
    documents_.clear();
    QList<QTreeWidgetItem*> rows;
    rows.reserve(static_cast<qsizetype>(listing.documents.size()));
    documents_.reserve(listing.documents.size());
    for (const ListedDocument& d : listing.documents) {
        rows.append(new QTreeWidgetItem(
            {d.from, d.subject, d.created.toString(QStringLiteral("dd/MM/yyyy HH:mm"))}));
        documents_.push_back(d.document);
    }
    list_->addTopLevelItems(rows);
    for (int i = 0; i < views_->count(); ++i)
        if (views_->item(i)->text().compare(view_->name(), Qt::CaseInsensitive) == 0)
            views_->setCurrentRow(i);
}

bool DatabaseWindow::showView(const QString& name) {
    notes::ViewPtr view = database_->getView(name);
    if (!view) return false;
    listView(std::move(view));
    return true;
}

bool DatabaseWindow::openDocument(int row) {
    if (row < 0 || row >= static_cast<int>(documents_.size())) return false;
    emit documentRequested(documents_[static_cast<size_t>(row)]);
    return true;
}

QString DatabaseWindow::viewName() const {
    return view_->name();
}

QMap<QString, QString> DatabaseWindow::fields() const {
    QStringList subjects;
    for (int i = 0; i < list_->topLevelItemCount(); ++i)
        subjects << list_->topLevelItem(i)->text(1);
    return {{QStringLiteral("Window"), QStringLiteral("View")},
            {QStringLiteral("Server"), database_->server()},
            {QStringLiteral("File"), database_->filePath()},
            {QStringLiteral("View"), view_->name()},
            {QStringLiteral("Subjects"), subjects.join(QLatin1Char('\n'))}};
}

}  // namespace vantor::client
