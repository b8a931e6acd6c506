// The rules that turn "HEIGHT", "WIDTH" and "DELAI" into the popup's measures.
#include "watch/affiche_popup.h"

#include <gtest/gtest.h>

namespace vantor {
namespace {

const QSize kEcran(19200, 10800);  // 1280 × 720 pixels at 96 dpi

TEST(GeometriePopup, DefaultsAndNarrowWidthGiveTheLabelsAndCloseButtonTheirPlace) {
    const GeometriePopup g = geometrieDePopup("2325", "4470", kEcran);
    EXPECT_EQ(g.haut + g.hauteur, 10800 - 450);
    EXPECT_EQ(g.largeur, 4470);
    EXPECT_EQ(g.largeurLabels, 3735);
    EXPECT_EQ(g.hauteurCorps, 1815);
    EXPECT_EQ(g.gaucheFermer, 4200);
    EXPECT_TRUE(g.corrections.isEmpty());

    const GeometriePopup n = geometrieDePopup("1200", "2000", kEcran);
    EXPECT_EQ(n.largeurLabels, 1265);
    EXPECT_EQ(n.hauteurCorps, 690);
    EXPECT_EQ(n.gaucheFermer, 1730);
}

TEST(GeometriePopup, BadSizesAreMendedNeverNegativeNorOverflowingAndLogged) {
    const GeometriePopup texte = geometrieDePopup("abc", "", kEcran);
    EXPECT_EQ(texte.hauteur, 2325);
    EXPECT_EQ(texte.largeur, 4470);
    ASSERT_EQ(texte.corrections.size(), 2);
    EXPECT_EQ(texte.corrections[0],
              "Hauteur de la popup incorrecte (HEIGHT=abc) : 2325 twips utilisés");

    const GeometriePopup petit = geometrieDePopup("-5", "100", kEcran);
    EXPECT_EQ(petit.hauteurCorps, 0);
    EXPECT_EQ(petit.largeurLabels, 0);
    EXPECT_EQ(petit.corrections.size(), 2);
    EXPECT_TRUE(geometrieDePopup("510", "735", kEcran).corrections.isEmpty());

    const GeometriePopup grand = geometrieDePopup("1e300", "1e300", kEcran);
    EXPECT_EQ(grand.haut, 0);
    EXPECT_EQ(grand.largeur, 19200);
    EXPECT_EQ(geometrieDePopup("-1e300", "-1e300", kEcran).largeur, 735);

    const GeometriePopup minuscule = geometrieDePopup("2325", "4470", QSize(300, 300));
    EXPECT_GE(minuscule.largeurLabels, 0);
    EXPECT_GE(minuscule.hauteurCorps, 0);
}

TEST(DelaiPopup, SecondsBecomeMillisecondsAndAnyBadValueStillGivesAWorkingCountdown) {
    const std::pair<const char*, int> cas[] = {{"60", 60000},   {"2.5", 2500}, {"65", 65000},
                                               {"abc", 15000},  {"-3", 1000},  {"100", 65000},
                                               {"1e300", 65000}};
    for (const auto& [texte, ms] : cas) EXPECT_EQ(delaiDePopup(texte).intervalleMs, ms) << texte;
    EXPECT_TRUE(delaiDePopup("2.5").correction.isEmpty());
    EXPECT_EQ(delaiDePopup("abc").correction,
              "Délai de la popup incorrect (DELAI=abc) : 15 secondes utilisées");
    EXPECT_EQ(delaiDePopup("0").correction,
              "Délai de la popup incorrect (DELAI=0) : 1 seconde utilisée");
}

}  // namespace
}  // namespace vantor
