#include "notes/imap/server_address.h"

#include <QUrl>

namespace vantor::imap {

namespace {

const QString kImaps = QStringLiteral("imaps://");
const QString kImap = QStringLiteral("imap://");

}  // namespace

bool ServerAddress::isImap(const QString& field) {
    const QString f = field.trimmed();
    return f.startsWith(kImaps, Qt::CaseInsensitive) || f.startsWith(kImap, Qt::CaseInsensitive);
}

std::optional<ServerAddress> ServerAddress::parse(const QString& field) {
    const QString f = field.trimmed();
    ServerAddress a;
    QString rest;
    if (f.startsWith(kImaps, Qt::CaseInsensitive)) {
        rest = f.mid(kImaps.size());
    } else if (f.startsWith(kImap, Qt::CaseInsensitive)) {
        rest = f.mid(kImap.size());
        a.tlsFromStart = false;
    } else {
        return std::nullopt;
    }
    if (rest.endsWith(QLatin1Char('/'))) rest.chop(1);
    const qsizetype at = rest.lastIndexOf(QLatin1Char('@'));
    if (at <= 0) return std::nullopt;
    QString user = rest.left(at);
    // RFC 5092's ";AUTH=..." says nothing Vantor uses.
    if (const qsizetype semicolon = user.indexOf(QLatin1Char(';')); semicolon >= 0)
        user.truncate(semicolon);
    a.login = QUrl::fromPercentEncoding(user.toUtf8());
    QString hostPort = rest.mid(at + 1);
    if (a.login.isEmpty() || hostPort.isEmpty() || hostPort.contains(QLatin1Char('/')))
        return std::nullopt;
    QString portText;
    if (hostPort.startsWith(QLatin1Char('['))) {
        const qsizetype close = hostPort.indexOf(QLatin1Char(']'));
        if (close < 0) return std::nullopt;
        a.host = hostPort.mid(1, close - 1);
        const QString after = hostPort.mid(close + 1);
        if (!after.isEmpty() && !after.startsWith(QLatin1Char(':'))) return std::nullopt;
        portText = after.mid(1);
    } else {
        const qsizetype colon = hostPort.lastIndexOf(QLatin1Char(':'));
        a.host = colon < 0 ? hostPort : hostPort.left(colon);
        portText = colon < 0 ? QString() : hostPort.mid(colon + 1);
        if (a.host.contains(QLatin1Char(':'))) return std::nullopt;
    }
    if (a.host.isEmpty()) return std::nullopt;
    for (const QChar c : a.host)
        if (c.isSpace() || c.unicode() < 0x20) return std::nullopt;
    if (hostPort.contains(QLatin1Char(':')) && !hostPort.endsWith(QLatin1Char(']')) &&
        portText.isEmpty())
        return std::nullopt;
    if (portText.isEmpty()) {
        a.port = a.tlsFromStart ? 993 : 143;
    } else {
        bool ok = false;
        const uint port = portText.toUInt(&ok);
        if (!ok || port == 0 || port > 65535) return std::nullopt;
        a.port = static_cast<quint16>(port);
    }
    return a;
}

QString ServerAddress::account() const {
    return (tlsFromStart ? kImaps : kImap) + login + QLatin1Char('@') + hostPort();
}

QString ServerAddress::hostPort() const {
    const QString h = host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host;
    return h + QLatin1Char(':') + QString::number(port);
}

}  // namespace vantor::imap
