#include "notes/imap/imap_session.h"

#include "notes/imap/imap_client.h"

namespace vantor::imap {

class ImapDbDirectory : public notes::DbDirectory {
  public:
    ImapDbDirectory(ImapSession& session, QString server)
        : session_(session), server_(std::move(server)) {}
    notes::DatabasePtr openDatabase(const QString& file, bool) override {
        return session_.openDatabase(server_, file);
    }

  private:
    ImapSession& session_;
    QString server_;
};

std::shared_ptr<ImapDatabase> ImapSession::openDatabase(const QString& server,
                                                        const QString& file) {
    auto db = std::make_shared<ImapDatabase>(client_, server, file, password_);
    db->open();
    const ServerAddress address = client_.accountFor(server, password_)->account().address();
    userName_ = address.login.contains(QLatin1Char('@'))
                    ? address.login
                    : address.login + QLatin1Char('@') + address.host;
    return db;
}

notes::DbDirectoryPtr ImapSession::getDbDirectory(const QString& server) {
    return std::make_shared<ImapDbDirectory>(*this, server);
}

notes::DatabasePtr ImapSession::getDatabase(const QString& server, const QString& file) {
    try {
        return openDatabase(server, file);
    } catch (const Failure&) {
        return std::make_shared<ImapDatabase>(client_, server, file, password_);
    }
}

}  // namespace vantor::imap
