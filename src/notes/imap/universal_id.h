#pragma once
// The universal ID of a message on a server: the same for its copies in any
// folder, different for two messages that share a Message-ID but not their
// date or size.
#include <QString>

#include "notes/imap/fetch_decoder.h"

namespace vantor::imap {

// 32 upper-case hexadecimal digits: MD5 of (Message-ID, Date, size), or of
// (From, Date, Subject, size) for a message without a Message-ID.
QString universalIdOf(const Envelope& envelope, quint64 size);

}  // namespace vantor::imap
