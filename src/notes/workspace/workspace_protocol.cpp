#include "notes/workspace/workspace_protocol.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QtEndian>

#include "notes/workspace/workspace_codes.h"

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace vantor::notes::protocol {
namespace {

enum Kind : std::uint8_t {
    kEditDocument = 1,
    kOpenDatabase = 2,
    kShow = 3,
    kCurrentWindow = 4,
    kDone = 0x81,
    kFailed = 0x82,
};

Failure badMessage(const QString& why) {
    return Failure(workspace_code::kBadMessage,
                   QStringLiteral("Message du client de messagerie illisible : %1.").arg(why));
}

class Writer {
  public:
    explicit Writer(std::uint8_t kind) {
        u32(kMagic);
        u16(kVersion);
        bytes_.append(static_cast<char>(kind));
    }
    void u16(std::uint16_t v) {
        char b[2];
        qToBigEndian(v, b);
        bytes_.append(b, 2);
    }
    void u32(std::uint32_t v) {
        char b[4];
        qToBigEndian(v, b);
        bytes_.append(b, 4);
    }
    void i32(std::int32_t v) { u32(static_cast<std::uint32_t>(v)); }
    void boolean(bool v) { bytes_.append(v ? '\1' : '\0'); }
    void text(const QString& s) {
        const QByteArray utf8 = s.toUtf8();
        u32(static_cast<std::uint32_t>(utf8.size()));
        bytes_.append(utf8);
    }
    QByteArray frame() const {
        if (static_cast<std::uint64_t>(bytes_.size()) > kMaxMessageBytes)
            throw badMessage(QStringLiteral("message trop volumineux"));
        QByteArray out(4, '\0');
        qToBigEndian(static_cast<std::uint32_t>(bytes_.size()), out.data());
        return out + bytes_;
    }

  private:
    QByteArray bytes_;
};

class Reader {
  public:
    explicit Reader(const QByteArray& bytes) : bytes_(bytes) {
        if (u32() != kMagic) throw badMessage(QStringLiteral("protocole inconnu"));
        if (const std::uint16_t version = u16(); version != kVersion)
            throw badMessage(
                QStringLiteral("version %1 du protocole non prise en charge (attendue : %2)")
                    .arg(version)
                    .arg(kVersion));
        kind_ = u8();
    }
    std::uint8_t kind() const { return kind_; }

    std::uint8_t u8() { return static_cast<std::uint8_t>(take(1)[0]); }
    std::uint16_t u16() { return qFromBigEndian<std::uint16_t>(take(2).constData()); }
    std::uint32_t u32() { return qFromBigEndian<std::uint32_t>(take(4).constData()); }
    std::int32_t i32() { return static_cast<std::int32_t>(u32()); }
    bool boolean() { return u8() != 0; }
    QString text() { return QString::fromUtf8(take(u32())); }
    // A count of elements that each take at least `minBytes`: a count that
    // cannot fit in what is left is a damaged message, not a reason to allocate.
    std::uint32_t count(std::uint32_t minBytes) {
        const std::uint32_t n = u32();
        if (static_cast<std::uint64_t>(n) * minBytes > static_cast<std::uint64_t>(left()))
            throw badMessage(QStringLiteral("nombre d'éléments incohérent"));
        return n;
    }
    void end() const {
        if (left() != 0) throw badMessage(QStringLiteral("octets en trop"));
    }

  private:
    qsizetype left() const { return bytes_.size() - pos_; }
    QByteArray take(std::uint64_t n) {
        if (n > static_cast<std::uint64_t>(left()))
            throw badMessage(QStringLiteral("message tronqué"));
        QByteArray part = bytes_.mid(pos_, static_cast<qsizetype>(n));
        pos_ += static_cast<qsizetype>(n);
        return part;
    }

    const QByteArray& bytes_;
    qsizetype pos_ = 0;
    std::uint8_t kind_ = 0;
};

void writeItems(Writer& w, const std::vector<ItemData>& items) {
    w.u32(static_cast<std::uint32_t>(items.size()));
    for (const ItemData& item : items) {
        w.text(item.name);
        w.i32(item.type);
        w.text(item.text);
        w.u32(static_cast<std::uint32_t>(item.attachments.size()));
        for (const AttachmentRef& a : item.attachments) {
            w.i32(a.type);
            w.text(a.name);
            w.text(a.path);
        }
    }
}

std::vector<ItemData> readItems(Reader& r) {
    std::vector<ItemData> items(r.count(16));
    for (ItemData& item : items) {
        item.name = r.text();
        item.type = r.i32();
        item.text = r.text();
        item.attachments.resize(r.count(12));
        for (AttachmentRef& a : item.attachments) {
            a.type = r.i32();
            a.name = r.text();
            a.path = r.text();
        }
    }
    return items;
}

}  // namespace

QByteArray encodeRequest(const Request& request) {
    if (const auto* edit = std::get_if<EditDocument>(&request)) {
        Writer w(kEditDocument);
        w.boolean(edit->editMode);
        writeItems(w, edit->items);
        return w.frame();
    }
    if (const auto* open = std::get_if<OpenDatabase>(&request)) {
        Writer w(kOpenDatabase);
        w.text(open->server);
        w.text(open->file);
        w.text(open->view);
        w.text(open->key);
        w.boolean(open->newInstance);
        return w.frame();
    }
    return Writer(std::holds_alternative<Show>(request) ? kShow : kCurrentWindow).frame();
}

QByteArray encodeReply(const Reply& reply) {
    if (reply.failure) {
        Writer w(kFailed);
        w.i32(reply.failure->code());
        w.text(reply.failure->description());
        return w.frame();
    }
    Writer w(kDone);
    w.u32(static_cast<std::uint32_t>(reply.fields.size()));
    for (auto it = reply.fields.cbegin(); it != reply.fields.cend(); ++it) {
        w.text(it.key());
        w.text(it.value());
    }
    return w.frame();
}

Request decodeRequest(const QByteArray& payload) {
    Reader r(payload);
    Request request;
    switch (r.kind()) {
        case kEditDocument: {
            EditDocument edit;
            edit.editMode = r.boolean();
            edit.items = readItems(r);
            request = std::move(edit);
            break;
        }
        case kOpenDatabase: {
            OpenDatabase open;
            open.server = r.text();
            open.file = r.text();
            open.view = r.text();
            open.key = r.text();
            open.newInstance = r.boolean();
            request = std::move(open);
            break;
        }
        case kShow:
            request = Show{};
            break;
        case kCurrentWindow:
            request = CurrentWindow{};
            break;
        default:
            throw badMessage(QStringLiteral("demande de type %1 inconnue").arg(r.kind()));
    }
    r.end();
    return request;
}

Reply decodeReply(const QByteArray& payload) {
    Reader r(payload);
    Reply reply;
    if (r.kind() == kFailed) {
        const std::int32_t code = r.i32();
        reply.failure.emplace(code, r.text());
    } else if (r.kind() == kDone) {
        for (std::uint32_t n = r.count(8); n > 0; --n) {
            const QString key = r.text();
            reply.fields.insert(key, r.text());
        }
    } else {
        throw badMessage(QStringLiteral("réponse de type %1 inconnue").arg(r.kind()));
    }
    r.end();
    return reply;
}

std::optional<QByteArray> takeFrame(QByteArray& buffer) {
    if (buffer.size() < 4) return std::nullopt;
    const auto length = qFromBigEndian<std::uint32_t>(buffer.constData());
    if (length > kMaxMessageBytes) throw badMessage(QStringLiteral("message trop volumineux"));
    if (buffer.size() - 4 < static_cast<qsizetype>(length)) return std::nullopt;
    QByteArray payload = buffer.mid(4, static_cast<qsizetype>(length));
    buffer.remove(0, 4 + static_cast<qsizetype>(length));
    return payload;
}

QString socketName(const QString& dataRoot) {
    const QFileInfo info(dataRoot);
    QString folder = info.canonicalFilePath();
    if (folder.isEmpty()) folder = QDir::cleanPath(info.absoluteFilePath());
#ifdef Q_OS_UNIX
    const QString user = QString::number(::getuid());
#else
    const QString user = qEnvironmentVariable("USERNAME").toLower();
    folder = folder.toLower();  // one folder, whatever the spelling
#endif
    const QByteArray digest =
        QCryptographicHash::hash(folder.toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
    return QStringLiteral("vantor-notes-%1-%2").arg(user, QString::fromLatin1(digest));
}

}  // namespace vantor::notes::protocol
