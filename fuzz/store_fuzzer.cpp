// Any bytes as a mail database file, then opened, walked and read as the scan
// does it: a session with the user's password, the mailbox opened from its
// server's directory, every view and folder walked from first to last, every
// item and attachment read, then a document moved and deleted as the popup's
// commands do. Bytes that are not an SQLite database are also tried as the
// identity file (user.id) in front of a sound mailbox. Either must end in a
// clean failure (vantor::Failure) or a result: no crash, no hang, no walk
// that goes back.
#include <QDir>
#include <QFile>

#include "fuzz_support.h"
#include "notes/store/local_client.h"
#include "notes/store/local_document.h"
#include "notes/store/memo.h"
#include "notes/store/store_admin.h"

namespace {

using namespace vantor;

const QString kUser = QStringLiteral("Jean Dupont/Vantor");
const QString kPassword = QStringLiteral("secret");
const QString kServer = QStringLiteral("Paris/Vantor");
const QString kMailbox = QStringLiteral("mail\\jdupont.nsf");

QByteArray contentOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A data root with the user and a sound mailbox holding one message with an
// attachment, filed in a folder; the sound files are kept to be put back.
struct Store {
    QString root = fuzz::scratchFile(QStringLiteral("notesdata"));
    QString identityPath;
    QString mailboxPath;
    QByteArray identity;
    QByteArray mailbox;

    Store() {
        store::StoreAdmin admin(root);
        admin.setUser(kUser, kPassword, kServer, kMailbox);
        {
            auto db = admin.createMailbox(kServer, kMailbox, {kUser});
            store::Memo memo;
            memo.from = QStringLiteral("Marc Lefèvre/Vantor");
            memo.subject = QStringLiteral("Réunion");
            memo.body = QStringLiteral("Corps");
            memo.attachments.push_back({QStringLiteral("a.txt"), QString(), QByteArray("pièce")});
            memo.folders << QStringLiteral("Projets\\2004");
            store::deliverMemo(*db, memo);
        }  // closed: its journal is folded back into the file
        identityPath = admin.root().identityPath();
        mailboxPath = admin.root().findFile(kServer, kMailbox);
        identity = contentOf(identityPath);
        mailbox = contentOf(mailboxPath);
    }

    void put(const QByteArray& identityBytes, const QByteArray& mailboxBytes) const {
        fuzz::putFile(identityPath, identityBytes);
        for (const char* journal : {"-wal", "-shm", "-journal"})
            QFile::remove(mailboxPath + QLatin1String(journal));
        fuzz::putFile(mailboxPath, mailboxBytes);
    }
};

void readDocument(notes::Document& doc) {
    (void)doc.universalID();
    (void)doc.created();
    (void)doc.itemValue(QStringLiteral("Subject"));
    for (const notes::ItemPtr& item : doc.items()) {
        (void)item->name();
        (void)item->text();
        (void)item->type();
        for (const notes::EmbeddedObjectPtr& object : item->embeddedObjects()) {
            (void)object->name();
            (void)object->type();
            object->extractFile(fuzz::scratchFile(QStringLiteral("extrait")));
        }
    }
}

// Every document in view order, each step forward. Without `read`, only what
// the scan reads of a document it has seen: its creation time.
void walk(notes::Database& database, notes::View& view, bool read) {
    std::int64_t last = 0;
    for (notes::DocumentPtr doc = view.getFirstDocument(); doc; doc = view.getNextDocument(*doc)) {
        const std::int64_t row = dynamic_cast<store::LocalDocument&>(*doc).rowId();
        if (row <= last) fuzz::fault("a view walk went back: it would never end");
        last = row;
        (void)doc->created();
        if (!read) continue;
        readDocument(*doc);
        (void)database.getDocumentByUNID(doc->universalID());
    }
}

// The scan's way in, then everything it and the popup read.
void openAndRead(const QString& root) {
    store::LocalClient client(root);
    try {
        notes::SessionPtr session = client.createBackendSession();
        session->initialize(kPassword);
        (void)session->userName();
        notes::DatabasePtr database =
            session->getDbDirectory(kServer)->openDatabase(kMailbox, false);
        if (notes::ViewPtr all = database->getView(QStringLiteral("($All)"))) {
            walk(*database, *all, false);
            walk(*database, *all, true);
        }
        for (const notes::ViewPtr& view : database->views()) {
            (void)view->name();
            walk(*database, *view, true);
        }
        // What the popup's commands change: a move to a folder, a deletion.
        if (notes::ViewPtr all = database->getView(QStringLiteral("($All)"))) {
            if (notes::DocumentPtr doc = all->getFirstDocument()) {
                doc->putInFolder(QStringLiteral("Projets\\Archivés"), true);
                doc->removeFromFolder(QStringLiteral("($Inbox)"));
                doc->remove(true);
            }
        }
    } catch (const Failure&) {
        // A clean refusal is what a damaged file must give.
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const Store store;
    const QByteArray input = fuzz::bytesOf(data, size);
    store.put(store.identity, input);
    openAndRead(store.root);
    if (!input.startsWith(QByteArray("SQLite format 3\0", 16))) {
        store.put(input, store.mailbox);
        openAndRead(store.root);
    }
    return 0;
}
