#pragma once
// A power cut for SQLite files: while it lives, the default VFS wraps the
// system's. cut() stops every write, sync and removal; restart() puts each
// watched file back as its last sync left it, all a disk promises to keep.
#include <sqlite3.h>

#include <QFile>
#include <cstring>
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
        vfs_.szOsFile = static_cast<int>(sizeof(File));
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
    // A watched file: the system's file, and the path it was opened under.
    struct File {
        sqlite3_file base;
        sqlite3_file* system;
        const char* path;
    };
    static PowerCut*& active() {
        static PowerCut* p = nullptr;
        return p;
    }
    static sqlite3_file* sys(sqlite3_file* f) { return reinterpret_cast<File*>(f)->system; }
    bool watched(const char* path) const {
        return path && std::string(path).starts_with(prefix_.toStdString());
    }
    static std::optional<QByteArray> contentOf(const char* path) {
        QFile file(QString::fromUtf8(path));
        if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
        return file.readAll();
    }

    static int open(sqlite3_vfs*, const char* name, sqlite3_file* f, int flags, int* out) {
        PowerCut& p = *active();
        auto* file = reinterpret_cast<File*>(f);
        file->base.pMethods = nullptr;
        file->system = static_cast<sqlite3_file*>(sqlite3_malloc(p.system_->szOsFile));
        std::memset(file->system, 0, static_cast<size_t>(p.system_->szOsFile));
        file->path = name;
        const int rc = p.system_->xOpen(p.system_, name, file->system, flags, out);
        if (!file->system->pMethods) {
            sqlite3_free(file->system);
            return rc;
        }
        if (p.watched(name) && !p.synced_.count(name)) p.synced_[name] = contentOf(name);
        file->base.pMethods = methods();
        return rc;
    }
    static int remove(sqlite3_vfs*, const char* name, int syncDir) {
        PowerCut& p = *active();
        if (p.off_) return SQLITE_OK;
        if (p.watched(name)) p.synced_[name] = std::nullopt;
        return p.system_->xDelete(p.system_, name, syncDir);
    }
    static bool dropped(sqlite3_file* f) {
        return active()->off_ && active()->watched(reinterpret_cast<File*>(f)->path);
    }

    // The system's method M, on the system's file.
    template <auto M>
    struct Pass;
    template <typename R, typename... A, R (*sqlite3_io_methods::*M)(sqlite3_file*, A...)>
    struct Pass<M> {
        static R call(sqlite3_file* f, A... a) { return (sys(f)->pMethods->*M)(sys(f), a...); }
    };
    using IO = sqlite3_io_methods;

    static const sqlite3_io_methods* methods() {
        static const sqlite3_io_methods table = {
            3,
            [](sqlite3_file* f) {
                const int rc = sys(f)->pMethods->xClose(sys(f));
                sqlite3_free(sys(f));
                return rc;
            },
            Pass<&IO::xRead>::call,
            [](sqlite3_file* f, const void* b, int n, sqlite3_int64 at) {
                return dropped(f) ? SQLITE_OK : Pass<&IO::xWrite>::call(f, b, n, at);
            },
            [](sqlite3_file* f, sqlite3_int64 n) {
                return dropped(f) ? SQLITE_OK : Pass<&IO::xTruncate>::call(f, n);
            },
            [](sqlite3_file* f, int flags) {
                if (dropped(f)) return SQLITE_OK;
                const int rc = Pass<&IO::xSync>::call(f, flags);
                const char* path = reinterpret_cast<File*>(f)->path;
                if (rc == SQLITE_OK && active()->watched(path))
                    active()->synced_[path] = contentOf(path);
                return rc;
            },
            // clang-format off
            Pass<&IO::xFileSize>::call, Pass<&IO::xLock>::call, Pass<&IO::xUnlock>::call,
            Pass<&IO::xCheckReservedLock>::call, Pass<&IO::xFileControl>::call,
            Pass<&IO::xSectorSize>::call, Pass<&IO::xDeviceCharacteristics>::call,
            Pass<&IO::xShmMap>::call, Pass<&IO::xShmLock>::call, Pass<&IO::xShmBarrier>::call,
            Pass<&IO::xShmUnmap>::call, Pass<&IO::xFetch>::call, Pass<&IO::xUnfetch>::call,
            // clang-format on
        };
        return &table;
    }

    QByteArray prefix_;
    sqlite3_vfs* system_ = nullptr;
    sqlite3_vfs vfs_{};
    bool off_ = false;
    std::map<std::string, std::optional<QByteArray>> synced_;
};

}  // namespace vantor::test
