#pragma once
// A mail database of the local store and the directory of one server's
// databases. Opening checks, in order: the file name, the server, the file,
// its format and lock, and the access list.
#include "notes/notes.h"
#include "notes/store/mail_file.h"
#include "notes/store/session_context.h"

namespace vantor::store {

class LocalDatabase : public notes::Database {
public:
    // Not open yet; `context` is null for the store's manager (the tool).
    LocalDatabase(SessionContextPtr context, QString server, QString file);

    // Opens as the session's user; throws a failure naming server and file.
    void open();
    // Opens as the server's manager: the access list and a server marked
    // down do not stop it (the tool delivers on the server itself).
    static std::shared_ptr<LocalDatabase> openAsManager(const DataRoot& root, const QString& server,
                                                        const QString& file);

    QString server() const override { return server_; }
    QString filePath() const override { return file_; }
    bool isOpen() const override { return mail_ != nullptr; }
    void openMail() override;
    notes::ViewPtr getView(const QString& name) override;
    std::vector<notes::ViewPtr> views() override;
    // Null for an unknown or malformed ID.
    notes::DocumentPtr getDocumentByUNID(const QString& unid) override;
    notes::DocumentPtr createDocument() override;
    // One transaction (a savepoint inside another); rolled back unless committed.
    notes::WriteBatchPtr beginWriteBatch() override;

    // The open file; throws kDatabaseNotOpen.
    const std::shared_ptr<MailFile>& mailFile() const;

private:
    SessionContextPtr context_;
    QString server_;
    QString file_;
    std::shared_ptr<MailFile> mail_;
};

class LocalDbDirectory : public notes::DbDirectory {
public:
    LocalDbDirectory(SessionContextPtr context, QString server)
        : context_(std::move(context)), server_(std::move(server)) {}
    notes::DatabasePtr openDatabase(const QString& file, bool failover) override;

private:
    SessionContextPtr context_;
    QString server_;
};

// Several changes to one open database made as one transaction (deliveries in
// bulk, a memo and its folders, copies into an archive); rolled back unless
// committed. The outermost batch's commit returns once it is on the disk, so
// that archiving removes a source only after its copy survives a power cut.
class Batch : public notes::WriteBatch {
public:
    explicit Batch(notes::Database& database);
    void commit() override;

private:
    std::shared_ptr<MailFile> file_;
    Transaction transaction_;
};

}  // namespace vantor::store
