#include "core/password.h"

#include "platform/cp1252.h"

namespace vantor {

std::optional<QString> DecaleTexte(const QString& texte, int decalage, int sens) {
    if (sens != 0 && sens != 1) return QString();
    QString result;
    result.reserve(texte.size());
    for (const QChar c : texte) {
        // A character outside the code page has the code of '?', as on Windows.
        const int k = cp1252::byteOf(c).value_or('?');
        const int shifted = sens == 0 ? k + decalage : k - decalage;
        if (shifted < 0 || shifted > 255) return std::nullopt;
        result.append(cp1252::charOf(static_cast<unsigned char>(shifted)));
    }
    return result;
}

std::optional<QString> CrypteMotDePasse(const QString& texte) { return DecaleTexte(texte, 9, 0); }
std::optional<QString> DecrypteMotDePasse(const QString& texte) { return DecaleTexte(texte, 9, 1); }

QString motDePasseStocke(const QString& stored) {
    // A hand-edited value with codes below 9 cannot be unscrambled: read as no
    // password, so that the prompt follows.
    return DecrypteMotDePasse(stored).value_or(QString());
}

}  // namespace vantor
