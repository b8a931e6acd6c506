#pragma once
// Codes of the failures the mail client's user interface raises, beside the
// store's 0x80041xxx range. The client sends them back over its channel
// unchanged (see docs/client.md).
#include <cstdint>

namespace vantor::notes::workspace_code {

constexpr std::int32_t make(std::uint32_t value) {
    return static_cast<std::int32_t>(value);
}

inline constexpr std::int32_t kNoDocument = make(0x80042001);
inline constexpr std::int32_t kDatabaseNotOpen = make(0x80042002);
inline constexpr std::int32_t kViewNotFound = make(0x80042003);
inline constexpr std::int32_t kNotSaved = make(0x80042004);
// No client listens for this user and data folder.
inline constexpr std::int32_t kNotesNotRunning = make(0x80042005);
// The client took the request but gave no answer in time, or hung up.
inline constexpr std::int32_t kNoAnswer = make(0x80042006);
// A message that is not of this protocol, of another version, or too large.
inline constexpr std::int32_t kBadMessage = make(0x80042007);
// The program listening on the client's socket runs as another user:
// nothing was sent to it.
inline constexpr std::int32_t kForeignPeer = make(0x80042009);
// A memo without any recipient cannot be sent.
inline constexpr std::int32_t kNoRecipient = make(0x80042008);

}  // namespace vantor::notes::workspace_code
