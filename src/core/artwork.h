#pragma once
// The program's pictures, drawn as vector shapes at run time so that they
// stay sharp at any screen density. Sizes are pixels at 96 dots per inch;
// `echelle` (dpi / 96) enlarges them, `densite` is the device pixel ratio.
#include <QIcon>
#include <QPixmap>
#include <QSize>

namespace vantor::artwork {

enum class Motif {
    EnveloppeOuverte,  // reply, 28 × 28
    DrapeauRouge,      // high priority, with an exclamation mark, 12 × 12
    DrapeauVert,       // medium priority, 12 × 12
    DrapeauBlanc,      // low priority, outlined for light backgrounds, 12 × 12
    Corbeille,         // delete, 13 × 17
    Trombone,          // attachments, 13 × 18
    Croix,             // close, 9 × 9
    Dossier,           // move to folder, 19 × 16
    Popup,             // the popup window's icon, 16 × 16
    Application,       // the settings window's icon, 16 × 16 at its smallest
    Archive,           // per-mailbox archiving button, 16 × 16
    Recherche,         // per-mailbox search button, 16 × 16
};

// The size of the picture at 96 dots per inch.
QSize tailleDe(Motif motif);

// The picture, (tailleDe × echelle) logical pixels, rendered at `densite`.
QPixmap image(Motif motif, double echelle = 1.0, qreal densite = 1.0);

// The picture at the given scale for the usual device pixel ratios (1 and 2,
// plus `densite` when it differs), for buttons that may change screens.
QIcon icone(Motif motif, double echelle = 1.0, qreal densite = 1.0);

// The popup's own window icon: a small envelope in front of a red disc.
QIcon iconePopup();
// The settings window's icon: an envelope with a magnifier, at 16, 32, 48 px.
QIcon iconeApplication();
// 16 × 16 pictures of the settings window's per-mailbox buttons.
QPixmap iconeArchive(double echelle = 1.0, qreal densite = 1.0);
QPixmap iconeRecherche(double echelle = 1.0, qreal densite = 1.0);

}  // namespace vantor::artwork
