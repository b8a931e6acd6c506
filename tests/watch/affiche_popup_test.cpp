// The rules that turn "HEIGHT", "WIDTH" and "DELAI" into the popup's measures.
#include "watch/affiche_popup.h"

#include <gtest/gtest.h>

namespace vantor {
namespace {

const QSize kEcran(19200, 10800);  // 1280 × 720 pixels at 96 dpi

struct Mesures {
    const char* hauteur;
    const char* largeur;
    int largeurLabels, hauteurCorps, gaucheFermer, corrections;
    friend void PrintTo(const Mesures& c, std::ostream* os) {
        *os << "HEIGHT=" << c.hauteur << " WIDTH=" << c.largeur;
    }
};

class GeometriePopupTest : public ::testing::TestWithParam<Mesures> {};

// Labels, body and close button follow the size; a bad size is mended, never negative, and logged.
TEST_P(GeometriePopupTest, SizesGiveTheControlsTheirPlaceAndBadOnesAreMended) {
    const Mesures& c = GetParam();
    const GeometriePopup g = geometrieDePopup(c.hauteur, c.largeur, kEcran);
    EXPECT_EQ(g.largeurLabels, c.largeurLabels);
    EXPECT_EQ(g.hauteurCorps, c.hauteurCorps);
    EXPECT_EQ(g.gaucheFermer, c.gaucheFermer);
    EXPECT_EQ(g.corrections.size(), c.corrections);
    EXPECT_LE(g.haut + g.hauteur, kEcran.height());
    EXPECT_GE(g.haut, 0);
    EXPECT_LE(g.largeur, kEcran.width());
}

INSTANTIATE_TEST_SUITE_P(Tailles, GeometriePopupTest,
                         ::testing::Values(Mesures{"2325", "4470", 3735, 1815, 4200, 0},
                                           Mesures{"1200", "2000", 1265, 690, 1730, 0},
                                           Mesures{"510", "735", 0, 0, 465, 0},
                                           Mesures{"abc", "", 3735, 1815, 4200, 2},
                                           Mesures{"-5", "100", 0, 0, 465, 2},
                                           Mesures{"1e300", "1e300", 18465, 9840, 18930, 2},
                                           Mesures{"-1e300", "-1e300", 0, 0, 465, 2}));

TEST(GeometriePopup, ACorrectionNamesTheKeyAndTheValueUsed) {
    EXPECT_EQ(geometrieDePopup("abc", "", kEcran).corrections.value(0),
              "Hauteur de la popup incorrecte (HEIGHT=abc) : 2325 twips utilisés");
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
    EXPECT_EQ(delaiDePopup("0").correction,
              "Délai de la popup incorrect (DELAI=0) : 1 seconde utilisée");
}

}  // namespace
}  // namespace vantor
