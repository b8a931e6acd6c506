#include "watch/frm_msg.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <QToolButton>

#include "core/keys.h"
#include "core/modlotus.h"
#include "platform/qt_platform.h"
#include "watch/affiche_popup.h"
#include "core/artwork.h"
#include "watch/popup_commands.h"

namespace vantor {
namespace {

QFont policePopup() {
    QFont police;
    police.setStyleHint(QFont::SansSerif);
    // The family the window was drawn for, else this platform's sans-serif.
    police.setFamilies({QStringLiteral("MS Sans Serif"), police.defaultFamily()});
    police.setPointSizeF(8.25);
    return police;
}

}  // namespace

FrmMsg::FrmMsg(ModLOTUS& m, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    // The popup must not take the keyboard from what the user is typing in.
    setAttribute(Qt::WA_ShowWithoutActivating);
    // Never active, the window would otherwise never show its buttons' tooltips,
    // the only words those picture buttons have.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    // A window no window manager manages stands exactly where it is put, and
    // compositors show such windows above the others: under XWayland that is
    // the only way to the bottom-left corner on every compositor.
    if (onXWayland(QGuiApplication::platformName())) setWindowFlag(Qt::BypassWindowManagerHint);
    setWindowTitle(kTitre);
    setWindowIcon(artwork::iconePopup());
    setFont(policePopup());
    setMouseTracking(true);
    creeControles();
    resize(twips::versPixels(disposition::kLargeurCreation, dpi().x),
           twips::versPixels(disposition::kHauteurCreation, dpi().y));
    Form_Load(m);
}

FrmMsg::~FrmMsg() = default;

void FrmMsg::creeControles() {
    const double echelle = dpi().x / twips::kDpiReference;
    const qreal densite = devicePixelRatioF();

    // Created in the buttons' keyboard order. The tooltip also names the
    // button for screen readers and desktop automation.
    const auto bouton = [&](artwork::Motif motif, const RectTwips& place, const QString& bulle) {
        auto* b = new QToolButton(this);
        b->setIcon(artwork::icone(motif, echelle, densite));
        const QSize taille = artwork::tailleDe(motif);
        b->setIconSize(QSize(static_cast<int>(std::lround(taille.width() * echelle)),
                             static_cast<int>(std::lround(taille.height() * echelle))));
        b->setToolTip(bulle);
        b->setAccessibleName(bulle);
        placeEnTwips(*b, place);
        return b;
    };
    CmdOpen = bouton(artwork::Motif::EnveloppeOuverte, disposition::CmdOpen,
                     QStringLiteral("Répondre au message"));
    CmdFollow[0] = bouton(artwork::Motif::DrapeauRouge, disposition::CmdFollow[0],
                          QStringLiteral("Priorité haute"));
    CmdFollow[1] = bouton(artwork::Motif::DrapeauVert, disposition::CmdFollow[1],
                          QStringLiteral("Priorité moyenne"));
    CmdFollow[2] = bouton(artwork::Motif::DrapeauBlanc, disposition::CmdFollow[2],
                          QStringLiteral("Priorité faible"));
    CmdDel = bouton(artwork::Motif::Corbeille, disposition::CmdDel,
                    QStringLiteral("Supprimer le message"));
    CmdPJ = bouton(artwork::Motif::Trombone, disposition::CmdPJ,
                   QStringLiteral("Extraire les pièces jointes"));
    CmdFermer =
        bouton(artwork::Motif::Croix, disposition::CmdFermer, QStringLiteral("Fermer le message"));
    CmdFolders = bouton(artwork::Motif::Dossier, disposition::CmdFolders, QString());
    CmdFolders->setAccessibleName(QStringLiteral("Déplacer dans un dossier"));

    const auto label = [&](const RectTwips& place, bool gras, bool retourLigne) {
        auto* l = new QLabel(this);
        // Subjects and senders come from strangers: never read them as markup.
        l->setTextFormat(Qt::PlainText);
        l->setWordWrap(retourLigne);
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        l->setAutoFillBackground(true);
        if (gras) {
            QFont f = font();
            f.setBold(true);
            l->setFont(f);
        }
        placeEnTwips(*l, place);
        return l;
    };
    LblBAL = label(disposition::LblBAL, true, false);
    LblFrom = label(disposition::LblFrom, false, false);
    LblSubject = label(disposition::LblSubject, true, false);
    LblBody = label(disposition::LblBody, false, true);

    connect(CmdOpen, &QToolButton::clicked, this, [this] { OpenMail(); });
    for (int i = 0; i < 3; ++i) {
        connect(CmdFollow[i], &QToolButton::clicked, this, [this, i] {
            if (commandes_) commandes_->CmdFollow_Click(i);
        });
    }
    connect(CmdDel, &QToolButton::clicked, this, [this] {
        if (commandes_) commandes_->CmdDel_Click();
    });
    connect(CmdPJ, &QToolButton::clicked, this, [this] {
        if (commandes_) commandes_->CmdPJ_Click();
    });
    connect(CmdFermer, &QToolButton::clicked, this, [this] {
        hide();
        CloseForm();
    });

    // Only the background, CmdOpen, LblSubject and LblBody keep the popup
    // open while the mouse moves. A child must not hand its moves (or
    // clicks) on to the window, or resting on the sender would count too.
    for (QWidget* enfant : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        enfant->setAttribute(Qt::WA_NoMousePropagation);
        enfant->installEventFilter(this);
    }
    for (QWidget* suivi : {static_cast<QWidget*>(CmdOpen), static_cast<QWidget*>(LblSubject),
                           static_cast<QWidget*>(LblBody)}) {
        suivi->setMouseTracking(true);
    }

    TimerCloseAuto = new QTimer(this);
    // The countdown is seen by the user: no coarse-timer slack on it.
    TimerCloseAuto->setTimerType(Qt::PreciseTimer);
    TimerCloseAuto->setInterval(10000);
    connect(TimerCloseAuto, &QTimer::timeout, this, [this] { TimerCloseAuto_Timer(); });
}

void FrmMsg::Form_Load(ModLOTUS& m) {
    const QScreen* ecran = QGuiApplication::primaryScreen();
    move(ecran ? ecran->geometry().left() : 0, y());

    const DelaiPopup delai = delaiDePopup(m.lireParam(keys::kDelai, keys::kDefautDelai));
    if (!delai.correction.isEmpty()) m.LogErreur(delai.correction);
    TimerCloseAuto->setInterval(delai.intervalleMs);
    TimerCloseAuto->start();
}

void FrmMsg::placeEnTwips(QWidget& controle, const RectTwips& r) {
    controle.setGeometry(twips::versPixels(r.left, r.top, r.width, r.height, dpi()));
}

void FrmMsg::OpenMail() {
    if (commandes_) commandes_->OpenMail();
}

void FrmMsg::relanceTimerFermeture() {
    TimerCloseAuto->stop();
    TimerCloseAuto->start();
}

void FrmMsg::CloseForm() {
    hide();
}

void FrmMsg::TimerCloseAuto_Timer() {
    CloseForm();
}

bool FrmMsg::estLabel(const QObject* o) const {
    return o == LblBAL || o == LblFrom || o == LblSubject || o == LblBody;
}

bool FrmMsg::finDeClic(QObject* o, const QMouseEvent& relache, const QRect& zone) {
    if (relache.button() != Qt::LeftButton || appuiSur_ != o) return false;
    appuiSur_ = nullptr;
    return zone.contains(relache.position().toPoint());
}

bool FrmMsg::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseMove:
            if (watched == CmdOpen || watched == LblSubject || watched == LblBody)
                relanceTimerFermeture();
            break;
        case QEvent::MouseButtonPress:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) appuiSur_ = watched;
            break;
        case QEvent::MouseButtonRelease: {
            auto* relache = static_cast<QMouseEvent*>(event);
            if (watched == CmdFolders) {
                appuiSur_ = nullptr;
                // The folder menu runs its own loop: let the button come up first.
                CmdFolders->setDown(false);
                if (commandes_)
                    commandes_->CmdFolders_MouseUp(relache->button(),
                                                   relache->globalPosition().toPoint());
            } else if (estLabel(watched) &&
                       finDeClic(watched, *relache, static_cast<QWidget*>(watched)->rect())) {
                OpenMail();
            }
            break;
        }
        default:
            break;
    }
    return QWidget::eventFilter(watched, event);
}

void FrmMsg::mouseMoveEvent(QMouseEvent* event) {
    relanceTimerFermeture();
    QWidget::mouseMoveEvent(event);
}

void FrmMsg::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) appuiSur_ = this;
    QWidget::mousePressEvent(event);
}

void FrmMsg::mouseReleaseEvent(QMouseEvent* event) {
    if (finDeClic(this, *event, rect())) OpenMail();
    QWidget::mouseReleaseEvent(event);
}

}  // namespace vantor
