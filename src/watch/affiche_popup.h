#pragma once
// Showing the popup: its colour, size and place at the bottom-left corner of
// the screen, and the rules that turn the popup's settings into measures.
// The rules are pure so that they can be checked without a window.
#include <QSize>
#include <QString>
#include <QStringList>

namespace vantor {

struct ModLOTUS;
class FrmMsg;

// Smallest window for which no label gets a negative width or height.
inline constexpr int kHauteurMinimale = 510;
inline constexpr int kLargeurMinimale = 735;
// Gap between the window's bottom edge and the screen's bottom edge.
inline constexpr int kMargeBasEcran = 450;

// The window's measures, in twips.
struct GeometriePopup {
    int hauteur = 0;
    int largeur = 0;
    int haut = 0;            // top of the window, from the top of the screen
    int largeurLabels = 0;   // LblFrom, LblSubject, LblBody (LblBAL keeps its own)
    int hauteurCorps = 0;    // LblBody
    int gaucheFermer = 0;    // CmdFermer's left side
    QStringList corrections; // one log line per setting that had to be mended
};

// From the texts of "HEIGHT" and "WIDTH" and the screen's size in twips.
// A text that is not a number gives the reader's default, a size too small
// for the labels the smallest that fits them, a size larger than the screen
// (above the bottom gap) the screen's; each such mend is listed.
GeometriePopup geometrieDePopup(const QString& texteHauteur, const QString& texteLargeur,
                                QSize ecranTwips);

struct DelaiPopup {
    int intervalleMs = 0;
    QString correction;  // empty when the text was used as it stands
};

// The countdown's interval from the text of "DELAI" (seconds): not a number
// gives 15 s, below 1 gives 1 s, above 65 gives 65 s so that the interval
// stays within what the countdown accepts; fractions are kept.
DelaiPopup delaiDePopup(const QString& texteDelai);

// Colours, sizes and places the popup from the settings, lets its commands
// take the identity of the message presented, shows it above all windows and
// restarts its countdown. Throws Failure when there is no screen.
void AffichePopup(ModLOTUS& m, FrmMsg& f);

}  // namespace vantor
