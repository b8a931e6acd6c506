#pragma once
// A document's content in 32 bytes, so that a copy can be compared with its
// source cheaply on both sides.
#include <QByteArray>

#include "notes/notes.h"

namespace vantor {

// SHA-256 over every item in order (name, type, text) and every attachment of
// each item in order (type, name, SHA-256 of its bytes). Equal for a document
// and a faithful copy of it; throws what the mail layer throws.
QByteArray empreinte(const notes::Document& document);

}  // namespace vantor
