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

TextReadAhead::Group TextReadAhead::groupFrom(std::size_t first, bool sendNow) {
    const std::vector<MessageSummary>& batch = *batch_;
    Group group;
    Account::WantedSections wanted;
    quint64 bytes = 0;
    std::size_t at = first;
    for (; at < batch.size() && wanted.size() < kMostMessages; ++at) {
        const MessageSummary& s = batch[at];
        if (!s.body) continue;
        const QStringList sections = mime::sectionsForText(outlineOf(*s.body));
        const quint64 weight = announcedBytes(*s.body, sections);
        if (!wanted.empty() && bytes + weight > kMostBytes) break;
        bytes += weight;
        std::vector<QByteArray> raw;
        for (const QString& n : sections) raw.push_back(n.toLatin1());
        wanted.emplace_back(s.uid, std::move(raw));
        group.names[s.uid] = sections;
    }
    group.end = at;
    Account& account = account_->account();
    if (sendNow) {
        group.answer = account.fetchSectionsAhead(folder_, wanted);
    } else {
        group.answer = [&account, folder = folder_, wanted] {
            return account.fetchSections(folder, wanted);
        };
    }
    return group;
}

void TextReadAhead::receive(Group& group) {
    auto found = group.answer();
    for (auto& [u, sections] : found) {
        const QStringList& asked = group.names[u];
        if (static_cast<qsizetype>(sections.size()) != asked.size()) continue;  // read again alone
        mime::SectionContents& contents = ready_[u];
        for (const QString& n : asked) contents[n] = std::move(sections[n.toLatin1()]);
    }
}

void TextReadAhead::start() {
    if (!sent_ && !batch_->empty()) sent_ = groupFrom(0, true);
}

std::optional<mime::SectionContents> TextReadAhead::take(quint32 uid) {
    used_ = true;
    // A walk goes by UID: what it passed by unread is not kept.
    if (order_ == Order::byUid) ready_.erase(ready_.begin(), ready_.lower_bound(uid));
    if (auto contents = taken(uid)) return contents;
    const std::vector<MessageSummary>& batch = *batch_;
    auto s = std::lower_bound(batch.begin(), batch.end(), uid,
                              [](const MessageSummary& m, quint32 u) { return m.uid < u; });
    if (s == batch.end() || s->uid != uid || !s->body) return std::nullopt;
    std::size_t end = 0;
    if (sent_ && sent_->names.count(uid)) {
        receive(*sent_);
        end = sent_->end;
    } else {
        Group now = groupFrom(static_cast<std::size_t>(s - batch.begin()), false);
        receive(now);
        end = now.end;
    }
    // The next group is asked for while the walk reads this one.
    sent_.reset();
    if (end < batch.size()) sent_ = groupFrom(end, true);
    return taken(uid);
}

}  // namespace vantor::imap
