// The program's icon for the desktop, drawn by the same code that draws it in
// the settings window's title bar, so that the menu and the window agree.
//
//   vantor-icon render FOLDER NAME SIZE...  FOLDER/SIZExSIZE/apps/NAME.png, each size
//   vantor-icon compare FILE.png            how far a picture (the hand-drawn SVG,
//                                           rasterised) is from the drawing at its size
//
// Needs a Qt platform; the build runs it with QT_QPA_PLATFORM=offscreen.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <cstdio>
#include <cstdlib>

#include "core/artwork.h"

namespace {

using vantor::artwork::Motif;

// The drawing's own size at 96 dpi; every installed size is a multiple of it.
int baseSize() {
    return vantor::artwork::tailleDe(Motif::Application).width();
}

QImage drawing(int pixels) {
    return vantor::artwork::image(Motif::Application, double(pixels) / baseSize())
        .toImage()
        .convertToFormat(QImage::Format_RGBA8888);
}

int render(const QString& folder, const QString& name, const QStringList& sizes) {
    for (const QString& text : sizes) {
        bool ok = false;
        const int size = text.toInt(&ok);
        if (!ok || size < 1 || size > 1024) {
            std::fprintf(stderr, "vantor-icon: bad size %s\n", qPrintable(text));
            return 2;
        }
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(folder).arg(size);
        const QString file = QStringLiteral("%1/%2.png").arg(dir, name);
        if (!QDir().mkpath(dir) || !drawing(size).save(file, "PNG")) {
            std::fprintf(stderr, "vantor-icon: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}

// Mean absolute difference per channel (0 to 255) of the premultiplied
// colours, so that fully transparent pixels compare equal whatever colour
// they carry.
int compare(const QString& file) {
    QImage other(file);
    if (other.isNull() || other.width() != other.height()) {
        std::fprintf(stderr, "vantor-icon: %s is not a square picture\n", qPrintable(file));
        return 2;
    }
    other = other.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
    const QImage own =
        drawing(other.width()).convertToFormat(QImage::Format_RGBA8888_Premultiplied);
    double total = 0;
    for (int y = 0; y < own.height(); ++y) {
        const uchar* a = own.constScanLine(y);
        const uchar* b = other.constScanLine(y);
        for (int i = 0; i < own.width() * 4; ++i) total += std::abs(int(a[i]) - int(b[i]));
    }
    std::printf("%.3f\n", total / (double(own.width()) * own.height() * 4));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const QString verb = args.isEmpty() ? QString() : args.takeFirst();
    if (verb == QLatin1String("render") && args.size() >= 3)
        return render(args.at(0), args.at(1), args.mid(2));
    if (verb == QLatin1String("compare") && args.size() == 1) return compare(args.at(0));
    std::fprintf(stderr,
                 "usage: vantor-icon render FOLDER NAME SIZE...\n"
                 "       vantor-icon compare FILE.png\n");
    return 2;
}
