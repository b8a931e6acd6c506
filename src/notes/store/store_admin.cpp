#include "notes/store/store_admin.h"

#include <QDir>
#include <QFileInfo>

#include "notes/store/store_codes.h"

namespace vantor::store {

StoreAdmin::StoreAdmin(QString dataRoot) : root_(std::move(dataRoot)) {}

void StoreAdmin::setUser(const QString& userName, const QString& password, const QString& mailServer,
                         const QString& mailFile) {
    if (!QDir().mkpath(root_.path()))
        throw Failure(code::kCannotWriteFile, QStringLiteral("Impossible de créer le dossier %1.").arg(root_.path()));
    if (!mailFile.isEmpty()) fileNameParts(mailServer, mailFile);
    saveIdentity(root_.identityPath(), Identity::create(userName, password, mailServer, mailFile));
}

std::optional<Identity> StoreAdmin::user() const { return loadIdentity(root_.identityPath()); }

void StoreAdmin::createServer(const QString& server) {
    checkServerName(server);
    const QString folder = root_.serverFolder(server);
    if (!QDir().mkpath(folder))
        throw Failure(code::kCannotWriteFile, QStringLiteral("Impossible de créer le dossier %1.").arg(folder));
}

void StoreAdmin::setServerDown(const QString& server, bool down) {
    checkServerName(server);
    if (isLocalServer(server))
        throw Failure(code::kBadServerName, QStringLiteral("Ce poste ne peut pas être mis hors service."));
    root_.setServerDown(server, down);
}

QStringList StoreAdmin::servers() const {
    QStringList names;
    const QStringList folders = QDir(root_.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& folder : folders) names << serverNameFromFolder(folder);
    return names;
}

std::shared_ptr<LocalDatabase> StoreAdmin::create(const QString& server, const QString& file,
                                                  const QStringList& accessList, const std::vector<NewView>& views) {
    checkServerName(server);
    fileNameParts(server, file);
    if (!root_.findFile(server, file).isEmpty())
        throw Failure(code::kDatabaseExists,
                      QStringLiteral("La base « %1 » existe déjà %2.").arg(file, placeText(server)));
    createServer(server);
    const QString path = root_.pathForNewFile(server, file);
    if (QFileInfo::exists(path))
        throw Failure(code::kDatabaseExists,
                      QStringLiteral("Le chemin %1 est déjà occupé.").arg(path));
    try {
        MailFile::create(path, Place{server, file}, file, accessList, views);
    } catch (...) {
        QFile::remove(path);  // never leave a half-made database behind
        QFile::remove(path + QStringLiteral("-wal"));
        QFile::remove(path + QStringLiteral("-shm"));
        throw;
    }
    return open(server, file);
}

std::shared_ptr<LocalDatabase> StoreAdmin::createMailbox(const QString& server, const QString& file,
                                                         const QStringList& accessList) {
    return create(server, file, accessList,
                  {{QStringLiteral("($All)"), false},
                   {QStringLiteral("($Inbox)"), true},
                   {QStringLiteral("($Sent)"), true},
                   {QStringLiteral("($Drafts)"), true},
                   {QStringLiteral("($Trash)"), true}});
}

std::shared_ptr<LocalDatabase> StoreAdmin::createDatabase(const QString& server, const QString& file,
                                                          const QStringList& accessList) {
    return create(server, file, accessList, {{QStringLiteral("($All)"), false}});
}

std::shared_ptr<LocalDatabase> StoreAdmin::open(const QString& server, const QString& file) const {
    return LocalDatabase::openAsManager(root_, server, file);
}

void StoreAdmin::grant(const QString& server, const QString& file, const QString& userName) {
    open(server, file)->mailFile()->grant(userName);
}

void StoreAdmin::createFolder(const QString& server, const QString& file, const QString& folder) {
    open(server, file)->mailFile()->createFolder(folder);
}

}  // namespace vantor::store
