#pragma once
// The stored password is each Windows-1252 character code shifted by 9.
#include <QString>
#include <optional>

namespace vantor {

// sens 0 adds `decalage` to every code, 1 subtracts it, anything else gives "".
// nullopt when a shifted code would leave 0..255: no partial text.
std::optional<QString> DecaleTexte(const QString& texte, int decalage, int sens);
std::optional<QString> CrypteMotDePasse(const QString& texte);
std::optional<QString> DecrypteMotDePasse(const QString& texte);

// The clear password of a stored value; "" when it cannot be unscrambled.
QString motDePasseStocke(const QString& stored);

}  // namespace vantor
