#pragma once
// Codes of the failures the IMAP realisation raises besides those of the
// boundary (notes.h: kWrongPassword, kServerUnavailable). Every description
// is French and names the server.
#include <cstdint>

namespace vantor::imap::code {

// The server's certificate failed verification and is not trusted in
// "certificats.txt"; the description holds the line that would trust it.
inline constexpr std::int32_t kCertificateRefused = static_cast<std::int32_t>(0x80043101);
// The server sent what the protocol does not allow (or beyond the bounds);
// the connection is closed.
inline constexpr std::int32_t kBadServerData = static_cast<std::int32_t>(0x80043102);
// The server answered NO or BAD to a command.
inline constexpr std::int32_t kCommandRefused = static_cast<std::int32_t>(0x80043103);
// The server lacks what the operation needs (UIDPLUS for an exact expunge,
// STARTTLS for a link that is not local): refused, nothing done.
inline constexpr std::int32_t kNotSupported = static_cast<std::int32_t>(0x80043104);
// The folder does not exist on the server.
inline constexpr std::int32_t kMailboxNotFound = static_cast<std::int32_t>(0x80043105);
// A server field that is not an IMAP address the program can use.
inline constexpr std::int32_t kBadAddress = static_cast<std::int32_t>(0x80043106);
// The folder was recreated on the server (a new UIDVALIDITY): the message
// numbers the caller holds mean nothing there any more.
inline constexpr std::int32_t kFolderRenumbered = static_cast<std::int32_t>(0x80043107);

// A file (an attachment extracted) could not be written.
inline constexpr std::int32_t kCannotWriteFile = static_cast<std::int32_t>(0x80043108);
// A change a server cannot hold (a message there cannot be rewritten).
inline constexpr std::int32_t kCannotRewrite = static_cast<std::int32_t>(0x80043109);
// The desktop's program (mail composer, folder viewer) did not start.
inline constexpr std::int32_t kProgramNotStarted = static_cast<std::int32_t>(0x8004310A);

}  // namespace vantor::imap::code
