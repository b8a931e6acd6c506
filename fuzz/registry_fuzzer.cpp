// Any bytes as registre.reg (the editor's UTF-16 format, REGEDIT4, UTF-8 or
// none of them): a file the registry reads is written back so that it reads
// the same; a read of the mail client's "Path" answers; a write of it changes
// that value alone; a file it cannot read is never written. The first byte of
// the input chooses the type written; the input's last bytes are the data.
#include <array>

#include "fuzz_support.h"
#include "platform/reg_text.h"
#include "platform/registry_file.h"

namespace {

using namespace vantor;

const QString kNotes = QStringLiteral("Software\\Lotus\\Notes");
const QString kPath = QStringLiteral("Path");

bool sameKey(const regtext::Key& a, const regtext::Key& b) {
    if (a.name != b.name || a.values.size() != b.values.size() ||
        a.subkeys.size() != b.subkeys.size())
        return false;
    for (std::size_t i = 0; i < a.values.size(); ++i) {
        const regtext::Value& x = a.values[i];
        const regtext::Value& y = b.values[i];
        if (x.name != y.name || x.type != y.type || x.data != y.data) return false;
    }
    for (std::size_t i = 0; i < a.subkeys.size(); ++i)
        if (!sameKey(a.subkeys[i], b.subkeys[i])) return false;
    return true;
}

QString hex(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.left(4096).toHex(' '));
}

// What the mail client's preparation does: open the key, ask the size, read.
void readPath(Registry& registry) {
    reg::Handle key = 0;
    if (registry.openKey(reg::kLocalMachine, kNotes, reg::kRead, &key) != reg::kSuccess) return;
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    if (registry.queryValue(key, kPath, &type, nullptr, &size) == reg::kSuccess) {
        QByteArray data;
        std::uint32_t capacity = size;
        if (registry.queryValue(key, kPath, &type, &data, &capacity) != reg::kSuccess ||
            capacity != size || data.size() != static_cast<qsizetype>(size))
            fuzz::fault("a value's size and its data disagree");
    }
    if (registry.closeKey(key) != reg::kSuccess) fuzz::fault("an opened key cannot be closed");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzz::MemoryEnv env;
    static const QString file = QStringLiteral("registre.reg");
    const QByteArray input = fuzz::bytesOf(data, size);

    const std::optional<regtext::Key> top = regtext::parse(input, nullptr);
    if (top) {
        const QByteArray written = regtext::write(*top);
        regtext::ParseError error;
        const std::optional<regtext::Key> again = regtext::parse(written, &error);
        if (!again || !sameKey(*again, *top))
            fuzz::fault(
                "a registry written out does not read back the same",
                QStringLiteral("line %1: %2\n%3").arg(error.line).arg(error.reason, hex(written)));
    }

    env.files[file] = QByteArray(input.constData(), input.size());  // outlives the input
    int logged = 0;
    FileRegistry registry(env, file, [&](const QString&) { ++logged; });
    readPath(registry);

    static const std::array<std::uint32_t, 6> kTypes = {reg::kSz,     reg::kExpandSz, reg::kMultiSz,
                                                        reg::kBinary, reg::kDword,    0xb};
    const std::uint32_t type = kTypes[(size > 0 ? data[0] : 0) % kTypes.size()];
    QByteArray value = type == reg::kDword ? input.left(4).leftJustified(4, '\0') : input.right(32);
    if (reg::isTextType(type)) value.append('\0');

    reg::Handle key = 0;
    const std::int32_t created = registry.createKey(reg::kLocalMachine, kNotes, &key);
    const bool readable = input.isEmpty() || top;
    if (!readable) {
        if (created != reg::kRegistryCorrupt ||
            registry.setValue(reg::kLocalMachine, kPath, type, value) != reg::kRegistryCorrupt)
            fuzz::fault("an unreadable registry file was not refused");
        if (env.readFile(file) != input) fuzz::fault("an unreadable registry file was changed");
        if (logged == 0) fuzz::fault("an unreadable registry file was not logged");
        return 0;
    }
    if (created != reg::kSuccess) fuzz::fault("the mail client's key cannot be created");
    if (registry.setValue(key, kPath, type, value) != reg::kSuccess)
        fuzz::fault("a value cannot be set");

    regtext::Key expected = top ? *top : regtext::emptyRegistry();
    regtext::Key* k = &expected;
    for (const QString& name :
         (QStringLiteral("HKEY_LOCAL_MACHINE\\") + kNotes).split(QLatin1Char('\\')))
        k = &k->ensureSubkey(name);
    k->setValue(kPath, type, reg::isTextType(type) ? regtext::utf16FromAnsi(value) : value);
    const QByteArray saved = env.readFile(file).value_or(QByteArray());
    const std::optional<regtext::Key> after = regtext::parse(saved, nullptr);
    if (!after || !sameKey(*after, expected))
        fuzz::fault("setting one value changed others, or did not save it", hex(saved));

    QByteArray back;
    std::uint32_t capacity = 1u << 20;
    if (registry.queryValue(key, kPath, nullptr, &back, &capacity) != reg::kSuccess ||
        back != value)
        fuzz::fault("a value does not read back as it was set", hex(back));
    registry.closeKey(key);

    if (registry.deleteTree(reg::kLocalMachine, QStringLiteral("Software\\Lotus")) != reg::kSuccess)
        fuzz::fault("a key that is there cannot be deleted");
    reg::Handle gone = 0;
    if (registry.openKey(reg::kLocalMachine, kNotes, reg::kRead, &gone) != reg::kFileNotFound)
        fuzz::fault("a deleted key can still be opened");
    if (registry.openKeyCount() != 0) fuzz::fault("keys left open");
    return 0;
}
