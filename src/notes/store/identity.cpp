#include "notes/store/identity.h"

#include <QCryptographicHash>
#include <QFile>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QStringList>

#include "notes/store/regular_file.h"
#include "notes/store/store_codes.h"
#include "platform/failure.h"

namespace vantor::store {

namespace {

const QString kHeader = QStringLiteral("[Identite]");
constexpr int kHashRounds = 1000;

QByteArray hashPassword(const QByteArray& salt, const QString& password) {
    QByteArray digest = salt + password.toUtf8();
    for (int i = 0; i < kHashRounds; ++i)
        digest = QCryptographicHash::hash(salt + digest, QCryptographicHash::Sha256);
    return digest;
}

bool holdsLineBreak(const QString& text) {
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
}

Failure unreadable(const QString& path, const QString& why) {
    return Failure(code::kIdentityUnreadable,
                   QStringLiteral("Le fichier d'identification %1 est illisible : %2.").arg(path, why));
}

}  // namespace

Identity Identity::create(const QString& userName, const QString& password,
                          const QString& mailServer, const QString& mailFile) {
    if (userName.trimmed().isEmpty() || holdsLineBreak(userName) || holdsLineBreak(mailServer) ||
        holdsLineBreak(mailFile))
        throw Failure(code::kIdentityUnreadable,
                      QStringLiteral("Le nom d'utilisateur « %1 » n'est pas valide.").arg(userName));
    Identity id;
    id.userName = userName;
    id.mailServer = mailServer;
    id.mailFile = mailFile;
    id.salt.resize(16);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(id.salt.data()), 4);
    id.passwordHash = hashPassword(id.salt, password);
    return id;
}

bool Identity::passwordMatches(const QString& password) const {
    return hashPassword(salt, password) == passwordHash;
}

std::optional<Identity> loadIdentity(const QString& path) {
    QFile file;
    FileCheck check = FileCheck::Unreadable;
    if (!openRegularForReading(file, path, &check)) {
        if (check == FileCheck::Missing) return std::nullopt;
        throw unreadable(path, fileCheckText(check));
    }
    if (file.size() > 64 * 1024) throw unreadable(path, QStringLiteral("fichier trop grand"));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    if (lines.isEmpty() || lines.first().trimmed() != kHeader)
        throw unreadable(path, QStringLiteral("en-tête absent"));

    Identity id;
    for (const QString& raw : lines.mid(1)) {
        const QString line = raw.endsWith(QLatin1Char('\r')) ? raw.chopped(1) : raw;
        if (line.isEmpty()) continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0) throw unreadable(path, QStringLiteral("ligne incorrecte « %1 »").arg(line));
        const QString key = line.left(eq);
        const QString value = line.mid(eq + 1);
        if (key == QLatin1String("Nom")) id.userName = value;
        else if (key == QLatin1String("ServeurCourrier")) id.mailServer = value;
        else if (key == QLatin1String("FichierCourrier")) id.mailFile = value;
        else if (key == QLatin1String("Sel")) id.salt = QByteArray::fromHex(value.toLatin1());
        else if (key == QLatin1String("Empreinte")) id.passwordHash = QByteArray::fromHex(value.toLatin1());
    }
    if (id.userName.isEmpty()) throw unreadable(path, QStringLiteral("nom d'utilisateur absent"));
    if (id.salt.isEmpty() || id.passwordHash.size() != 32)
        throw unreadable(path, QStringLiteral("mot de passe absent"));
    return id;
}

void saveIdentity(const QString& path, const Identity& id) {
    QString text = kHeader + QLatin1Char('\n');
    text += QStringLiteral("Nom=%1\n").arg(id.userName);
    text += QStringLiteral("ServeurCourrier=%1\n").arg(id.mailServer);
    text += QStringLiteral("FichierCourrier=%1\n").arg(id.mailFile);
    text += QStringLiteral("Sel=%1\n").arg(QString::fromLatin1(id.salt.toHex()));
    text += QStringLiteral("Empreinte=%1\n").arg(QString::fromLatin1(id.passwordHash.toHex()));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 || !file.commit())
        throw Failure(code::kCannotWriteFile,
                      QStringLiteral("Impossible d'écrire le fichier d'identification %1.").arg(path));
}

}  // namespace vantor::store
