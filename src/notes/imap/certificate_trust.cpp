#include "notes/imap/certificate_trust.h"

#include <QCryptographicHash>
#include <QMutex>
#include <QRegularExpression>
#include <QSet>

#include "platform/env.h"

namespace vantor::imap {

namespace {

QString why(const QList<QSslError>& errors) {
    for (const QSslError& e : errors) {
        switch (e.error()) {
            case QSslError::SelfSignedCertificate:
            case QSslError::SelfSignedCertificateInChain:
            case QSslError::UnableToGetLocalIssuerCertificate:
            case QSslError::UnableToGetIssuerCertificate:
            case QSslError::CertificateUntrusted:
                return QStringLiteral("il n'est signé par aucune autorité reconnue");
            case QSslError::HostNameMismatch:
                return QStringLiteral("il a été établi pour un autre nom de serveur");
            case QSslError::CertificateExpired:
                return QStringLiteral("il a expiré");
            case QSslError::CertificateNotYetValid:
                return QStringLiteral("il n'est pas encore valable");
            case QSslError::CertificateRevoked:
                return QStringLiteral("il a été révoqué");
            default:
                break;
        }
    }
    return errors.isEmpty() ? QStringLiteral("il n'a pas pu être vérifié")
                            : QStringLiteral("il n'a pas pu être vérifié (%1)").arg(errors.first().errorString());
}

// Lines already reported, so that a file read at every connection is
// reported once a run.
bool firstReport(const QString& line) {
    static QMutex mutex;
    static QSet<QString> reported;
    QMutexLocker lock(&mutex);
    if (reported.contains(line)) return false;
    reported.insert(line);
    return true;
}

}  // namespace

QString fingerprintOf(const QSslCertificate& certificate) {
    const QByteArray digest = certificate.digest(QCryptographicHash::Sha256);
    return QString::fromLatin1(digest.toHex(':').toUpper());
}

QStringList trustedFingerprints(Env& env, const QString& file, const QString& hostPort,
                                const std::function<void(const QString&)>& log) {
    QStringList trusted;
    const std::optional<QByteArray> bytes = env.readFile(file);
    if (!bytes) return trusted;
    static const QRegularExpression fingerprint(QStringLiteral("^([0-9A-Fa-f]{2}:){31}[0-9A-Fa-f]{2}$"));
    for (const QByteArray& raw : bytes->split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
        const QStringList fields = line.split(QRegularExpression(QStringLiteral("\\s+")));
        if (fields.size() != 2 || !fingerprint.match(fields[1]).hasMatch() ||
            !fields[0].contains(QLatin1Char(':'))) {
            if (log && firstReport(file + QLatin1Char('\n') + line))
                log(QStringLiteral("Ligne ignorée dans %1 (attendu : SERVEUR:PORT EMPREINTE-SHA256) : %2")
                        .arg(file, line));
            continue;
        }
        if (fields[0].compare(hostPort, Qt::CaseInsensitive) == 0) trusted << fields[1].toUpper();
    }
    return trusted;
}

QString certificateRefusal(const QString& hostPort, const QList<QSslError>& errors,
                           const QString& fingerprint) {
    return QStringLiteral(
               "Le certificat du serveur %1 est refusé : %2. Empreinte SHA-256 : %3. "
               "Pour lui faire confiance, ajoutez au fichier « certificats.txt » la ligne : %1 %3")
        .arg(hostPort, why(errors), fingerprint);
}

}  // namespace vantor::imap
