#pragma once
// Text bytes of a message decoded as mail readers decode them, never losing
// a character: the declared charset when the system knows it; otherwise, and
// for bytes that do not fit it, UTF-8 where the bytes are valid UTF-8 and
// Windows-1252 for every other byte, as headers are read.
#include <QByteArray>
#include <QString>

namespace vantor::mime {

QString decodeMailText(const QByteArray& bytes, const QByteArray& charset);

// The charset an HTML document names in a <meta> tag near its start, or empty.
QByteArray htmlMetaCharset(const QByteArray& html);

}  // namespace vantor::mime
