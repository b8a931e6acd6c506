#pragma once
// The notification-area icon: one record, added and deleted, never modified,
// as the Windows notification calls work; Qt's tray icon realises it. Its
// picture and tip always tell the watch's true state (see EtatSurveillance).
#include <QIcon>
#include <QObject>
#include <QProperty>
#include <QStringList>
#include <QSystemTrayIcon>
#include <array>
#include <cstdint>
#include <memory>

class QWidget;

namespace vantor {

class FrmLOTUS;
class NotificationArea;

// The notification-icon record, in the fields of its Windows form.
struct TrayIconData {
    std::uint32_t cbSize = 0;
    QWidget* hWnd = nullptr;
    std::uint32_t uID = 0;
    std::uint32_t uFlags = 0;
    std::uint32_t uCallbackMessage = 0;
    QIcon hIcon;
    std::array<char, 64> szTip{};

    QString tip() const;
};

inline constexpr int NIM_ADD = 0;
inline constexpr int NIM_DELETE = 2;

// What the watch is doing, derived from the scan timer `TimerScan`.
enum class EtatSurveillance {
    NonLancee,  // the timer was never enabled in this run
    Active,     // the timer is enabled, or a scan is under way and will re-arm it
    Arretee,    // the timer was enabled once and is disabled now
};

class Systray : public QObject {
    Q_OBJECT
  public:
    // `owner` must outlive this object; its `TimerScan` is followed from now on.
    explicit Systray(FrmLOTUS& owner);
    ~Systray() override;

    TrayIconData& data() { return data_; }
    // Fills the record: this window, id 1, flags 7, callback 0x200, the icon
    // and the tip (at most 63 bytes).
    void remplir(const QIcon& icon, const QString& tip);
    // Add (NIM_ADD) or delete (NIM_DELETE); false when the call fails: an
    // icon of that id already there, or none to delete.
    bool Shell_NotifyIcon(int operation, const TrayIconData& record);

    bool iconePresente() const { return icon_ != nullptr; }
    QSystemTrayIcon* icone() const { return icon_.get(); }
    // Whether a notification area is there to hold the icon; logged once when not.
    bool zoneDisponible();
    // The window was to hide to the icon while no notification area was
    // there: once one arrives, the icon is added and the window, if still
    // minimised, hides to it, as hiding to the tray would have done.
    void masquerALArrivee() { masquageEnAttente_ = true; }

    // The watch's state. The icon follows every change by itself: enabling
    // or disabling `TimerScan` anywhere is enough.
    EtatSurveillance etat() const;
    // Records why the watch stopped (a failed scan, a failed mailbox check,
    // a failed archiving or search run); the icon's tip shows it until the
    // timer is enabled again. Call it when disabling the timer for good.
    void noterArret(const QString& raison);
    // The mailboxes the watch skips for now, their server unreachable
    // ("BAL 2 (server)"); the tip names them while the watch goes on.
    void noterInjoignables(const QStringList& boites);
    // The tip the icon shows in the present state: the record's tip, and
    // when not watching, why; when watching, the mailboxes it cannot reach.
    QString bulle() const;

    // For the archiving and search runs, which show their progress in the
    // icon: deletes it and adds it again with `icon` and `tip`, shown as
    // they are whatever the watch's state, until retablirEtat(). The icon is
    // added even when there was none.
    void afficherActivite(const QIcon& icon, const QString& tip);
    // Puts back the truthful state after a run, in one call: the icon
    // (added when there is none) shows the main window's picture and title
    // again, greyed with the reason when the watch is not running. Record
    // a failure with noterArret() first.
    void retablirEtat();

  private:
    void activated(QSystemTrayIcon::ActivationReason reason);
    void surChangementTimer();
    void appliquerEtat();
    void surArriveeZone();

    FrmLOTUS& owner_;
    TrayIconData data_;
    std::unique_ptr<QSystemTrayIcon> icon_;
    QPropertyNotifier suiviTimer_;
    bool lancee_ = false;
    bool arretNote_ = false;
    QString raison_;
    QStringList injoignables_;
    bool activite_ = false;
    bool absenceSignalee_ = false;
    bool masquageEnAttente_ = false;
    NotificationArea* zone_ = nullptr;
};

}  // namespace vantor
