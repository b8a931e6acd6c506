#pragma once
// Deliberate trust in one server certificate: a line "HOST:PORT FINGERPRINT"
// in "certificats.txt" (the SHA-256 fingerprint as hex pairs joined by ":").
// Blank lines and "#" comments are allowed; any other line is ignored and
// logged once. Never trusted by default.
#include <QList>
#include <QSslCertificate>
#include <QSslError>
#include <QString>
#include <QStringList>
#include <functional>

namespace vantor {
class Env;
}

namespace vantor::imap {

// "AB:CD:...": the certificate's SHA-256 fingerprint, upper case.
QString fingerprintOf(const QSslCertificate& certificate);

// The fingerprints `file` trusts for `hostPort` (upper case). A missing file
// trusts nothing; `log` hears of each line it cannot read, once a run.
QStringList trustedFingerprints(Env& env, const QString& file, const QString& hostPort,
                                const std::function<void(const QString&)>& log);

// The refusal's French description: the server, why, the fingerprint and
// the exact line that would trust this certificate.
QString certificateRefusal(const QString& hostPort, const QList<QSslError>& errors,
                           const QString& fingerprint);

}  // namespace vantor::imap
