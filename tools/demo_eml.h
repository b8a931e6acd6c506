#pragma once
// The demo's messages as a mail server receives them, for the demo's IMAP
// mailbox.
#include <QByteArray>
#include <QDateTime>
#include <QString>

#include "demo_content.h"

namespace vantor::tool::demo {

// "Marc Lefèvre <marc.lefevre@vantor.demo>" for the directory name
// "Marc Lefèvre/Vantor"; a name that is an address already stays as it is.
QString mailAddress(const QString& person);

// `message` as RFC 5322 bytes (UTF-8, its attachment in base64), to
// `recipient`, dated `date`; `id` makes its Message-ID unique in the demo.
QByteArray messageBytes(const DemoMessage& message, const QString& recipient,
                        const QDateTime& date, const QString& id);

}  // namespace vantor::tool::demo
