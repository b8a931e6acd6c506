#pragma once
// The notification-area icon: one record, added and deleted, never modified,
// as the Windows notification calls work; Qt's tray icon realises it.
#include <QIcon>
#include <QObject>
#include <QSystemTrayIcon>
#include <array>
#include <cstdint>
#include <memory>

class QWidget;

namespace vantor {

class FrmLOTUS;

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

class Systray : public QObject {
    Q_OBJECT
public:
    // `owner` must outlive this object.
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

    // Shows in the icon that watching has stopped after a failure, or that it runs.
    void marquerSurveillance(bool arretee, const QString& raison = QString());
    bool surveillanceArretee() const { return arretee_; }

private:
    void activated(QSystemTrayIcon::ActivationReason reason);
    void appliquerEtat();

    FrmLOTUS& owner_;
    TrayIconData data_;
    std::unique_ptr<QSystemTrayIcon> icon_;
    bool arretee_ = false;
    QString raison_;
    bool absenceSignalee_ = false;
};

}  // namespace vantor
