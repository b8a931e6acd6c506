#pragma once
// The registry kept in a registry export file (reg_text.h), for systems
// without a registry of their own: a user can read it, edit it, or replace
// it with a file exported from Windows. The file read is kept while it is
// unchanged on disk (size, modification time and inode, Env::fileStamp), so
// hand edits count at the next call and a large export is parsed once;
// every change rewrites it whole through Env::replaceFile. A file that cannot be understood is kept
// as it is: its keys cannot be opened (kRegistryCorrupt, so reads fail), writes are refused, and
// the failure is logged once per content of the file. Roots: HKEY_CLASSES_ROOT, HKEY_CURRENT_USER,
// HKEY_LOCAL_MACHINE, HKEY_USERS and HKEY_CURRENT_CONFIG, each a tree of its own; the performance
// and dynamic-data roots do not exist here (kInvalidHandle).
#include <QStringList>
#include <map>
#include <optional>

#include "platform/reg_text.h"
#include "platform/registry.h"

namespace vantor {

class FileRegistry final : public Registry {
  public:
    FileRegistry(Env& env, QString path, RegistryLog log);

    std::int32_t openKey(reg::Handle key, const QString& subKey, std::uint32_t access,
                         reg::Handle* result) override;
    std::int32_t createKey(reg::Handle key, const QString& subKey, reg::Handle* result) override;
    std::int32_t queryValue(reg::Handle key, const QString& name, std::uint32_t* type,
                            QByteArray* data, std::uint32_t* size) override;
    std::int32_t setValue(reg::Handle key, const QString& name, std::uint32_t type,
                          const QByteArray& data) override;
    std::int32_t deleteTree(reg::Handle key, const QString& subKey) override;
    std::int32_t closeKey(reg::Handle key) override;
    int openKeyCount() const override { return static_cast<int>(opened_.size()); }

    const QString& path() const { return path_; }

  private:
    struct OpenKey {
        QStringList path;  // root name first
        bool writable = false;
    };

    // The names from the root to `key` joined with `subKey`; nullopt for an
    // unknown handle or a malformed subkey.
    std::optional<QStringList> resolve(reg::Handle key, const QString& subKey,
                                       std::int32_t* code) const;
    // The registry as the file holds it now; null (and kRegistryCorrupt)
    // when the file is unreadable.
    std::shared_ptr<const regtext::ParsedFile> load(std::int32_t* code);
    // The whole tree, for a change; nullopt (and kRegistryCorrupt) when unreadable.
    std::optional<regtext::Key> loadTree(std::int32_t* code);
    // Saves the whole tree; kCantWrite (logged) when the file cannot be replaced.
    std::int32_t save(const regtext::Key& top);
    reg::Handle remember(QStringList path, bool writable);

    Env& env_;
    QString path_;
    RegistryLog log_;
    std::map<reg::Handle, OpenKey> opened_;
    reg::Handle next_ = 0x1000;
    std::size_t lastReportedContent_ = 0;
    std::shared_ptr<const regtext::ParsedFile> kept_;
    std::optional<FileStamp> keptStamp_;
};

}  // namespace vantor
