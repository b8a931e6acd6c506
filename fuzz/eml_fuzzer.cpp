// Any bytes as a .eml message, imported as `vantor-store import-eml` does it:
// read into a memo (or refused with kBadMessage), delivered into a real
// mailbox in a scratch folder, and read back as delivered. The same bytes are
// read as a server's message, whole and without the attachments' bytes (the
// same body text), and, taken as HTML, go through the HTML-to-text
// conversion alone.
#include <sqlite3.h>

#include "eml_reader.h"
#include "fuzz_support.h"
#include "notes/mime/html_text.h"
#include "notes/mime/message.h"
#include "notes/store/memo.h"
#include "notes/store/store_admin.h"

namespace {

using namespace vantor;

const QString kServer = QStringLiteral("Paris/Vantor");
const QString kMailbox = QStringLiteral("mail\\import.nsf");

store::LocalDatabase& mailbox() {
    static std::shared_ptr<store::LocalDatabase> database = [] {
        store::StoreAdmin admin(fuzz::scratchFile(QStringLiteral("notesdata")));
        auto db = admin.createMailbox(kServer, kMailbox, {QStringLiteral("Jean Dupont/Vantor")});
        // Scratch data: no need to wait for the disk at every delivery.
        sqlite3_exec(db->mailFile()->connection().handle(), "PRAGMA synchronous=OFF", nullptr,
                     nullptr, nullptr);
        return db;
    }();
    return *database;
}

void checkDelivered(store::LocalDatabase& database, const QString& unid, const store::Memo& memo) {
    notes::DocumentPtr doc = database.getDocumentByUNID(unid);
    if (!doc) fuzz::fault("a delivered message cannot be found");
    for (const auto& [name, value] : {std::pair{QStringLiteral("From"), memo.from},
                                      std::pair{QStringLiteral("SendTo"), memo.sendTo},
                                      std::pair{QStringLiteral("Subject"), memo.subject},
                                      std::pair{QStringLiteral("Body"), memo.body}}) {
        if (doc->itemValue(name) != value)
            fuzz::fault("an imported item does not read back as it was read",
                        name + QStringLiteral(":\n") + value.left(200) + QStringLiteral("\n---\n") +
                            doc->itemValue(name).left(200));
    }
    const notes::ItemPtr body = doc->getFirstItem(QStringLiteral("Body"));
    const std::vector<notes::EmbeddedObjectPtr> objects = body->embeddedObjects();
    if (objects.size() != memo.attachments.size()) fuzz::fault("attachments lost at delivery");
    for (std::size_t i = 0; i < objects.size(); ++i) {
        const auto* stored = dynamic_cast<const store::LocalEmbeddedObject*>(objects[i].get());
        if (objects[i]->name() != memo.attachments[i].name ||
            stored->size() != memo.attachments[i].bytes.size())
            fuzz::fault("an attachment was not stored as it was read", memo.attachments[i].name);
    }
    doc->remove(true);  // keeps the mailbox small over a long run
}

void checkServerReading(const QByteArray& input) {
    try {
        const mime::Message whole = mime::readMessage(input);
        const mime::Message skeleton = mime::readMessage(input, mime::AttachmentBytes::kLeftOut);
        if (skeleton.body != whole.body || skeleton.attachments.size() != whole.attachments.size())
            fuzz::fault("leaving out the attachments' bytes changed the message's text");
    } catch (const Failure& f) {
        if (f.code() != mime::code::kBadMessage)
            fuzz::fault("a message was refused with another code", f.description());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const QString file = fuzz::scratchFile(QStringLiteral("message.eml"));
    const QByteArray input = fuzz::bytesOf(data, size);
    (void)mime::htmlToText(QString::fromUtf8(input));
    checkServerReading(input);

    fuzz::putFile(file, input);
    store::Memo memo;
    try {
        memo = tool::readEmlFile(file);
    } catch (const Failure& f) {
        if (f.code() != mime::code::kBadMessage)
            fuzz::fault("a message was refused with another code", f.description());
        return 0;
    }
    store::LocalDatabase& database = mailbox();
    QString unid;
    try {
        unid = store::deliverMemo(database, memo)->universalID();
    } catch (const Failure& f) {
        fuzz::fault("a message read from a file cannot be delivered", f.description());
    }
    checkDelivered(database, unid, memo);
    return 0;
}
