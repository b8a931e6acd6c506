#include "core/artwork.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <cmath>

namespace vantor::artwork {
namespace {

using Dessin = void (*)(QPainter&);

QPen trait(const QColor& couleur, qreal epaisseur) {
    QPen pen(couleur, epaisseur);
    pen.setJoinStyle(Qt::RoundJoin);
    pen.setCapStyle(Qt::RoundCap);
    return pen;
}

void formes(QPainter& p, const QPen& pen, const QBrush& fond) {
    p.setPen(pen);
    p.setBrush(fond);
}

// ---- the drawings, in the coordinates of their size at 96 dpi ----

void enveloppeOuverte(QPainter& p) {
    const QColor contour(0x6b, 0x55, 0x2e);
    const QColor interieur(0xe8, 0xd2, 0x9a);
    formes(p, trait(contour, 1.0), interieur);
    p.drawRect(QRectF(2.5, 12.5, 23, 13));
    p.drawPolygon(QPolygonF({{2.5, 12.5}, {14, 3}, {25.5, 12.5}}));

    // The letter coming out of it.
    formes(p, trait(QColor(0x7a, 0x7a, 0x7a), 0.8), Qt::white);
    p.drawRect(QRectF(6.5, 6.5, 15, 14));
    p.setPen(trait(QColor(0x4a, 0x78, 0xb5), 1.0));
    for (qreal y : {9.5, 12.0, 14.5}) p.drawLine(QPointF(9, y), QPointF(19, y));

    // The front pocket, over the foot of the letter.
    formes(p, trait(contour, 1.0), QColor(0xf7, 0xe7, 0xb4));
    p.drawPolygon(QPolygonF({{2.5, 12.5}, {14, 20.5}, {25.5, 12.5}, {25.5, 25.5}, {2.5, 25.5}}));
    p.setPen(trait(contour, 0.8));
    p.drawLine(QPointF(2.5, 25.5), QPointF(11.5, 18.5));
    p.drawLine(QPointF(25.5, 25.5), QPointF(16.5, 18.5));
}

void drapeau(QPainter& p, const QColor& tissu, const QColor& bord) {
    p.setPen(trait(QColor(0x50, 0x50, 0x50), 1.2));
    p.drawLine(QPointF(2.5, 1), QPointF(2.5, 11.4));

    QPainterPath voile;
    voile.moveTo(3, 1.5);
    voile.cubicTo(5, 0.5, 7.5, 2.5, 10.8, 1.5);
    voile.lineTo(10.8, 7.5);
    voile.cubicTo(7.5, 8.5, 5, 6.5, 3, 7.5);
    voile.closeSubpath();
    formes(p, trait(bord, 0.8), tissu);
    p.drawPath(voile);
}

void drapeauRouge(QPainter& p) {
    drapeau(p, QColor(0xd9, 0x2b, 0x2b), QColor(0x8e, 0x14, 0x14));
    p.setPen(trait(Qt::white, 1.2));
    p.drawLine(QPointF(6.8, 2.8), QPointF(6.8, 4.9));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(6.8, 6.4), 0.6, 0.6);
}

void drapeauVert(QPainter& p) { drapeau(p, QColor(0x2e, 0x9e, 0x3e), QColor(0x17, 0x5e, 0x22)); }

// Outlined dark so that it shows on the light popup background.
void drapeauBlanc(QPainter& p) { drapeau(p, Qt::white, QColor(0x30, 0x30, 0x30)); }

void corbeille(QPainter& p) {
    const QColor contour(0x4b, 0x55, 0x60);
    formes(p, trait(contour, 1.0), Qt::NoBrush);
    p.drawRect(QRectF(4.5, 0.5, 4, 2));
    formes(p, trait(contour, 1.0), QColor(0x8c, 0x99, 0xa6));
    p.drawRoundedRect(QRectF(0.5, 2.5, 12, 2), 0.6, 0.6);
    formes(p, trait(contour, 1.0), QColor(0xb4, 0xbe, 0xc8));
    p.drawPolygon(QPolygonF({{1.5, 5}, {11.5, 5}, {10.5, 16.5}, {2.5, 16.5}}));
    p.setPen(trait(QColor(0x5d, 0x69, 0x75), 0.9));
    for (qreal x : {4.5, 6.5, 8.5}) p.drawLine(QPointF(x, 7), QPointF(x, 14.8));
}

void trombone(QPainter& p) {
    QPainterPath fil;
    fil.moveTo(8.5, 5.5);
    fil.lineTo(8.5, 13.5);
    fil.arcTo(QRectF(5, 11.75, 3.5, 3.5), 0, -180);
    fil.lineTo(5, 3.5);
    fil.arcTo(QRectF(5, 0.75, 5.5, 5.5), 180, -180);
    fil.lineTo(10.5, 13);
    fil.arcTo(QRectF(2.5, 9, 8, 8), 0, -180);
    fil.lineTo(2.5, 6);
    formes(p, trait(QColor(0x5a, 0x64, 0x70), 1.4), Qt::NoBrush);
    p.drawPath(fil);
}

void croix(QPainter& p) {
    p.setPen(trait(Qt::black, 1.7));
    p.drawLine(QPointF(1.5, 1.5), QPointF(7.5, 7.5));
    p.drawLine(QPointF(7.5, 1.5), QPointF(1.5, 7.5));
}

void dossier(QPainter& p) {
    const QColor contour(0x9a, 0x74, 0x14);
    QPainterPath dos;
    dos.moveTo(0.5, 2.5);
    dos.lineTo(6.5, 2.5);
    dos.lineTo(8.5, 4.5);
    dos.lineTo(18.5, 4.5);
    dos.lineTo(18.5, 15.5);
    dos.lineTo(0.5, 15.5);
    dos.closeSubpath();
    formes(p, trait(contour, 1.0), QColor(0xe3, 0xb3, 0x3e));
    p.drawPath(dos);
    formes(p, trait(contour, 1.0), QColor(0xf6, 0xcd, 0x5a));
    p.drawRect(QRectF(0.5, 6.5, 18, 9));
}

void petiteEnveloppe(QPainter& p, QRectF r, const QColor& fond, const QColor& contour) {
    formes(p, trait(contour, 1.0), fond);
    p.drawRect(r);
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF({r.topLeft(), {r.center().x(), r.top() + r.height() * 0.55},
                              r.topRight()}));
}

