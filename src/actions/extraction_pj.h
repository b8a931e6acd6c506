#pragma once
// Writing a message's attachments into the attachments folder. Attachment
// names come from the sender: they are never trusted as paths.
//
// The rule, for the user: an attachment is saved under its own name, reduced
// to a plain file name of that folder; when that name is already taken (an
// earlier attachment of the same name, a file already there) it is saved as
// "name (2).ext", "name (3).ext" and so on. An existing file is never
// replaced, and nothing is ever written outside the folder.
#include <QString>

#include "notes/notes.h"
#include "platform/env.h"

namespace vantor {

// The plain file name an attachment is saved under: the part after the last
// "/" or "\", without a drive prefix ("C:"); control characters (NUL
// included) and those Windows forbids in names replaced by "_"; no trailing
// dots or blanks; a Windows device name (CON, NUL, COM1...) prefixed with
// "_"; cut to 240 bytes in UTF-8, extension kept. "." and ".." and what
// ends up empty become "pièce jointe".
QString nomDePieceJointe(const QString& nomStocke);

// "rapport.pdf" as the n-th candidate: itself for 1, "rapport (n).pdf" after.
QString nomNumerote(const QString& nom, int n);

// Extracts `objet` into `dossier` under the first free candidate of its
// name, created in one step so that nothing there is replaced or followed:
// the bytes go first to a fresh private folder inside `dossier`, then are
// moved to a name that does not exist. Returns the path written; throws
// Failure when it cannot be written.
QString extrairePieceJointe(Env& env, notes::EmbeddedObject& objet, const QString& dossier);

}  // namespace vantor
