#include "notes/workspace/database_window.h"

#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "notes/workspace/document_window.h"
#include "notes/workspace/view_listing.h"

namespace vantor::notes {
namespace {

QString headerLine(const Database& database, const View& view, bool truncated) {
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

DatabaseWindow::DatabaseWindow(SessionPtr session, DatabasePtr database, ViewPtr view)
    : session_(std::move(session)), database_(std::move(database)), view_(std::move(view)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Lotus Notes"));
    resize(800, 500);

    const ViewListing listing = listDocuments(*view_);

    auto* header = new QLabel(headerLine(*database_, *view_, listing.truncated));
    header->setObjectName(QStringLiteral("header"));

    auto* list = new QTreeWidget;
    list->setObjectName(QStringLiteral("documents"));
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setHeaderLabels({QStringLiteral("De"), QStringLiteral("Objet"), QStringLiteral("Date")});
    list->header()->setSectionResizeMode(1, QHeaderView::Stretch);
    list->header()->setStretchLastSection(false);

    QList<QTreeWidgetItem*> rows;
    rows.reserve(static_cast<qsizetype>(listing.documents.size()));
    documents_.reserve(listing.documents.size());
    for (const ListedDocument& d : listing.documents) {
        rows.append(new QTreeWidgetItem(
            {d.from, d.subject, d.created.toString(QStringLiteral("dd/MM/yyyy HH:mm"))}));
        documents_.push_back(d.document);
    }
    list->addTopLevelItems(rows);
    connect(list, &QTreeWidget::itemDoubleClicked, this,
            [this, list](QTreeWidgetItem* item) { openDocument(list->indexOfTopLevelItem(item)); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(header);
    layout->addWidget(list, 1);
}

DocumentWindow* DatabaseWindow::openDocument(int row) {
    if (row < 0 || row >= static_cast<int>(documents_.size())) return nullptr;
    auto* window = new DocumentWindow(documents_[static_cast<size_t>(row)], false);
    window->show();
    return window;
}

}  // namespace vantor::notes
