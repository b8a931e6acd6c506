#include "maintenance/empreinte.h"

#include <QCryptographicHash>

namespace vantor {
namespace {

// Each field with its length first, so that no two contents read alike.
void ajouter(QCryptographicHash& hash, const QString& texte) {
    const QByteArray utf8 = texte.toUtf8();
    const qint64 n = utf8.size();
    hash.addData(QByteArrayView(reinterpret_cast<const char*>(&n), sizeof n));
    hash.addData(utf8);
}

void ajouter(QCryptographicHash& hash, qint64 n) {
    hash.addData(QByteArrayView(reinterpret_cast<const char*>(&n), sizeof n));
}

}  // namespace

QByteArray empreinte(const notes::Document& document) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    const std::vector<notes::ItemPtr> items = document.items();
    ajouter(hash, static_cast<qint64>(items.size()));
    for (const notes::ItemPtr& item : items) {
        ajouter(hash, item->name());
        ajouter(hash, item->type());
        ajouter(hash, item->text());
        const std::vector<notes::EmbeddedObjectPtr> objets = item->embeddedObjects();
        ajouter(hash, static_cast<qint64>(objets.size()));
        for (const notes::EmbeddedObjectPtr& objet : objets) {
            ajouter(hash, objet->type());
            ajouter(hash, objet->name());
            hash.addData(objet->sha256());
        }
    }
    return hash.result();
}

}  // namespace vantor
