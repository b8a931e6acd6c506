#pragma once
// Codes of the failures the local store raises (documented in docs/store.md).
// The wrong-password and removed-document codes are the mail system's own
// (notes::code).
#include <cstdint>

#include "notes/notes.h"

namespace vantor::store::code {

constexpr std::int32_t make(std::uint32_t value) { return static_cast<std::int32_t>(value); }

inline constexpr std::int32_t kWrongPassword = notes::code::kWrongPassword;

// Identity and sessions.
inline constexpr std::int32_t kNoUser = make(0x80041001);
inline constexpr std::int32_t kIdentityUnreadable = make(0x80041002);
inline constexpr std::int32_t kSessionNotInitialized = make(0x80041003);
inline constexpr std::int32_t kNoWorkspace = make(0x80041004);

// Servers and database files.
inline constexpr std::int32_t kBadServerName = make(0x80041010);
inline constexpr std::int32_t kServerUnreachable = make(0x80041011);
inline constexpr std::int32_t kBadFileName = make(0x80041012);
inline constexpr std::int32_t kFileNotFound = make(0x80041013);
inline constexpr std::int32_t kDatabaseCorrupt = make(0x80041014);
inline constexpr std::int32_t kDatabaseBusy = make(0x80041015);
inline constexpr std::int32_t kAccessDenied = make(0x80041016);
inline constexpr std::int32_t kDatabaseNotOpen = make(0x80041017);
inline constexpr std::int32_t kDatabaseExists = make(0x80041018);
inline constexpr std::int32_t kStorageError = make(0x80041019);

// Documents, folders and attachments.
inline constexpr std::int32_t kBadUniversalID = make(0x80041020);
inline constexpr std::int32_t kDuplicateUniversalID = make(0x80041021);
inline constexpr std::int32_t kDocumentNotSaved = make(0x80041022);
inline constexpr std::int32_t kFolderNotFound = make(0x80041023);
inline constexpr std::int32_t kBadFolderName = make(0x80041024);
inline constexpr std::int32_t kNotAFolder = make(0x80041025);
inline constexpr std::int32_t kAttachmentGone = make(0x80041026);
inline constexpr std::int32_t kCannotWriteFile = make(0x80041027);
inline constexpr std::int32_t kCannotReadFile = make(0x80041028);
inline constexpr std::int32_t kForeignDocument = make(0x80041029);
inline constexpr std::int32_t kDocumentRemoved = notes::code::kDocumentRemoved;

}  // namespace vantor::store::code
