#include "app/systray.h"

#include <QCursor>
#include <QCoreApplication>
#include <cstring>

#include "app/frm_lotus.h"
#include "platform/cp1252.h"

namespace vantor {

QString TrayIconData::tip() const {
    const auto end = std::find(szTip.begin(), szTip.end(), '\0');
    return cp1252::decode(QByteArray(szTip.data(), static_cast<qsizetype>(end - szTip.begin())));
}

Systray::Systray(FrmLOTUS& owner) : QObject(&owner), owner_(owner) {}

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
    if (QSystemTrayIcon::isSystemTrayAvailable()) return true;
    if (!absenceSignalee_) {
        absenceSignalee_ = true;
        owner_.mod().LogErreur(QStringLiteral(
            "Zone de notification indisponible : la fenêtre de Vantor reste dans la barre des tâches."));
    }
    return false;
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

void Systray::marquerSurveillance(bool arretee, const QString& raison) {
    arretee_ = arretee;
    raison_ = raison;
    appliquerEtat();
}

void Systray::appliquerEtat() {
    if (!icon_) return;
    QString tip = data_.tip();
    QIcon icon = data_.hIcon;
    // A watch stopped by a failure must not look as if it were still watching.
    if (arretee_) {
        tip += QStringLiteral(" - surveillance arrêtée");
        if (!raison_.isEmpty()) tip += QStringLiteral(" : ") + raison_.left(120);
        tip += QStringLiteral(" (voir erreur_log.txt)");
        icon = QIcon(data_.hIcon.pixmap(32, QIcon::Disabled));
    }
    icon_->setIcon(icon);
    icon_->setToolTip(tip);
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
