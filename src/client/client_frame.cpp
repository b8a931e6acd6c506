#include "client/client_frame.h"

#include <QMenuBar>
#include <QMessageBox>
#include <QTabBar>
#include <QTabWidget>

#include "client/database_window.h"
#include "client/workspace_page.h"
#include "notes/store/store_paths.h"

namespace vantor::client {

ClientFrame::ClientFrame(notes::Client& client, QString dataRoot)
    : workspace_(*this, client),
      dataRoot_(std::move(dataRoot)),
      tabs_(new QTabWidget),
      workspacePage_(new WorkspacePage(dataRoot_)) {
    setWindowTitle(QStringLiteral("Lotus Notes"));
    resize(900, 600);
    createTabs();
    createActions();
}

void ClientFrame::createTabs() {
    tabs_->setObjectName(QStringLiteral("tabs"));
    tabs_->setDocumentMode(true);
    tabs_->setTabsClosable(true);
    tabs_->addTab(workspacePage_, workspacePage_->windowTitle());
    // The workspace stays: it is where everything else is opened from.
    tabs_->tabBar()->setTabButton(0, QTabBar::RightSide, nullptr);
    tabs_->tabBar()->setTabButton(0, QTabBar::LeftSide, nullptr);
    connect(tabs_, &QTabWidget::tabCloseRequested, this, [this](int index) {
        if (index > 0) tabs_->widget(index)->close();
    });
    connect(
        workspacePage_, &WorkspacePage::databaseRequested, this,
        [this](const QString& server, const QString& file) {
            guarded([&] { workspace_.openDatabase(server, file, QString(), QString(), false); });
        });
    setCentralWidget(tabs_);
}

void ClientFrame::createActions() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&Fichier"));
    QAction* memo = file->addAction(QStringLiteral("&Nouveau mémo"), this, [this] {
        guarded([&] { workspace_.editDocument(true, {}); });
    });
    memo->setShortcut(QKeySequence::New);
    QAction* refresh =
        file->addAction(QStringLiteral("&Actualiser"), this, [this] { workspacePage_->refresh(); });
    refresh->setShortcut(QKeySequence::Refresh);
    QAction* closeTab = file->addAction(QStringLiteral("Fermer l'onglet"), this, [this] {
        if (tabs_->currentIndex() > 0) tabs_->currentWidget()->close();
    });
    closeTab->setShortcut(QKeySequence::Close);
    file->addSeparator();
    QAction* quit = file->addAction(QStringLiteral("&Quitter"), this, &QWidget::close);
    quit->setShortcut(QKeySequence::Quit);
}

template <typename Action>
void ClientFrame::guarded(Action&& action) {
    try {
        action();
    } catch (const Failure& failure) {
        QMessageBox::critical(this, QStringLiteral("ERREUR"), failure.description());
    }
}

void ClientFrame::addPage(QWidget* page) {
    tabs_->addTab(page, page->windowTitle());
    connect(page, &QWidget::windowTitleChanged, this,
            [this, page](const QString& title) { tabs_->setTabText(tabs_->indexOf(page), title); });
    showPage(page);
}

void ClientFrame::showPage(QWidget* page) {
    tabs_->setCurrentWidget(page);
    bringToFront();
}

DatabaseWindow* ClientFrame::findDatabasePage(const QString& server, const QString& file) const {
    for (int i = 1; i < tabs_->count(); ++i) {
        auto* page = qobject_cast<DatabaseWindow*>(tabs_->widget(i));
        if (!page) continue;
        const bool sameServer =
            store::isLocalServer(server)
                ? store::isLocalServer(page->database().server())
                : page->database().server().compare(server, Qt::CaseInsensitive) == 0;
        const QString shownFile = QString(page->database().filePath()).replace('/', '\\');
        if (sameServer &&
            shownFile.compare(QString(file).replace('/', '\\'), Qt::CaseInsensitive) == 0)
            return page;
    }
    return nullptr;
}

const Page* ClientFrame::currentPage() const {
    return dynamic_cast<const Page*>(tabs_->currentWidget());
}

void ClientFrame::bringToFront() {
    if (isMinimized()) setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

}  // namespace vantor::client
