#include "about/frm_about.h"

#include <QGuiApplication>
#include <QScreen>

#include "vantor_version.h"
#include "core/artwork.h"
#include "core/twips.h"

namespace vantor {
namespace {

// Places inside the client area, in twips: left, top, width, height.
struct Place {
    int left, top, width, height;
};
constexpr Place kPlaceIcone{240, 240, 240, 240};  // 16 × 16 pixels at 96 dots per inch
constexpr Place kPlaceTitre{720, 180, 4770, 480};
constexpr Place kPlaceVersion{720, 720, 4770, 285};
constexpr Place kPlaceDescription{720, 1080, 4770, 1440};
// The separator: grey on top, white one pixel (15 twips at 96 dpi) below.
constexpr Place kPlaceTrait{120, 2700, 5490, 15};

void placer(QWidget& w, const Place& p, twips::Dpi dpi) {
    w.setGeometry(twips::versPixels(p.left, p.top, p.width, p.height, dpi));
}

}  // namespace

const QString frmAbout::kDescription = QStringLiteral(
    "Cette application permet d'afficher une popup dès qu'un nouveau message apparait dans une "
    "ou plusieurs boites aux lettres Lotus Notes et d'effectuer des recherches dans toute votre "
    "boite aux lettres. ");

frmAbout::frmAbout(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    // Modeless and discarded on close: the next opening loads it again.
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("A propos"));
    setWindowIcon(artwork::iconeApplication());
    const twips::Dpi dpi = twips::dpiDe(screen());
    setFixedSize(twips::versPixels(kLargeurTwips, dpi.x), twips::versPixels(kHauteurTwips, dpi.y));
    createControls();
    Form_Load();
}

void frmAbout::showEvent(QShowEvent* event) {
    // Once the window exists its frame is known: the whole window is centred.
    if (!place_) {
        place_ = true;
        placeAuCentre();
    }
    QDialog::showEvent(event);
}

void frmAbout::createControls() {
    const twips::Dpi dpi = twips::dpiDe(screen());
    const auto label = [this, dpi](const Place& p) {
        auto* l = new QLabel(this);
        l->setTextFormat(Qt::PlainText);
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        placer(*l, p, dpi);
        return l;
    };

    picIcon = new QLabel(this);
    placer(*picIcon, kPlaceIcone, dpi);
    picIcon->setPixmap(artwork::iconeApplication().pixmap(picIcon->size()));

    lblTitle = label(kPlaceTitre);
    QFont grand = lblTitle->font();
    grand.setBold(true);
    grand.setPointSizeF(grand.pointSizeF() * 1.5);
    lblTitle->setFont(grand);

    lblVersion = label(kPlaceVersion);
    lblDescription = label(kPlaceDescription);
    lblDescription->setWordWrap(true);
    lblDescription->setText(kDescription);

    const QColor couleurs[2] = {Qt::white, QColor(0x80, 0x80, 0x80)};
    const int decalage = twips::versPixels(kPlaceTrait.height, dpi.y);
    for (int i = 0; i < 2; ++i) {
        Line1[i] = new QFrame(this);
        placer(*Line1[i], kPlaceTrait, dpi);
        Line1[i]->setFixedHeight(1);
        if (i == 0) Line1[i]->move(Line1[i]->x(), Line1[i]->y() + std::max(decalage, 1));
        QPalette p = Line1[i]->palette();
        p.setColor(QPalette::Window, couleurs[i]);
        Line1[i]->setPalette(p);
        Line1[i]->setAutoFillBackground(true);
    }
}

void frmAbout::Form_Load() {
    const QString titre = QString::fromUtf8(version::kTitre);
    setWindowTitle(QStringLiteral("About ") + titre);
    lblVersion->setText(QStringLiteral("Version %1.%2.%3")
                            .arg(version::kMajeur)
                            .arg(version::kMineur)
                            .arg(version::kRevision));
    lblTitle->setText(titre);
}

void frmAbout::placeAuCentre() {
    const QScreen* ecran = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
    if (ecran == nullptr) return;
    QRect place = frameGeometry();
    place.moveCenter(ecran->availableGeometry().center());
    move(place.topLeft());
}

frmAbout* montrerAPropos(QWidget* owner) {
    for (frmAbout* ouvert : owner->findChildren<frmAbout*>(Qt::FindDirectChildrenOnly)) {
        // One closed but not yet deleted is not open any more.
        if (!ouvert->isVisible()) continue;
        ouvert->setWindowState(ouvert->windowState() & ~Qt::WindowMinimized);
        ouvert->raise();
        ouvert->activateWindow();
        return ouvert;
    }
    auto* about = new frmAbout(owner);
    about->show();
    return about;
}

}  // namespace vantor
