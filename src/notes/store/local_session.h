#pragma once
// A session of the local store: the back-end kind opens with the user's
// password; the client kind is the user already logged into this machine.
#include "notes/notes.h"
#include "notes/store/session_context.h"

namespace vantor::store {

class LocalSession : public notes::Session {
public:
    enum class Kind { Backend, Client };
    // A client session reads the identity at once and fails without one.
    LocalSession(QString dataRoot, Kind kind);

    // Throws kNoUser without an identity, kWrongPassword for a wrong one.
    void initialize(const QString& password) override;
    // Never fails for a well-formed server name; reachability is checked
    // when a database is opened.
    notes::DbDirectoryPtr getDbDirectory(const QString& server) override;
    notes::DatabasePtr getDatabase(const QString& server, const QString& file) override;
    QString userName() override;

private:
    const SessionContextPtr& ready() const;
    SessionContextPtr loadContext() const;

    DataRoot root_;
    SessionContextPtr context_;
};

}  // namespace vantor::store
