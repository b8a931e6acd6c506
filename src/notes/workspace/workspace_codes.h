#pragma once
// Codes of the failures the client's windows raise, beside the store's
// 0x80041xxx range.
#include <cstdint>

namespace vantor::notes::workspace_code {

constexpr std::int32_t make(std::uint32_t value) {
    return static_cast<std::int32_t>(value);
}

inline constexpr std::int32_t kNoDocument = make(0x80042001);
inline constexpr std::int32_t kDatabaseNotOpen = make(0x80042002);
inline constexpr std::int32_t kViewNotFound = make(0x80042003);
inline constexpr std::int32_t kNotSaved = make(0x80042004);

}  // namespace vantor::notes::workspace_code
