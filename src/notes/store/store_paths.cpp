#include "notes/store/store_paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "notes/store/store_codes.h"
#include "platform/failure.h"

namespace vantor::store {

namespace {

constexpr int kMaxNameLength = 255;
const QString kLocalFolder = QStringLiteral("local");
const QString kDownMarker = QStringLiteral("offline");

bool hasControlCharacter(const QString& text) {
    for (QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) return true;
    return false;
}

bool isPlainByte(char c, bool first) {
    if (c >= 'a' && c <= 'z') return true;
    if (c >= '0' && c <= '9') return true;
    if (c == '_' || c == '-') return true;
    return c == '.' && !first;
}

// The entry of `folder` whose name matches `name` without regard to case,
// preferring an exact match; "" when none.
QString matchEntry(const QString& folder, const QString& name) {
    QDir dir(folder);
    if (QFileInfo::exists(dir.filePath(name))) return name;
    const QStringList entries = dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                              QDir::NoDotAndDotDot);
    for (const QString& entry : entries)
        if (entry.compare(name, Qt::CaseInsensitive) == 0) return entry;
    return QString();
}

}  // namespace

bool isLocalServer(const QString& server) {
    return server.isEmpty() || server.compare(kLocalFolder, Qt::CaseInsensitive) == 0;
}

QString placeText(const QString& server) {
    return isLocalServer(server) ? QStringLiteral("sur ce poste")
                                 : QStringLiteral("sur le serveur %1").arg(server);
}

QString serverFolderName(const QString& server) {
    if (isLocalServer(server)) return kLocalFolder;
    const QByteArray bytes = server.toLower().toUtf8();
    QString out;
    for (int i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (isPlainByte(c, i == 0))
            out += QLatin1Char(c);
        else
            out += QStringLiteral("%%1").arg(static_cast<unsigned char>(c), 2, 16, QLatin1Char('0'));
    }
    return out;
}

QString serverNameFromFolder(const QString& folderName) {
    return QString::fromUtf8(QByteArray::fromPercentEncoding(folderName.toLatin1()));
}

void checkServerName(const QString& server) {
    if (server.size() > kMaxNameLength || hasControlCharacter(server))
        throw Failure(code::kBadServerName,
                      QStringLiteral("Le nom de serveur « %1 » n'est pas valide.").arg(server));
}

QStringList fileNameParts(const QString& server, const QString& file) {
    auto refuse = [&](const QString& why) {
        return Failure(code::kBadFileName,
                       QStringLiteral("Le nom de base « %1 » %2 n'est pas valide : %3.")
                           .arg(file, placeText(server), why));
    };
    if (file.trimmed().isEmpty()) throw refuse(QStringLiteral("il est vide"));
    if (file.size() > 1024) throw refuse(QStringLiteral("il est trop long"));
    if (file.contains(QChar(0)) || hasControlCharacter(file))
        throw refuse(QStringLiteral("il contient des caractères de contrôle"));
    if (file.startsWith(QLatin1Char('\\')) || file.startsWith(QLatin1Char('/')))
        throw refuse(QStringLiteral("un chemin absolu n'est pas admis"));
    if (file.contains(QLatin1Char(':')))
        throw refuse(QStringLiteral("une lettre de lecteur n'est pas admise"));
    if (file.endsWith(QLatin1Char('\\')) || file.endsWith(QLatin1Char('/')))
        throw refuse(QStringLiteral("il désigne un dossier"));

    QString normalised = file;
    normalised.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QStringList parts;
    for (const QString& part : normalised.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part == QLatin1String("..")) throw refuse(QStringLiteral("il remonte au-dessus du dossier du serveur"));
        if (part == QLatin1String(".")) continue;
        if (part.size() > kMaxNameLength) throw refuse(QStringLiteral("un de ses noms est trop long"));
        parts << part;
    }
    if (parts.isEmpty()) throw refuse(QStringLiteral("il ne nomme aucun fichier"));
    return parts;
}

DataRoot::DataRoot(QString root) : root_(std::move(root)) {}

QString DataRoot::identityPath() const { return QDir(root_).filePath(QStringLiteral("user.id")); }

QString DataRoot::serverFolder(const QString& server) const {
    return QDir(root_).filePath(serverFolderName(server));
}

bool DataRoot::serverExists(const QString& server) const {
    return QFileInfo(serverFolder(server)).isDir();
}

bool DataRoot::serverDown(const QString& server) const {
    return QFileInfo::exists(QDir(serverFolder(server)).filePath(kDownMarker));
}

void DataRoot::checkReachable(const QString& server, const QString& file) const {
    if (isLocalServer(server)) return;
    if (!serverExists(server))
        throw Failure(code::kServerUnreachable,
                      QStringLiteral("Le serveur %1 est introuvable : impossible d'ouvrir la base « %2 ».")
                          .arg(server, file));
    if (serverDown(server))
        throw Failure(code::kServerUnreachable,
                      QStringLiteral("Le serveur %1 ne répond pas : impossible d'ouvrir la base « %2 ».")
                          .arg(server, file));
}

void DataRoot::setServerDown(const QString& server, bool down) const {
    if (!serverExists(server))
        throw Failure(code::kServerUnreachable,
                      QStringLiteral("Le serveur %1 n'existe pas.").arg(server));
    const QString marker = QDir(serverFolder(server)).filePath(kDownMarker);
    if (down) {
        QFile f(marker);
        if (!f.open(QIODevice::WriteOnly))
            throw Failure(code::kCannotWriteFile,
                          QStringLiteral("Impossible de créer le fichier %1.").arg(marker));
    } else if (QFileInfo::exists(marker) && !QFile::remove(marker)) {
        throw Failure(code::kCannotWriteFile,
                      QStringLiteral("Impossible de supprimer le fichier %1.").arg(marker));
    }
}

QString DataRoot::findFile(const QString& server, const QString& file) const {
    const QStringList parts = fileNameParts(server, file);
    QString folder = serverFolder(server);
    for (int i = 0; i < parts.size(); ++i) {
        const QString entry = matchEntry(folder, parts[i]);
        if (entry.isEmpty()) return QString();
        folder = QDir(folder).filePath(entry);
        const QFileInfo info(folder);
        const bool last = i == parts.size() - 1;
        if (last ? !info.isFile() : !info.isDir()) return QString();
    }
    return folder;
}

QString DataRoot::pathForNewFile(const QString& server, const QString& file) const {
    const QStringList parts = fileNameParts(server, file);
    QString folder = serverFolder(server);
    for (int i = 0; i < parts.size(); ++i) {
        const QString entry = matchEntry(folder, parts[i]);
        const QString next = QDir(folder).filePath(entry.isEmpty() ? parts[i] : entry);
        if (i < parts.size() - 1 && !QFileInfo(next).isDir() && !QDir().mkpath(next))
            throw Failure(code::kCannotWriteFile,
                          QStringLiteral("Impossible de créer le dossier %1.").arg(next));
        folder = next;
    }
    return folder;
}

}  // namespace vantor::store
