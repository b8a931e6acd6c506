#include "notes/store/local_database.h"

#include "notes/store/local_document.h"
#include "notes/store/local_view.h"
#include "notes/store/store_codes.h"

namespace vantor::store {

namespace {

std::shared_ptr<MailFile> openFile(const DataRoot& root, const QString& server, const QString& file) {
    const QString path = root.findFile(server, file);
    if (path.isEmpty())
        throw Failure(code::kFileNotFound,
                      QStringLiteral("La base « %1 » est introuvable %2.").arg(file, placeText(server)));
    return MailFile::open(path, Place{server, file});
}

std::shared_ptr<MailFile> fileOf(notes::Database& database) {
    auto* local = dynamic_cast<LocalDatabase*>(&database);
    if (!local)
        throw Failure(code::kForeignDocument,
                      QStringLiteral("La base « %1 » n'appartient pas à ce poste.").arg(database.filePath()));
    return local->mailFile();
}

}  // namespace

LocalDatabase::LocalDatabase(SessionContextPtr context, QString server, QString file)
    : context_(std::move(context)), server_(std::move(server)), file_(std::move(file)) {}

void LocalDatabase::open() {
    mail_.reset();
    checkServerName(server_);
    fileNameParts(server_, file_);
    if (!context_)
        throw Failure(code::kSessionNotInitialized,
                      QStringLiteral("Aucune session ouverte pour la base « %1 ».").arg(file_));
    context_->root.checkReachable(server_, file_);
    std::shared_ptr<MailFile> mail = openFile(context_->root, server_, file_);
    const QString& user = context_->identity.userName;
    if (!mail->allows(user))
        throw Failure(code::kAccessDenied,
                      QStringLiteral("Vous n'êtes pas autorisé à ouvrir la base « %1 » %2 (utilisateur %3).")
                          .arg(file_, placeText(server_), user));
    mail_ = std::move(mail);
}

std::shared_ptr<LocalDatabase> LocalDatabase::openAsManager(const DataRoot& root, const QString& server,
                                                            const QString& file) {
    checkServerName(server);
    fileNameParts(server, file);
    if (!isLocalServer(server) && !root.serverExists(server))
        throw Failure(code::kServerUnreachable, QStringLiteral("Le serveur %1 n'existe pas.").arg(server));
    auto database = std::make_shared<LocalDatabase>(nullptr, server, file);
    database->mail_ = openFile(root, server, file);
    return database;
}

void LocalDatabase::openMail() {
    if (!context_)
        throw Failure(code::kNoUser, QStringLiteral("Aucun utilisateur : la base de courrier est inconnue."));
    const Identity& user = context_->identity;
    if (user.mailFile.isEmpty())
        throw Failure(code::kFileNotFound,
                      QStringLiteral("Aucune base de courrier n'est définie pour l'utilisateur %1.")
                          .arg(user.userName));
    server_ = user.mailServer;
    file_ = user.mailFile;
    open();
}

const std::shared_ptr<MailFile>& LocalDatabase::mailFile() const {
    if (!mail_)
        throw Failure(code::kDatabaseNotOpen,
                      QStringLiteral("La base « %1 » %2 n'est pas ouverte.").arg(file_, placeText(server_)));
    return mail_;
}

notes::ViewPtr LocalDatabase::getView(const QString& name) {
    const std::optional<ViewRow> row = mailFile()->findView(name);
    if (!row) return nullptr;
    return std::make_shared<LocalView>(mail_, *row);
}

std::vector<notes::ViewPtr> LocalDatabase::views() {
    std::vector<notes::ViewPtr> result;
    for (ViewRow& row : mailFile()->views()) result.push_back(std::make_shared<LocalView>(mail_, std::move(row)));
    return result;
}

notes::DocumentPtr LocalDatabase::getDocumentByUNID(const QString& unid) {
    const std::shared_ptr<MailFile>& mail = mailFile();
    if (!isUniversalID(unid)) return nullptr;
    const std::optional<DocumentRow> row = mail->documentByUnid(unid.toUpper());
    if (!row) return nullptr;
    return std::make_shared<LocalDocument>(mail, *row);
}

notes::DocumentPtr LocalDatabase::createDocument() { return LocalDocument::createNew(mailFile()); }

notes::WriteBatchPtr LocalDatabase::beginWriteBatch() { return std::make_unique<Batch>(*this); }

notes::DatabasePtr LocalDbDirectory::openDatabase(const QString& file, bool) {
    auto database = std::make_shared<LocalDatabase>(context_, server_, file);
    database->open();
    return database;
}

Batch::Batch(notes::Database& database) : file_(fileOf(database)), transaction_(file_->connection()) {}

void Batch::commit() {
    transaction_.commit();
    if (!transaction_.nested()) file_->connection().syncCommitted();
}

}  // namespace vantor::store