void popup(QPainter& p) {
    formes(p, trait(QColor(0x9e, 0x1b, 0x1b), 0.8), QColor(0xe0, 0x31, 0x31));
    p.drawEllipse(QPointF(11, 5), 4.5, 4.5);
    petiteEnveloppe(p, QRectF(0.5, 6.5, 12, 8.5), Qt::white, QColor(0x3b, 0x4a, 0x5a));
}

void application(QPainter& p) {
    petiteEnveloppe(p, QRectF(0.5, 2.5, 13, 9), QColor(0xea, 0xf2, 0xfb), QColor(0x2f, 0x5d, 0x8a));
    const QColor metal(0x33, 0x33, 0x33);
    p.setPen(trait(metal, 2.0));
    p.drawLine(QPointF(13.1, 13.1), QPointF(14.8, 14.8));
    formes(p, trait(metal, 1.3), QColor(255, 255, 255, 200));
    p.drawEllipse(QPointF(11, 11), 3, 3);
}

void archive(QPainter& p) {
    const QColor contour(0x7a, 0x52, 0x20);
    formes(p, trait(contour, 1.0), QColor(0xdd, 0xa9, 0x5e));
    p.drawRect(QRectF(1.5, 6, 13, 9.5));
    formes(p, trait(contour, 1.0), QColor(0xc8, 0x92, 0x4a));
    p.drawRect(QRectF(0.5, 2.5, 15, 3.5));
    formes(p, trait(contour, 0.8), QColor(0xf3, 0xe3, 0xc3));
    p.drawRoundedRect(QRectF(5.5, 8, 5, 2), 0.5, 0.5);
}

void recherche(QPainter& p) {
    p.setPen(trait(QColor(0x2d, 0x3a, 0x46), 2.5));
    p.drawLine(QPointF(10.2, 10.2), QPointF(14.5, 14.5));
    formes(p, trait(QColor(0x2d, 0x3a, 0x46), 1.5), QColor(0xd8, 0xec, 0xfa));
    p.drawEllipse(QPointF(6.5, 6.5), 4.5, 4.5);
}

struct Fiche {
    QSize taille;
    Dessin dessin;
};

Fiche ficheDe(Motif motif) {
    switch (motif) {
        case Motif::EnveloppeOuverte: return {{28, 28}, enveloppeOuverte};
        case Motif::DrapeauRouge: return {{12, 12}, drapeauRouge};
        case Motif::DrapeauVert: return {{12, 12}, drapeauVert};
        case Motif::DrapeauBlanc: return {{12, 12}, drapeauBlanc};
        case Motif::Corbeille: return {{13, 17}, corbeille};
        case Motif::Trombone: return {{13, 18}, trombone};
        case Motif::Croix: return {{9, 9}, croix};
        case Motif::Dossier: return {{19, 16}, dossier};
        case Motif::Popup: return {{16, 16}, popup};
        case Motif::Application: return {{16, 16}, application};
        case Motif::Archive: return {{16, 16}, archive};
        case Motif::Recherche: return {{16, 16}, recherche};
    }
    return {{16, 16}, popup};
}

// A scale that cannot be used (zero, negative, not a number) draws at 1.
double utilisable(double facteur) { return std::isfinite(facteur) && facteur > 0 ? facteur : 1.0; }

}  // namespace

QSize tailleDe(Motif motif) { return ficheDe(motif).taille; }

QPixmap image(Motif motif, double echelle, qreal densite) {
    echelle = utilisable(echelle);
    densite = utilisable(densite);
    const Fiche fiche = ficheDe(motif);
    const auto pixels = [&](int base) {
        return std::max(1, static_cast<int>(std::lround(base * echelle * densite)));
    };
    QPixmap pm(pixels(fiche.taille.width()), pixels(fiche.taille.height()));
    pm.fill(Qt::transparent);
    {
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(pm.width() / double(fiche.taille.width()), pm.height() / double(fiche.taille.height()));
        fiche.dessin(p);
    }
    pm.setDevicePixelRatio(densite);
    return pm;
}

QIcon icone(Motif motif, double echelle, qreal densite) {
    QIcon ic;
    ic.addPixmap(image(motif, echelle, 1.0));
    ic.addPixmap(image(motif, echelle, 2.0));
    densite = utilisable(densite);
    if (densite != 1.0 && densite != 2.0) ic.addPixmap(image(motif, echelle, densite));
    return ic;
}

QIcon iconePopup() {
    QIcon ic;
    for (double echelle : {1.0, 2.0}) ic.addPixmap(image(Motif::Popup, echelle));
    return ic;
}

QIcon iconeApplication() {
    QIcon ic;
    for (double echelle : {1.0, 2.0, 3.0}) ic.addPixmap(image(Motif::Application, echelle));
    return ic;
}

QPixmap iconeArchive(double echelle, qreal densite) { return image(Motif::Archive, echelle, densite); }
QPixmap iconeRecherche(double echelle, qreal densite) {
    return image(Motif::Recherche, echelle, densite);
}

}  // namespace vantor::artwork
