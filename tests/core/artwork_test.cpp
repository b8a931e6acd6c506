// The drawn pictures: present, sharp when enlarged, and a broken scale does no harm.
#include "core/artwork.h"

#include <gtest/gtest.h>

#include <QImage>
#include <cmath>

namespace vantor::artwork {
namespace {

int opaques(const QImage& im, int luminanceMax = 256) {
    int n = 0;
    for (int y = 0; y < im.height(); ++y)
        for (int x = 0; x < im.width(); ++x)
            n += im.pixelColor(x, y).alpha() > 128 && qGray(im.pixel(x, y)) < luminanceMax;
    return n;
}

TEST(Artwork, EveryPictureIsDrawnAndSharpWhenDense) {
    for (int i = 0; i <= int(Motif::Recherche); ++i) {
        const Motif motif = Motif(i);
        EXPECT_GT(opaques(image(motif).toImage()), 4) << i;
        EXPECT_EQ(image(motif, 1.5, 2.0).size(), tailleDe(motif) * 3) << i;
    }
    EXPECT_EQ(image(Motif::Croix, std::nan(""), -1.0).size(), tailleDe(Motif::Croix));
    // The white flag needs its dark outline to show on the light popup.
    EXPECT_GT(opaques(image(Motif::DrapeauBlanc, 2.0).toImage(), 100), 10);
}

}  // namespace
}  // namespace vantor::artwork
