#include "notes/store/local_session.h"

#include "notes/store/local_database.h"
#include "notes/store/store_codes.h"

namespace vantor::store {

LocalSession::LocalSession(QString dataRoot, Kind kind) : root_(std::move(dataRoot)) {
    if (kind == Kind::Client) context_ = loadContext();
}

SessionContextPtr LocalSession::loadContext() const {
    const std::optional<Identity> identity = loadIdentity(root_.identityPath());
    if (!identity)
        throw Failure(code::kNoUser,
                      QStringLiteral("Aucun utilisateur de messagerie n'est configuré sur ce poste "
                                     "(fichier d'identification %1 absent).")
                          .arg(root_.identityPath()));
    return std::make_shared<const SessionContext>(SessionContext{root_, *identity});
}

void LocalSession::initialize(const QString& password) {
    SessionContextPtr context = loadContext();
    if (!context->identity.passwordMatches(password))
        throw Failure(code::kWrongPassword,
                      QStringLiteral("Mot de passe incorrect. (Les mots de passe distinguent les majuscules "
                                     "des minuscules.)"));
    context_ = std::move(context);
}

const SessionContextPtr& LocalSession::ready() const {
    if (!context_)
        throw Failure(code::kSessionNotInitialized,
                      QStringLiteral("La session de messagerie n'est pas ouverte : elle doit d'abord être "
                                     "initialisée avec le mot de passe."));
    return context_;
}

notes::DbDirectoryPtr LocalSession::getDbDirectory(const QString& server) {
    const SessionContextPtr& context = ready();
    checkServerName(server);
    return std::make_shared<LocalDbDirectory>(context, server);
}

notes::DatabasePtr LocalSession::getDatabase(const QString& server, const QString& file) {
    auto database = std::make_shared<LocalDatabase>(ready(), server, file);
    try {
        database->open();
    } catch (const Failure&) {
        // A database object that is not open: the caller may openMail() it.
    }
    return database;
}

QString LocalSession::userName() { return ready()->identity.userName; }

}  // namespace vantor::store
