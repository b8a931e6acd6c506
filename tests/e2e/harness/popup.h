#pragma once
// The message popup as the user sees it: where it stands, its four lines
// (mailbox, sender, subject, body) and its buttons, named for screen readers.
#include <QRect>
#include <QString>
#include <optional>

#include "e2e/harness/screen.h"

namespace vantor::e2e {

// The buttons' names, which their tooltips also show.
inline const QString kRepondre = QStringLiteral("Répondre au message");
inline const QString kSupprimer = QStringLiteral("Supprimer le message");
inline const QString kPrioriteHaute = QStringLiteral("Priorité haute");
inline const QString kPrioriteMoyenne = QStringLiteral("Priorité moyenne");
inline const QString kPrioriteFaible = QStringLiteral("Priorité faible");
inline const QString kPiecesJointes = QStringLiteral("Extraire les pièces jointes");
inline const QString kFermer = QStringLiteral("Fermer le message");
inline const QString kDossiers = QStringLiteral("Déplacer dans un dossier");

struct Popup {
    Node window;
    QRect frame;
    QString mailbox;
    QString from;
    QString subject;
    QString body;
};

// The popup when it shows.
std::optional<Popup> popupShown(Screen& screen);
std::optional<Popup> waitForPopup(Screen& screen, int ms);
// Whether the popup still shows this message.
bool stillShown(Screen& screen, const Popup& popup);
// Waits until the popup no longer shows this message: hidden, or already
// showing the next one.
bool waitUntilLeft(Screen& screen, const Popup& popup, int ms);
// A button of the popup that shows, by its name; empty when hidden.
QRect popupButton(Screen& screen, const Popup& popup, const QString& name);
// Moves the pointer over the body, as a reading hand does, which keeps the
// popup from closing for another full delay.
bool keepOpen(Screen& screen, const Popup& popup);
// Clicks a button of the popup; false when it does not show.
bool clickPopup(Screen& screen, const Popup& popup, const QString& name, int button = 1);

}  // namespace vantor::e2e
