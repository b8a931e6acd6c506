#include "client/database_list.h"

#include <QDir>
#include <QDirIterator>
#include <algorithm>

#include "notes/store/store_paths.h"

namespace vantor::client {
namespace {

QStringList databasesBelow(const QString& serverFolder) {
    QStringList files;
    const QDir base(serverFolder);
    // Symbolic links are not followed: a link back up would never end.
    QDirIterator it(serverFolder, {QStringLiteral("*.nsf")}, QDir::Files | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        if (it.fileInfo().isSymLink()) continue;
        files << QDir::toNativeSeparators(base.relativeFilePath(it.filePath()))
                     .replace(QLatin1Char('/'), QLatin1Char('\\'));
    }
    std::sort(files.begin(), files.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    return files;
}

}  // namespace

std::vector<ServerDatabases> listDatabases(const QString& dataRoot) {
    std::vector<ServerDatabases> servers;
    const QDir root(dataRoot);
    const QStringList folders = root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& folder : folders) {
        const QString server =
            store::isLocalServer(folder) ? QString() : store::serverNameFromFolder(folder);
        ServerDatabases entry{server, databasesBelow(root.filePath(folder))};
        if (server.isEmpty())
            servers.insert(servers.begin(), std::move(entry));
        else
            servers.push_back(std::move(entry));
    }
    return servers;
}

}  // namespace vantor::client
