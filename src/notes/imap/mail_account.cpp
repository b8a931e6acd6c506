#include "notes/imap/mail_account.h"

#include <algorithm>
#include <cmath>

#include "platform/env.h"

namespace vantor::imap {

namespace {

// Without special-use flags, the usual names at the top level.
SpecialUse usualSpecialUse(const Folder& folder) {
    if (folder.path.contains(QLatin1Char('\\'))) return SpecialUse::None;
    const QString name = folder.path.toLower();
    if (name == QLatin1String("trash")) return SpecialUse::Trash;
    if (name == QLatin1String("sent")) return SpecialUse::Sent;
    if (name == QLatin1String("drafts")) return SpecialUse::Drafts;
    if (name == QLatin1String("junk") || name == QLatin1String("spam")) return SpecialUse::Junk;
    return SpecialUse::None;
}

SpecialUse specialUseOf(const Folder& folder) {
    return folder.specialUse != SpecialUse::None ? folder.specialUse : usualSpecialUse(folder);
}

}  // namespace

MailAccount::MailAccount(NetworkThread& network, AccountSettings settings)
    : account_(network, settings),
      env_(settings.env ? settings.env : Env::Default()),
      log_(settings.log) {}

QString MailAccount::nameOf(const Folder& folder) {
    if (folder.raw.compare("INBOX", Qt::CaseInsensitive) == 0) return QStringLiteral("($Inbox)");
    switch (specialUseOf(folder)) {
        case SpecialUse::Trash:
            return QStringLiteral("($Trash)");
        case SpecialUse::Sent:
            return QStringLiteral("($Sent)");
        case SpecialUse::Drafts:
            return QStringLiteral("($Drafts)");
        case SpecialUse::Junk:
            return QStringLiteral("($JunkMail)");
        default:
            return folder.path;
    }
}

std::vector<Folder> MailAccount::folders(const QString& root, bool refresh) {
    std::vector<Folder> out;
    const bool all = root.compare(QLatin1String("INBOX"), Qt::CaseInsensitive) == 0;
    for (const Folder& f : account_.folders(refresh)) {
        if (!f.selectable) continue;
        if (!all && f.path != root && !f.path.startsWith(root + QLatin1Char('\\'))) continue;
        out.push_back(f);
    }
    return out;
}

std::vector<Folder> MailAccount::watchedFolders(const QString& root) {
    std::vector<Folder> out;
    for (const Folder& f : folders(root)) {
        const SpecialUse use = specialUseOf(f);
        // Virtual folders (all mail, flagged mail) hold copies of the others.
        if (use == SpecialUse::Trash || use == SpecialUse::Junk || use == SpecialUse::Sent ||
            use == SpecialUse::Drafts || use == SpecialUse::All || use == SpecialUse::Flagged ||
            f.path == QLatin1String("Recherche"))
            continue;
        out.push_back(f);
    }
    return out;
}

QByteArray MailAccount::rawOf(const QString& name) {
    if (name.startsWith(QLatin1String("($")))
        for (const Folder& f : account_.folders())
            if (nameOf(f).compare(name, Qt::CaseInsensitive) == 0) return f.raw;
    if (name.compare(QLatin1String("($Inbox)"), Qt::CaseInsensitive) == 0) return "INBOX";
    return account_.rawName(name);
}

std::optional<Folder> MailAccount::trashFolder() {
    std::optional<Folder> named;
    for (const Folder& f : account_.folders()) {
        if (!f.selectable) continue;
        if (f.specialUse == SpecialUse::Trash) return f;
        if (!named && usualSpecialUse(f) == SpecialUse::Trash) named = f;
    }
    return named;
}

qint64 MailAccount::nowSecs() {
    // Rounded up: a message seen in the second a scan began still counts as after it.
    return static_cast<qint64>(
        std::ceil(static_cast<double>(env_->now().toMSecsSinceEpoch()) / 1000.0));
}

std::vector<FolderStatus> MailAccount::observe(const std::vector<QByteArray>& folders) {
    std::vector<FolderStatus> statuses = account_.status(folders);
    const qint64 now = nowSecs();
    for (const FolderStatus& s : statuses)
        if (s.found) marks_.observe(s.raw, s.uidValidity, s.uidNext, now);
    return statuses;
}

void MailAccount::observeNew(const std::vector<Folder>& folders) {
    std::vector<QByteArray> fresh;
    for (const Folder& f : folders)
        if (!marks_.observed(f.raw)) fresh.push_back(f.raw);
    if (!fresh.empty()) observe(fresh);
}

bool MailAccount::isOwnAddress(const QByteArray& mailbox, const QByteArray& host) const {
    const QString address = QString::fromUtf8(mailbox + '@' + host);
    const ServerAddress& a = account_.address();
    if (a.login.contains(QLatin1Char('@')))
        return address.compare(a.login, Qt::CaseInsensitive) == 0;
    const QString domain = a.host.section(QLatin1Char('.'), 1);
    return address.compare(a.login + QLatin1Char('@') + a.host, Qt::CaseInsensitive) == 0 ||
           (!domain.isEmpty() &&
            address.compare(a.login + QLatin1Char('@') + domain, Qt::CaseInsensitive) == 0);
}

void MailAccount::remember(const QString& unid, const QByteArray& messageId,
                           const Location& where) {
    Seen& seen = seen_[unid];
    if (seen.messageId.isEmpty()) seen.messageId = messageId;
    if (std::find(seen.locations.begin(), seen.locations.end(), where) == seen.locations.end())
        seen.locations.push_back(where);
}

void MailAccount::forget(const QString& unid, const Location& where) {
    const auto s = seen_.find(unid);
    if (s == seen_.end()) return;
    std::erase(s->second.locations, where);
}

std::vector<Location> MailAccount::locationsOf(const QString& unid) const {
    const auto s = seen_.find(unid);
    return s == seen_.end() ? std::vector<Location>{} : s->second.locations;
}

QByteArray MailAccount::messageIdOf(const QString& unid) const {
    const auto s = seen_.find(unid);
    return s == seen_.end() ? QByteArray() : s->second.messageId;
}

}  // namespace vantor::imap
