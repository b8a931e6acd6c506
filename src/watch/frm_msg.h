#pragma once
// The popup window in which the scan presents one new message: mailbox,
// sender, subject and start of the body, picture buttons down its left side
// and a close button top right. Created once, hidden; shown by AffichePopup;
// hides itself when its countdown runs out. It holds no message state.
#include <QWidget>
#include <array>

#include "core/twips.h"

class QLabel;
class QMouseEvent;
class QTimer;
class QToolButton;

namespace vantor {

struct ModLOTUS;
class PopupCommands;

// A control's place in the window, in twips from its top-left corner.
struct RectTwips {
    int left;
    int top;
    int width;
    int height;
};

// The window's layout as created; AffichePopup resizes from it.
namespace disposition {
inline constexpr int kLargeurCreation = 4470;
inline constexpr int kHauteurCreation = 2760;
inline constexpr RectTwips CmdOpen{0, 360, 495, 495};
inline constexpr std::array<RectTwips, 3> CmdFollow{
    {{0, 960, 255, 255}, {0, 1320, 255, 255}, {0, 1680, 255, 255}}};
inline constexpr RectTwips CmdDel{360, 960, 255, 375};
inline constexpr RectTwips CmdPJ{360, 1560, 255, 375};
inline constexpr RectTwips CmdFermer{4200, 0, 255, 255};
inline constexpr RectTwips CmdFolders{0, 0, 495, 375};
inline constexpr RectTwips LblBAL{720, 0, 3495, 255};
inline constexpr RectTwips LblFrom{720, 240, 3735, 255};
inline constexpr RectTwips LblSubject{720, 480, 3735, 255};
inline constexpr RectTwips LblBody{720, 720, 3735, 1815};
}  // namespace disposition

class FrmMsg : public QWidget {
    Q_OBJECT

public:
    // Builds the window hidden and runs its load step: left edge of the
    // screen, countdown of "DELAI" seconds started.
    explicit FrmMsg(ModLOTUS& m, QWidget* parent = nullptr);
    ~FrmMsg() override;

    // The controls, owned by the window. The scan writes the labels' texts
    // and whether CmdPJ shows.
    QToolButton* CmdOpen;
    std::array<QToolButton*, 3> CmdFollow;
    QToolButton* CmdDel;
    QToolButton* CmdPJ;
    QToolButton* CmdFermer;
    QToolButton* CmdFolders;
    QLabel* LblBAL;
    QLabel* LblFrom;
    QLabel* LblSubject;
    QLabel* LblBody;
    QTimer* TimerCloseAuto;

    // Where the button commands go; not owned. Without one, every command
    // but close does nothing.
    void setCommandes(PopupCommands* commandes) { commandes_ = commandes; }
    PopupCommands* commandes() const { return commandes_; }

    // Reply to the message on display, through the commands.
    void OpenMail();
    // Restarts the countdown from its full interval.
    void relanceTimerFermeture();
    // Hides the window; the countdown keeps running.
    void CloseForm();
    // The countdown's tick.
    void TimerCloseAuto_Timer();

    // Sets a control's geometry from twips, with the dots per inch of the
    // window's screen.
    void placeEnTwips(QWidget& controle, const RectTwips& r);
    twips::Dpi dpi() const { return twips::dpiDe(screen()); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void creeControles();
    void Form_Load(ModLOTUS& m);
    bool estLabel(const QObject* o) const;
    // Ends a click that began with a left press on `o`; true when it is one.
    bool finDeClic(QObject* o, const QMouseEvent& relache, const QRect& zone);

    PopupCommands* commandes_ = nullptr;
    QObject* appuiSur_ = nullptr;  // where the left button went down
};

}  // namespace vantor
