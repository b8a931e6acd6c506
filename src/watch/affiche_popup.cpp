#include "watch/affiche_popup.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPalette>
#include <QScreen>
#include <QToolButton>
#include <algorithm>
#include <cmath>

#include "core/keys.h"
#include "core/modlotus.h"
#include "core/settings.h"
#include "platform/failure.h"
#include "watch/frm_msg.h"
#include "watch/popup_commands.h"

namespace vantor {
namespace {

inline constexpr int kDefautHauteur = 2325;
inline constexpr int kDefautLargeur = 4470;
inline constexpr double kDelaiDefaut = 15;
inline constexpr double kDelaiMinimal = 1;
inline constexpr double kDelaiMaximal = 65;  // 65 000 ms, the largest the countdown takes

struct Mesure {
    int valeur;
    bool corrigee;
};

// A size setting taken as a number and kept within [minimum, maximum]. The
// comparison is done on the double so that "1e300" never reaches an int.
Mesure mesureDe(const QString& texte, int defaut, int minimum, int maximum) {
    maximum = std::max(minimum, maximum);
    const std::optional<double> v = valeurNumerique(texte);
    if (!v || std::isnan(*v)) return {std::clamp(defaut, minimum, maximum), true};
    if (*v < minimum) return {minimum, true};
    if (*v > maximum) return {maximum, true};
    return {static_cast<int>(std::lround(*v)), false};
}

QString ligneTaille(const QString& quoi, const QString& cle, const QString& texte, int valeur) {
    return QStringLiteral("%1 de la popup incorrecte (%2=%3) : %4 twips utilisés")
        .arg(quoi, cle, texte.left(100))
        .arg(valeur);
}

void colore(QWidget& w, const QColor& couleur) {
    QPalette pal = w.palette();
    pal.setColor(QPalette::Window, couleur);
    w.setPalette(pal);
    w.setAutoFillBackground(true);
}

}  // namespace

GeometriePopup geometrieDePopup(const QString& texteHauteur, const QString& texteLargeur,
                                QSize ecranTwips) {
    GeometriePopup g;
    const Mesure h = mesureDe(texteHauteur, kDefautHauteur, kHauteurMinimale,
                              ecranTwips.height() - kMargeBasEcran);
    const Mesure l = mesureDe(texteLargeur, kDefautLargeur, kLargeurMinimale, ecranTwips.width());
    if (h.corrigee)
        g.corrections << ligneTaille(QStringLiteral("Hauteur"), keys::kHeight, texteHauteur, h.valeur);
    if (l.corrigee)
        g.corrections << ligneTaille(QStringLiteral("Largeur"), keys::kWidth, texteLargeur, l.valeur);

    g.hauteur = h.valeur;
    g.largeur = l.valeur;
    g.haut = ecranTwips.height() - g.hauteur - kMargeBasEcran;
    g.largeurLabels = g.largeur - 735;
    g.hauteurCorps = g.hauteur - 510;
    g.gaucheFermer = g.largeur - disposition::CmdFermer.width - 15;
    return g;
}

DelaiPopup delaiDePopup(const QString& texteDelai) {
    const std::optional<double> v = valeurNumerique(texteDelai);
    double secondes = v && !std::isnan(*v) ? *v : kDelaiDefaut;
    bool corrige = !v || std::isnan(*v);
    if (secondes < kDelaiMinimal) {
        secondes = kDelaiMinimal;
        corrige = true;
    } else if (secondes > kDelaiMaximal) {
        secondes = kDelaiMaximal;
        corrige = true;
    }
    DelaiPopup d;
    d.intervalleMs = static_cast<int>(std::lround(secondes * 1000));
    if (corrige) {
        d.correction =
            QStringLiteral("Délai de la popup incorrect (%1=%2) : %3 %4")
                .arg(keys::kDelai, texteDelai.left(100), QString::number(secondes),
                     secondes > 1 ? QStringLiteral("secondes utilisées")
                                  : QStringLiteral("seconde utilisée"));
    }
    return d;
}

void AffichePopup(ModLOTUS& m, FrmMsg& f) {
    // Each element reads the colour anew, so a setting saved meanwhile shows.
    const auto couleur = [&m] {
        return couleurDeValeur(HexVersCouleur(m.lireParam(keys::kCouleur, keys::kDefautCouleur)));
    };
    colore(f, couleur());
    colore(*f.LblBody, couleur());
    colore(*f.LblBAL, couleur());
    colore(*f.LblSubject, couleur());
    colore(*f.LblFrom, couleur());

    QScreen* ecran = QGuiApplication::primaryScreen();
    if (ecran == nullptr) throw Failure(5, QStringLiteral("Aucun écran pour afficher la popup"));
    const twips::Dpi dpi = f.dpi();
    const QRect zone = ecran->geometry();
    const QSize ecranTwips(static_cast<int>(std::lround(twips::depuisPixels(zone.width(), dpi.x))),
                           static_cast<int>(std::lround(twips::depuisPixels(zone.height(), dpi.y))));

    const QString texteHauteur = m.lireParam(keys::kHeight, keys::kDefautHeight);
    const QString texteLargeur = m.lireParam(keys::kWidth, keys::kDefautWidthPopup);
    const GeometriePopup g = geometrieDePopup(texteHauteur, texteLargeur, ecranTwips);
    for (const QString& ligne : g.corrections) m.LogErreur(ligne);

    f.setGeometry(zone.left(), zone.top() + twips::versPixels(g.haut, dpi.y),
                  twips::versPixels(g.largeur, dpi.x), twips::versPixels(g.hauteur, dpi.y));

    using namespace disposition;
    f.placeEnTwips(*f.LblBody, {LblBody.left, LblBody.top, g.largeurLabels, g.hauteurCorps});
    f.placeEnTwips(*f.LblSubject, {LblSubject.left, LblSubject.top, g.largeurLabels, LblSubject.height});
    f.placeEnTwips(*f.LblFrom, {LblFrom.left, LblFrom.top, g.largeurLabels, LblFrom.height});
    f.placeEnTwips(*f.CmdFermer, {g.gaucheFermer, CmdFermer.top, CmdFermer.width, CmdFermer.height});

    if (PopupCommands* commandes = f.commandes()) commandes->MessagePresente();
    f.show();
    f.relanceTimerFermeture();
    f.raise();
}

}  // namespace vantor
