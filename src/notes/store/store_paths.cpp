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
const QString kIdentityFile = QStringLiteral("user.id");
// Servers marked down are listed in a folder of the root: its leading dot
// keeps it apart from every server folder (a leading dot is encoded there),
// and so from every database file name.
const QString kDownFolder = QStringLiteral(".offline");
// Earlier versions marked a server down with this empty file in its folder,
// where it could be confused with a database of that name.
const QString kLegacyDownMarker = QStringLiteral("offline");
// SQLite keeps its journal beside a database under its name and a suffix.
const QStringList kJournalSuffixes{QStringLiteral("-wal"), QStringLiteral("-shm"),
                                   QStringLiteral("-journal")};

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

bool isJournalName(const QString& part) {
    for (const QString& suffix : kJournalSuffixes)
        if (part.endsWith(suffix, Qt::CaseInsensitive)) return true;
    return false;
}

// The empty regular file an earlier version left as a down marker: a file
// with content there is a database, never a marker.
bool isLegacyDownMarker(const QString& path) {
    const QFileInfo info(path);
    return info.isFile() && !info.isSymLink() && info.size() == 0;
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
    if (serverFolderName(server) == kIdentityFile)
        throw Failure(code::kBadServerName,
                      QStringLiteral("Le nom de serveur « %1 » est réservé par la base locale "
                                     "(fichier d'identification).")
                          .arg(server));
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
        if (isJournalName(part))
            throw refuse(
                QStringLiteral("les noms finissant par %1 sont réservés aux journaux des bases")
                    .arg(kJournalSuffixes.join(QStringLiteral(", "))));
        parts << part;
    }
    if (parts.isEmpty()) throw refuse(QStringLiteral("il ne nomme aucun fichier"));
    return parts;
}

DataRoot::DataRoot(QString root) : root_(std::move(root)) {}

QString DataRoot::identityPath() const { return QDir(root_).filePath(kIdentityFile); }

QString DataRoot::serverFolder(const QString& server) const {
    return QDir(root_).filePath(serverFolderName(server));
}

bool DataRoot::serverExists(const QString& server) const {
    return QFileInfo(serverFolder(server)).isDir();
}

QString DataRoot::downMarker(const QString& server) const {
    return QDir(root_).filePath(kDownFolder + QLatin1Char('/') + serverFolderName(server));
}

QString DataRoot::legacyDownMarker(const QString& server) const {
    return QDir(serverFolder(server)).filePath(kLegacyDownMarker);
}

bool DataRoot::serverDown(const QString& server) const {
    if (isLocalServer(server)) return false;
    return QFileInfo(downMarker(server)).exists() || isLegacyDownMarker(legacyDownMarker(server));
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
    const QString marker = downMarker(server);
    if (down && !QFileInfo(marker).exists()) {
        const QString folder = QFileInfo(marker).path();
        QFile f(marker);
        if (!QDir().mkpath(folder) || !f.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            throw Failure(code::kCannotWriteFile,
                          QStringLiteral("Impossible de créer le fichier %1.").arg(marker));
    } else if (!down && QFileInfo(marker).exists() && !QFile::remove(marker)) {
        throw Failure(code::kCannotWriteFile,
                      QStringLiteral("Impossible de supprimer le fichier %1.").arg(marker));
    }
    // The marker of an earlier version goes either way (the new one now says
    // it all), and only while it is still the empty file that version made.
    const QString legacy = legacyDownMarker(server);
    if (isLegacyDownMarker(legacy) && !QFile::remove(legacy))
        throw Failure(code::kCannotWriteFile,
                      QStringLiteral("Impossible de supprimer le fichier %1.").arg(legacy));
}

QString DataRoot::findFile(const QString& server, const QString& file) const {
    const QStringList parts = fileNameParts(server, file);
    QString folder = serverFolder(server);
    for (int i = 0; i < parts.size(); ++i) {
        const QString entry = matchEntry(folder, parts[i]);
        if (entry.isEmpty()) return QString();
        folder = QDir(folder).filePath(entry);
        const QFileInfo info(folder);
        // The last name may be any kind of file: opening refuses what is not
        // a regular file with its own message.
        const bool last = i == parts.size() - 1;
        if (last ? info.isDir() : !info.isDir()) return QString();
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
