#include "platform/registry_file.h"

#include <QHash>

namespace vantor {
namespace {

// Longest key name the system accepts.
constexpr qsizetype kNomCleMax = 255;
// KEY_SET_VALUE, the right the writes need.
constexpr std::uint32_t kDroitEcriture = 0x0002;

std::optional<QString> nomDeRacine(reg::Handle h) {
    switch (h) {
        case reg::kClassesRoot:
            return QStringLiteral("HKEY_CLASSES_ROOT");
        case reg::kCurrentUser:
            return QStringLiteral("HKEY_CURRENT_USER");
        case reg::kLocalMachine:
            return QStringLiteral("HKEY_LOCAL_MACHINE");
        case reg::kUsers:
            return QStringLiteral("HKEY_USERS");
        case reg::kCurrentConfig:
            return QStringLiteral("HKEY_CURRENT_CONFIG");
        default:
            return std::nullopt;
    }
}

bool nomIncorrect(const QString& name) {
    return name.contains(QChar(0)) || name.contains(u'\r') || name.contains(u'\n');
}

regtext::Key* descendre(regtext::Key& top, const QStringList& path) {
    regtext::Key* k = &top;
    for (const QString& n : path) {
        k = k->subkey(n);
        if (k == nullptr) return nullptr;
    }
    return k;
}

}  // namespace

FileRegistry::FileRegistry(Env& env, QString path, RegistryLog log)
    : env_(env), path_(std::move(path)), log_(std::move(log)) {}

std::optional<QStringList> FileRegistry::resolve(reg::Handle key, const QString& subKey,
                                                 std::int32_t* code) const {
    QStringList path;
    if (const auto racine = nomDeRacine(key)) {
        path = {*racine};
    } else if (const auto it = opened_.find(key); it != opened_.end()) {
        path = it->second.path;
    } else {
        *code = reg::kInvalidHandle;
        return std::nullopt;
    }
    if (subKey.isEmpty()) return path;
    QStringList noms = subKey.split(u'\\');
    if (noms.size() > 1 && noms.last().isEmpty()) noms.removeLast();  // "A\B\" names A\B
    for (const QString& n : noms) {
        if (n.isEmpty() || n.size() > kNomCleMax || nomIncorrect(n)) {
            *code = reg::kInvalidParameter;
            return std::nullopt;
        }
    }
    // Deeper than a file may hold: once written, the file could not be read.
    if (path.size() + noms.size() > regtext::kMaxDepth) {
        *code = reg::kInvalidParameter;
        return std::nullopt;
    }
    return path + noms;
}

std::shared_ptr<const regtext::ParsedFile> FileRegistry::load(std::int32_t* code) {
    const std::optional<FileStamp> before = env_.fileStamp(path_);
    if (kept_ && before && before == keptStamp_) return kept_;
    kept_.reset();  // its memory is free before the new content is read
    const std::optional<QByteArray> bytes = env_.readFile(path_);
    QString reason;
    std::size_t content = 1;
    if (!bytes) {
        if (!env_.fileExists(path_) && !env_.folderExists(path_))
            return regtext::ParsedFile::read({}, nullptr);
        reason = QStringLiteral("il ne peut être lu");
    } else {
        regtext::ParseError error;
        if (auto parsed = regtext::ParsedFile::read(*bytes, &error)) {
            lastReportedContent_ = 0;
            // Kept only when nothing changed the file while it was read.
            if (before && env_.fileStamp(path_) == before) {
                kept_ = parsed;
                keptStamp_ = before;
            }
            return parsed;
        }
        reason = QStringLiteral("ligne %1 : %2").arg(error.line).arg(error.reason);
        content = qHash(*bytes) | 2;
    }
    *code = reg::kRegistryCorrupt;
    if (content != lastReportedContent_) {
        lastReportedContent_ = content;
        log_(QStringLiteral("Registre %1 illisible (%2) : il est conservé tel quel, ses valeurs "
                            "ne peuvent être lues et aucune écriture n'y est faite.")
                 .arg(path_, reason));
    }
    return nullptr;
}

std::optional<regtext::Key> FileRegistry::loadTree(std::int32_t* code) {
    const auto file = load(code);
    if (!file) return std::nullopt;
    return file->tree();
}

std::int32_t FileRegistry::save(const regtext::Key& top) {
    kept_.reset();
    if (env_.replaceFile(path_, regtext::write(top))) return reg::kSuccess;
    log_(QStringLiteral("Impossible d'écrire le registre %1 : la modification est perdue.")
             .arg(path_));
    return reg::kCantWrite;
}

reg::Handle FileRegistry::remember(QStringList path, bool writable) {
    const reg::Handle h = next_;
    next_ += 4;
    opened_[h] = OpenKey{std::move(path), writable};
    return h;
}

std::int32_t FileRegistry::openKey(reg::Handle key, const QString& subKey, std::uint32_t access,
                                   reg::Handle* result) {
    std::int32_t code = reg::kSuccess;
    const auto path = resolve(key, subKey, &code);
    if (!path) return code;
    const auto file = load(&code);
    if (!file) return code;
    if (file->find(*path) < 0) return reg::kFileNotFound;
    *result = remember(*path, (access & kDroitEcriture) != 0);
    return reg::kSuccess;
}

std::int32_t FileRegistry::createKey(reg::Handle key, const QString& subKey, reg::Handle* result) {
    std::int32_t code = reg::kSuccess;
    const auto path = resolve(key, subKey, &code);
    if (!path) return code;
    const auto file = load(&code);
    if (!file) return code;
    if (file->find(*path) < 0) {
        regtext::Key top = file->tree();
        regtext::Key* k = &top;
        for (const QString& n : *path) k = &k->ensureSubkey(n);
        if (const std::int32_t saved = save(top); saved != reg::kSuccess) return saved;
    }
    *result = remember(*path, true);
    return reg::kSuccess;
}

std::int32_t FileRegistry::queryValue(reg::Handle key, const QString& name, std::uint32_t* type,
                                      QByteArray* data, std::uint32_t* size) {
    std::int32_t code = reg::kSuccess;
    const auto path = resolve(key, QString(), &code);
    if (!path) return code;
    const auto file = load(&code);
    if (!file) return code;
    const int k = file->find(*path);
    if (k < 0) return reg::kKeyDeleted;
    const std::optional<regtext::Value> v = file->value(k, name);
    if (!v) return reg::kFileNotFound;
    const QByteArray bytes = reg::isTextType(v->type) ? regtext::ansiFromUtf16(v->data) : v->data;
    if (type != nullptr) *type = v->type;
    const auto needed = static_cast<std::uint32_t>(bytes.size());
    const std::uint32_t capacity = size != nullptr ? *size : 0;
    if (size != nullptr) *size = needed;
    if (data == nullptr) return reg::kSuccess;
    if (needed > capacity) return reg::kMoreData;
    *data = bytes;
    return reg::kSuccess;
}

std::int32_t FileRegistry::setValue(reg::Handle key, const QString& name, std::uint32_t type,
                                    const QByteArray& data) {
    if (const auto it = opened_.find(key); it != opened_.end() && !it->second.writable) {
        return reg::kAccessDenied;
    }
    if (nomIncorrect(name)) return reg::kInvalidParameter;
    std::int32_t code = reg::kSuccess;
    const auto path = resolve(key, QString(), &code);
    if (!path) return code;
    auto top = loadTree(&code);
    if (!top) return code;
    regtext::Key* k = descendre(*top, *path);
    if (k == nullptr) return reg::kKeyDeleted;
    k->setValue(name, type, reg::isTextType(type) ? regtext::utf16FromAnsi(data) : data);
    return save(*top);
}

std::int32_t FileRegistry::deleteTree(reg::Handle key, const QString& subKey) {
    std::int32_t code = reg::kSuccess;
    const auto base = resolve(key, QString(), &code);
    const auto path = resolve(key, subKey, &code);
    if (!base || !path) return code;
    auto top = loadTree(&code);
    if (!top) return code;
    if (*path == *base) {
        regtext::Key* k = descendre(*top, *path);
        if (k == nullptr) return reg::kKeyDeleted;
        k->values.clear();
        k->subkeys.clear();
    } else {
        regtext::Key* parent = descendre(*top, path->mid(0, path->size() - 1));
        if (parent == nullptr || !parent->removeSubkey(path->last())) return reg::kFileNotFound;
    }
    return save(*top);
}

std::int32_t FileRegistry::closeKey(reg::Handle key) {
    if (nomDeRacine(key)) return reg::kSuccess;
    return opened_.erase(key) == 1 ? reg::kSuccess : reg::kInvalidHandle;
}

std::unique_ptr<Registry> openSystemRegistry(Env& env, const QString& programFolder,
                                             RegistryLog log) {
    return std::make_unique<FileRegistry>(
        env, joinPath(programFolder, QStringLiteral("registre.reg")), std::move(log));
}

}  // namespace vantor
