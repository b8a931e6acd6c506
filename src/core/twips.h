#pragma once
// Window measures are kept in twips (1/1440 inch) and turned into pixels with
// the dots per inch of the screen the window is on.
#include <QRect>
#include <QScreen>
#include <cmath>

namespace vantor::twips {

inline constexpr double kParPouce = 1440.0;
inline constexpr double kDpiReference = 96.0;  // 15 twips a pixel

struct Dpi {
    double x = kDpiReference;
    double y = kDpiReference;
};

// pixels = round(twips × dpi / 1440).
inline int versPixels(double twips, double dpi) {
    return static_cast<int>(std::lround(twips * dpi / kParPouce));
}
inline double depuisPixels(double pixels, double dpi) { return pixels * kParPouce / dpi; }

// The dots per inch of a screen (a widget's: QWidget::screen()).
inline Dpi dpiDe(const QScreen* ecran) {
    if (ecran == nullptr) return {};
    return {ecran->logicalDotsPerInchX(), ecran->logicalDotsPerInchY()};
}

// A rectangle given in twips, in pixels.
inline QRect versPixels(int left, int top, int width, int height, Dpi dpi) {
    return QRect(versPixels(left, dpi.x), versPixels(top, dpi.y), versPixels(width, dpi.x),
                 versPixels(height, dpi.y));
}

}  // namespace vantor::twips
