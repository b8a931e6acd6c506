#pragma once
// The settings keys of section "PARAM", and the file written on the first run.
#include <QString>
#include <utility>
#include <vector>

namespace vantor::keys {

inline const QString kDateVisu = QStringLiteral("DATE_VISU");
inline const QString kDelai = QStringLiteral("DELAI");
inline const QString kPassword = QStringLiteral("PASSWORD");
inline const QString kAuto = QStringLiteral("AUTO");
inline const QString kLogoff = QStringLiteral("LOGOFF");
inline const QString kAutoNotes = QStringLiteral("AUTONOTES");
inline const QString kCouleur = QStringLiteral("COULEUR");
inline const QString kHeight = QStringLiteral("HEIGHT");
inline const QString kWidth = QStringLiteral("WIDTH");

// Per-slot keys: the prefix followed by the slot digit ("BAL_0").
inline QString bal(int slot) { return QStringLiteral("BAL_%1").arg(slot); }
inline QString serveur(int slot) { return QStringLiteral("SERVEUR_LOTUS_%1").arg(slot); }
inline QString balArchive(int slot) { return QStringLiteral("BAL_ARCHIVE_%1").arg(slot); }
inline QString dateArchive(int slot) { return QStringLiteral("DATE_ARCHIVE_%1").arg(slot); }

inline constexpr int kSlots = 5;

// Defaults of the start-up readers.
inline const QString kDefautDelai = QStringLiteral("15");
inline const QString kDefautCouleur = QStringLiteral("C0DDDD");
inline const QString kDefautHeight = QStringLiteral("2325");
inline const QString kDefautWidth = QStringLiteral("8470");
// The popup's reader of "WIDTH" has its own default.
inline const QString kDefautWidthPopup = QStringLiteral("4470");

// Keys of a new param.ini, in order, after "DATE_VISU" (the start time).
inline const std::vector<std::pair<QString, QString>>& nouveauFichier() {
    static const std::vector<std::pair<QString, QString>> k = {
        {kDelai, QStringLiteral("15")},
        {bal(0), QStringLiteral("mail\\orv_balide.nsf")},
        {bal(1), QStringLiteral("mail\\ma_bal.nsf")},
        {bal(2), QString()},
        {serveur(0), QStringLiteral("local")},
        {serveur(1), QStringLiteral("local")},
        {serveur(2), QString()},
        {kPassword, QString()},
        {kAuto, QStringLiteral("0")},
        {kLogoff, QStringLiteral("0")},
        {kAutoNotes, QStringLiteral("0")},
        {kCouleur, QStringLiteral("FFFEEEE")},
        {kHeight, QStringLiteral("2325")},
        {kWidth, QStringLiteral("8470")},
    };
    return k;
}

// A slot is watched only when its mailbox is set and its server is neither
// empty nor "local" in any letter case.
inline bool estSurServeur(const QString& fichier, const QString& serveur) {
    return !fichier.isEmpty() && !serveur.isEmpty() &&
           serveur.toLower() != QStringLiteral("local");
}

}  // namespace vantor::keys
