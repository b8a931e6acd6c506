#pragma once
// A power cut for SQLite files, as the default VFS while it lives: cut() drops every
// write, sync and removal; restart() puts each file back as its last sync left it.
#include <sqlite3.h>

#include <QFile>
#include <map>
#include <optional>
#include <string>

namespace vantor::test {

class PowerCut {
  public:
    // Watches the files whose path begins with `prefix`; the others keep
    // every write, as a system that flushed them before the cut.
    explicit PowerCut(QByteArray prefix) : prefix_(std::move(prefix)) {
        active() = this;
        system_ = sqlite3_vfs_find(nullptr);
        vfs_ = *system_;
        vfs_.zName = "vantor-power-cut";
        extraAt() = (system_->szOsFile + 7) / 8 * 8;
        vfs_.szOsFile = extraAt() + static_cast<int>(sizeof(Extra));
        vfs_.xOpen = &open;
        vfs_.xDelete = &remove;
        sqlite3_vfs_register(&vfs_, 1);
    }
    ~PowerCut() {
        sqlite3_vfs_register(system_, 1);
        sqlite3_vfs_unregister(&vfs_);
        active() = nullptr;
    }

    void cut() { off_ = true; }
    // Call once no connection is open any more.
    void restart() {
        for (const auto& [path, synced] : synced_) {
            QFile file(QString::fromStdString(path));
            if (synced && file.open(QIODevice::WriteOnly | QIODevice::Truncate))
                file.write(*synced);
            else if (!synced)
                file.remove();
            QFile::remove(QString::fromStdString(path + "-shm"));  // memory, lost with power
        }
        synced_.clear();
        off_ = false;
    }

  private:
    // Kept after the system's own file: the path it was opened under and the
    // system's methods, which the file's own table copies but for writes,
    // truncations and syncs.
    struct Extra {
        const char* path;
        const sqlite3_io_methods* system;
    };
    static PowerCut*& active() {
        static PowerCut* p = nullptr;
        return p;
    }
    static int& extraAt() {
        static int at = 0;
        return at;
    }
    static Extra& extra(sqlite3_file* f) {
        return *reinterpret_cast<Extra*>(reinterpret_cast<char*>(f) + extraAt());
    }
    bool watched(const char* path) const {
        return path && std::string(path).starts_with(prefix_.toStdString());
    }
    static std::optional<QByteArray> contentOf(const char* path) {
        QFile file(QString::fromUtf8(path));
        if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
        return file.readAll();
    }
    static bool dropped(sqlite3_file* f) {
        return active() && active()->off_ && active()->watched(extra(f).path);
    }

    static int open(sqlite3_vfs*, const char* name, sqlite3_file* f, int flags, int* out) {
        PowerCut& p = *active();
        const int rc = p.system_->xOpen(p.system_, name, f, flags, out);
        if (!f->pMethods) return rc;
        if (p.watched(name) && !p.synced_.count(name)) p.synced_[name] = contentOf(name);
        extra(f) = {name, f->pMethods};
        // Outlives the cut: a file may close after it.
        static std::map<const sqlite3_io_methods*, sqlite3_io_methods> tables;
        auto [table, fresh] = tables.try_emplace(f->pMethods, *f->pMethods);
        if (fresh) {
            table->second.xWrite = [](sqlite3_file* f, const void* b, int n, sqlite3_int64 at) {
                return dropped(f) ? SQLITE_OK : extra(f).system->xWrite(f, b, n, at);
            };
            table->second.xTruncate = [](sqlite3_file* f, sqlite3_int64 n) {
                return dropped(f) ? SQLITE_OK : extra(f).system->xTruncate(f, n);
            };
            table->second.xSync = [](sqlite3_file* f, int flags) {
                if (dropped(f)) return SQLITE_OK;
                const int rc = extra(f).system->xSync(f, flags);
                if (rc == SQLITE_OK && active() && active()->watched(extra(f).path))
                    active()->synced_[extra(f).path] = contentOf(extra(f).path);
                return rc;
            };
        }
        f->pMethods = &table->second;
        return rc;
    }
    static int remove(sqlite3_vfs*, const char* name, int syncDir) {
        PowerCut& p = *active();
        if (p.off_) return SQLITE_OK;
        if (p.watched(name)) p.synced_[name] = std::nullopt;
        return p.system_->xDelete(p.system_, name, syncDir);
    }

    QByteArray prefix_;
    sqlite3_vfs* system_ = nullptr;
    sqlite3_vfs vfs_{};
    bool off_ = false;
    std::map<std::string, std::optional<QByteArray>> synced_;
};

}  // namespace vantor::test
