#include "notes/imap/text_read_ahead.h"

#include <algorithm>

namespace vantor::imap {

namespace {

// What the sections will weigh, as far as the structure says.
quint64 announcedBytes(const BodyPart& body, const QStringList& sections) {
    quint64 total = 0;
    for (const QString& s : sections)
        if (const BodyPart* part = partAt(body, s.toLatin1())) total += part->size;
    return total;
}

}  // namespace

const BodyPart* partAt(const BodyPart& part, const QByteArray& section) {
    if (part.section == section && !part.isMultipart()) return &part;
    for (const BodyPart& p : part.parts)
        if (const BodyPart* found = partAt(p, section)) return found;
    return nullptr;
}

mime::PartOutline outlineOf(const BodyPart& part) {
    mime::PartOutline o{
        part.type, part.subtype, part.disposition, static_cast<qint64>(part.size), {}};
    for (const BodyPart& p : part.parts) o.parts.push_back(outlineOf(p));
    return o;
}

std::optional<mime::SectionContents> TextReadAhead::taken(quint32 uid) {
    const auto r = ready_.find(uid);
    if (r == ready_.end()) return std::nullopt;
    mime::SectionContents contents = std::move(r->second);
    ready_.erase(r);
    return contents;
}

std::optional<mime::SectionContents> TextReadAhead::take(quint32 uid) {
    // The walk goes by UID: what it passed by unread is not kept.
    ready_.erase(ready_.begin(), ready_.lower_bound(uid));
    if (auto contents = taken(uid)) return contents;
    const std::vector<MessageSummary>& batch = *batch_;
    auto s = std::lower_bound(batch.begin(), batch.end(), uid,
                              [](const MessageSummary& m, quint32 u) { return m.uid < u; });
    if (s == batch.end() || s->uid != uid || !s->body) return std::nullopt;
    Account::WantedSections wanted;
    std::map<quint32, QStringList> names;
    quint64 bytes = 0;
    for (; s != batch.end() && wanted.size() < kMostMessages; ++s) {
        if (!s->body) continue;
        const QStringList sections = mime::sectionsForText(outlineOf(*s->body));
        const quint64 weight = announcedBytes(*s->body, sections);
        if (!wanted.empty() && bytes + weight > kMostBytes) break;
        bytes += weight;
        std::vector<QByteArray> raw;
        for (const QString& n : sections) raw.push_back(n.toLatin1());
        wanted.emplace_back(s->uid, std::move(raw));
        names[s->uid] = sections;
    }
    auto found = account_->account().fetchSections(folder_, wanted);
    for (auto& [u, sections] : found) {
        const QStringList& asked = names[u];
        if (static_cast<qsizetype>(sections.size()) != asked.size()) continue;  // read again alone
        mime::SectionContents& contents = ready_[u];
        for (const QString& n : asked) contents[n] = std::move(sections[n.toLatin1()]);
    }
    return taken(uid);
}

}  // namespace vantor::imap
