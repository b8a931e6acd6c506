#include "app/systray.h"

#include <QCoreApplication>
#include <QCursor>
#include <cstring>

#include "app/frm_lotus.h"
#include "platform/cp1252.h"
#include "platform/gui/notification_area.h"

namespace vantor {

QString TrayIconData::tip() const {
    const auto end = std::find(szTip.begin(), szTip.end(), '\0');
    return cp1252::decode(QByteArray(szTip.data(), static_cast<qsizetype>(end - szTip.begin())));
}

Systray::Systray(FrmLOTUS& owner)
    : QObject(&owner), owner_(owner), zone_(new NotificationArea(this)) {
    suiviTimer_ = owner_.TimerScan.bindableActive().addNotifier([this] { surChangementTimer(); });
    lancee_ = owner_.TimerScan.isActive();
    connect(zone_, &NotificationArea::appeared, this, &Systray::surArriveeZone);
}

Systray::~Systray() = default;

void Systray::remplir(const QIcon& icon, const QString& tip) {
    data_.cbSize = 88;
    data_.hWnd = &owner_;
    data_.uID = 1;
    data_.uFlags = 7;
    data_.uCallbackMessage = 0x200;
    data_.hIcon = icon;
    data_.szTip.fill('\0');
    const QByteArray bytes = cp1252::encode(tip).left(63);
    std::memcpy(data_.szTip.data(), bytes.constData(), static_cast<size_t>(bytes.size()));
}

bool Systray::zoneDisponible() {
    // Not Qt's own test: it settles once for the run whether the tray is on
    // the bus, and the area may come later.
    if (zone_->available()) return true;
    if (!absenceSignalee_) {
        absenceSignalee_ = true;
        owner_.mod().LogErreur(
            QStringLiteral("Zone de notification indisponible : la fenêtre de Vantor reste dans la "
                           "barre des tâches jusqu'à son arrivée."));
    }
    return false;
}

void Systray::surArriveeZone() {
    if (!masquageEnAttente_) return;
    masquageEnAttente_ = false;
    if (!icon_) {
        remplir(owner_.windowIcon(), kTitre);
        Shell_NotifyIcon(NIM_ADD, data_);
    }
    // A window the user brought back meanwhile stays where it is.
    if (owner_.isMinimized()) owner_.hide();
}

bool Systray::Shell_NotifyIcon(int operation, const TrayIconData& record) {
    if (operation == NIM_ADD) {
        if (icon_ || record.cbSize != 88 || record.hWnd != &owner_) return false;
        icon_ = std::make_unique<QSystemTrayIcon>(record.hIcon);
        connect(icon_.get(), &QSystemTrayIcon::activated, this, &Systray::activated);
        appliquerEtat();
        icon_->show();
        return true;
    }
    if (operation == NIM_DELETE) {
        if (!icon_ || record.hWnd != &owner_ || record.uID != 1) return false;
        icon_->hide();
        icon_.reset();
        return true;
    }
    return false;
}

EtatSurveillance Systray::etat() const {
    // A scan disables the timer while it runs and re-arms it at its end,
    // unless it fails: then it says so through noterArret().
    if (owner_.TimerScan.isActive() || (owner_.mod().scanEnCours && !arretNote_))
        return EtatSurveillance::Active;
    return lancee_ ? EtatSurveillance::Arretee : EtatSurveillance::NonLancee;
}

void Systray::surChangementTimer() {
    if (owner_.TimerScan.isActive()) {
        lancee_ = true;
        arretNote_ = false;
        raison_.clear();
    }
    appliquerEtat();
}

void Systray::noterArret(const QString& raison) {
    arretNote_ = true;
    // A tip is a line or two, whatever the failure wrote.
    raison_ = raison.left(200);
    appliquerEtat();
}

void Systray::noterInjoignables(const QStringList& boites) {
    injoignables_ = boites;
    appliquerEtat();
}

QString Systray::bulle() const {
    QString tip = data_.tip();
    if (tip.isEmpty()) tip = kTitre;
    switch (etat()) {
        case EtatSurveillance::Active:
            if (injoignables_.isEmpty()) return tip;
            return tip + QStringLiteral(" - injoignable : ") +
                   injoignables_.join(QStringLiteral(", "));
        case EtatSurveillance::NonLancee:
            return tip + QStringLiteral(" - surveillance non lancée");
        case EtatSurveillance::Arretee:
            break;
    }
    tip += QStringLiteral(" - surveillance arrêtée");
    if (!raison_.isEmpty()) tip += QStringLiteral(" : ") + raison_;
    return tip;
}

void Systray::appliquerEtat() {
    if (!icon_) return;
    if (activite_) {
        icon_->setIcon(data_.hIcon);
        icon_->setToolTip(data_.tip());
        return;
    }
    // A watch that is not running must not look as if it were.
    const bool surveille = etat() == EtatSurveillance::Active;
    icon_->setIcon(surveille ? data_.hIcon : QIcon(data_.hIcon.pixmap(32, QIcon::Disabled)));
    icon_->setToolTip(bulle());
}

void Systray::afficherActivite(const QIcon& icon, const QString& tip) {
    Shell_NotifyIcon(NIM_DELETE, data_);
    remplir(icon, tip);
    activite_ = true;
    Shell_NotifyIcon(NIM_ADD, data_);
}

void Systray::retablirEtat() {
    Shell_NotifyIcon(NIM_DELETE, data_);
    remplir(owner_.windowIcon(), kTitre);
    activite_ = false;
    Shell_NotifyIcon(NIM_ADD, data_);
}

void Systray::activated(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
        case QSystemTrayIcon::Trigger:      // left button released
        case QSystemTrayIcon::DoubleClick:  // left double-click
            owner_.montrerAuPremierPlan();
            break;
        case QSystemTrayIcon::Context:  // right button released
            owner_.activateWindow();
            owner_.mnu_menu->popup(QCursor::pos());
            break;
        default:
            break;
    }
}

}  // namespace vantor
