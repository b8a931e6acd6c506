#include "notes/imap/universal_id.h"

#include <QCryptographicHash>

namespace vantor::imap {

QString universalIdOf(const Envelope& envelope, quint64 size) {
    QCryptographicHash md5(QCryptographicHash::Md5);
    const QByteArray sizeText = QByteArray::number(size);
    if (!envelope.messageId.isEmpty()) {
        for (const QByteArray& part : {envelope.messageId, envelope.date, sizeText}) {
            md5.addData(part);
            md5.addData(QByteArrayView("\n", 1));
        }
    } else {
        QByteArray from;
        if (!envelope.from.empty())
            from = envelope.from.front().mailbox + '@' + envelope.from.front().host;
        for (const QByteArray& part : {from, envelope.date, envelope.subject, sizeText}) {
            md5.addData(part);
            md5.addData(QByteArrayView("\n", 1));
        }
    }
    return QString::fromLatin1(md5.result().toHex().toUpper());
}

}  // namespace vantor::imap
