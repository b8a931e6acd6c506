#include "notes/imap/imap_workspace.h"

#include <QRegularExpression>

#include "notes/imap/imap_codes.h"
#include "notes/imap/imap_document.h"
#include "notes/imap/mailbox_name.h"
#include "notes/imap/server_address.h"
#include "platform/env.h"

namespace vantor::imap {

namespace {

// "Name <addr>" -> "addr"; a bare address stays.
QString addressIn(const QString& text) {
    const qsizetype open = text.lastIndexOf(QLatin1Char('<'));
    const qsizetype close = text.lastIndexOf(QLatin1Char('>'));
    return open >= 0 && close > open ? text.mid(open + 1, close - open - 1).trimmed()
                                     : text.trimmed();
}

QByteArray queryPart(const char* name, const QString& value) {
    return QByteArray(name) + '=' + QUrl::toPercentEncoding(value);
}

}  // namespace

QUrl replyAddress(const QString& sendTo, const QString& subject, const QString& body,
                  const QByteArray& inReplyTo) {
    QString quoted;
    for (const QString& line : body.split(QRegularExpression(QStringLiteral("\r\n|\n|\r"))))
        quoted += QStringLiteral("> ") + line + QStringLiteral("\r\n");
    QByteArray text = "mailto:" + QUrl::toPercentEncoding(addressIn(sendTo), "@") + '?' +
                      queryPart("subject", subject) + '&' + queryPart("body", quoted);
    if (!inReplyTo.isEmpty()) text += '&' + queryPart("In-Reply-To", QString::fromUtf8(inReplyTo));
    return QUrl::fromEncoded(text, QUrl::StrictMode);
}

QUrl folderAddress(const QString& server, const QString& folder) {
    const std::optional<ServerAddress> a = ServerAddress::parse(server);
    if (!a) return QUrl();
    QByteArray text =
        "imap://" + QUrl::toPercentEncoding(a->login) + '@' + a->hostPort().toUtf8() + '/';
    QStringList levels;
    for (const QString& level : folder.split(QLatin1Char('\\')))
        levels << QString::fromLatin1(
            QUrl::toPercentEncoding(QString::fromLatin1(encodeMailboxName(level)), "&,"));
    text += levels.join(QLatin1Char('/')).toLatin1();
    return QUrl::fromEncoded(text);
}

void ImapWorkspace::editDocument(bool, const notes::DocumentPtr& document) {
    const auto* draft = dynamic_cast<const ImapDocument*>(document.get());
    const QUrl address = replyAddress(document->itemValue(QStringLiteral("SendTo")),
                                      document->itemValue(QStringLiteral("Subject")),
                                      document->itemValue(QStringLiteral("Body")),
                                      draft ? draft->inReplyTo() : QByteArray());
    if (!env_.startProgram(QStringLiteral("xdg-email"),
                           {QString::fromLatin1(address.toEncoded())})) {
        const QString why = QStringLiteral(
            "Le programme de messagerie du bureau (xdg-email) n'a pas pu "
            "être lancé pour la réponse.");
        if (log_) log_(why);
        throw Failure(code::kProgramNotStarted, why);
    }
}

void ImapWorkspace::openDatabase(const QString& server, const QString&, const QString& view,
                                 const QString&, bool) {
    const QUrl address = folderAddress(server, view);
    if (!address.isValid() || !env_.startProgram(QStringLiteral("xdg-open"),
                                                 {QString::fromLatin1(address.toEncoded())})) {
        if (log_)
            log_(QStringLiteral("Le dossier %1 de %2 n'a pas pu être ouvert (xdg-open).")
                     .arg(view, server));
    }
}

}  // namespace vantor::imap
