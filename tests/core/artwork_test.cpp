// The drawn pictures: present, at their sizes, and sharp when enlarged.
#include <gtest/gtest.h>

#include <QImage>
#include <cmath>

#include "core/artwork.h"

namespace vantor::artwork {
namespace {

int opaques(const QImage& im, int luminanceMax = 256) {
    int n = 0;
    for (int y = 0; y < im.height(); ++y)
        for (int x = 0; x < im.width(); ++x)
            n += im.pixelColor(x, y).alpha() > 128 && qGray(im.pixel(x, y)) < luminanceMax;
    return n;
}

TEST(Artwork, EveryPictureIsDrawnAtItsSizeAndSharpWhenDense) {
    EXPECT_EQ(tailleDe(Motif::EnveloppeOuverte), QSize(28, 28));
    EXPECT_EQ(tailleDe(Motif::Trombone), QSize(13, 18));
    for (int i = 0; i <= int(Motif::Recherche); ++i) {
        const Motif motif = Motif(i);
        EXPECT_EQ(image(motif).size(), tailleDe(motif));
        EXPECT_GT(opaques(image(motif).toImage()), 4) << i;
        const QPixmap dense = image(motif, 1.5, 2.0);
        EXPECT_EQ(dense.size(), tailleDe(motif) * 3);
        EXPECT_EQ(dense.deviceIndependentSize(), QSizeF(tailleDe(motif)) * 1.5);
    }
    EXPECT_EQ(image(Motif::Croix, std::nan(""), -1.0).size(), QSize(9, 9));
    // The white flag needs its dark outline to show on the light popup.
    EXPECT_GT(opaques(image(Motif::DrapeauBlanc, 2.0).toImage(), 100), 10);
}

TEST(Artwork, WindowIconsHaveTheirSizesAndDiffer) {
    const QIcon app = iconeApplication();
    for (int cote : {16, 32, 48}) EXPECT_TRUE(app.availableSizes().contains(QSize(cote, cote)));
    EXPECT_NE(app.pixmap(16).toImage(), iconePopup().pixmap(16).toImage());
    EXPECT_EQ(iconeArchive().size(), QSize(16, 16));
    EXPECT_NE(iconeArchive().toImage(), iconeRecherche().toImage());
}

}  // namespace
}  // namespace vantor::artwork
