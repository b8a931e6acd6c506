#pragma once
// The registry: keys named by a root handle and a path of names separated by
// backslashes, each holding typed values. The operations are those of the
// Windows ANSI registry calls, with their result codes, so that the system's
// own registry can realise this interface where there is one; elsewhere a
// registry file stands in for it (registry_file.h).
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/env.h"

namespace vantor {

namespace reg {

using Handle = std::uint32_t;

// Root keys, with the system's handle numbers.
inline constexpr Handle kClassesRoot = 0x80000000;
inline constexpr Handle kCurrentUser = 0x80000001;
inline constexpr Handle kLocalMachine = 0x80000002;
inline constexpr Handle kUsers = 0x80000003;
inline constexpr Handle kPerformanceData = 0x80000004;
inline constexpr Handle kCurrentConfig = 0x80000005;
inline constexpr Handle kDynData = 0x80000006;

// Access rights asked when opening a key.
inline constexpr std::uint32_t kRead = 0x20019;
inline constexpr std::uint32_t kWrite = 0x20006;

// Value types.
inline constexpr std::uint32_t kNone = 0;
inline constexpr std::uint32_t kSz = 1;
inline constexpr std::uint32_t kExpandSz = 2;
inline constexpr std::uint32_t kBinary = 3;
inline constexpr std::uint32_t kDword = 4;
inline constexpr std::uint32_t kMultiSz = 7;

// Result codes (the system's error numbers).
inline constexpr std::int32_t kSuccess = 0;
inline constexpr std::int32_t kFileNotFound = 2;
inline constexpr std::int32_t kAccessDenied = 5;
inline constexpr std::int32_t kInvalidHandle = 6;
inline constexpr std::int32_t kInvalidParameter = 87;
inline constexpr std::int32_t kMoreData = 234;
inline constexpr std::int32_t kCantWrite = 1013;
inline constexpr std::int32_t kRegistryCorrupt = 1015;
inline constexpr std::int32_t kKeyDeleted = 1018;

// Whether the type holds text, which the ANSI calls convert.
inline bool isTextType(std::uint32_t type) {
    return type == kSz || type == kExpandSz || type == kMultiSz;
}

}  // namespace reg

class Registry {
  public:
    virtual ~Registry() = default;

    // RegOpenKeyExA: opens `subKey` below `key` ("" for `key` itself) with
    // `access`; the new handle in `result`.
    virtual std::int32_t openKey(reg::Handle key, const QString& subKey, std::uint32_t access,
                                 reg::Handle* result) = 0;
    // RegCreateKeyA: opens `subKey`, creating it and any missing key above it.
    virtual std::int32_t createKey(reg::Handle key, const QString& subKey, reg::Handle* result) = 0;
    // RegQueryValueExA: the value `name` ("" for the default value). `*size`
    // is the capacity of the caller's buffer on entry and the value's size on
    // return; kMoreData when the value does not fit (data untouched). With
    // `data` null only the size is asked. Text comes in the ANSI code page,
    // its terminating NUL counted.
    virtual std::int32_t queryValue(reg::Handle key, const QString& name, std::uint32_t* type,
                                    QByteArray* data, std::uint32_t* size) = 0;
    // RegSetValueExA: text types are given in the ANSI code page.
    virtual std::int32_t setValue(reg::Handle key, const QString& name, std::uint32_t type,
                                  const QByteArray& data) = 0;
    // RegDeleteTreeA: removes `subKey` with its values and every key below
    // it; with "" removes what `key` holds but not `key` itself.
    virtual std::int32_t deleteTree(reg::Handle key, const QString& subKey) = 0;
    // RegCloseKey. Closing a root handle does nothing.
    virtual std::int32_t closeKey(reg::Handle key) = 0;

    // Keys opened or created through this object and not closed yet.
    virtual int openKeyCount() const = 0;
};

// Where failures the registry cannot report through its result codes go
// (an unreadable registry file, a write that could not be saved).
using RegistryLog = std::function<void(const QString& message)>;

// The registry of this system. Where there is no system registry, it is the
// file "registre.reg" in `programFolder` (see registry_file.h).
std::unique_ptr<Registry> openSystemRegistry(Env& env, const QString& programFolder,
                                             RegistryLog log);

}  // namespace vantor
