#pragma once
// The settings window, which is also the program's main window and the owner
// of the tray icon, the tray menu and the scan timer.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>

#include "actions/charge_dossiers.h"
#include "core/keys.h"
#include "core/modlotus.h"

namespace vantor {

class ActionsMessage;
class FrmMsg;
class Maintenance;
class FenetreMaintenance;
class Systray;

class FrmLOTUS : public QWidget {
    Q_OBJECT
public:
    // `m` must remain live while the window exists.
    explicit FrmLOTUS(ModLOTUS& m, QWidget* parent = nullptr);
    ~FrmLOTUS() override;

    // Start-up: runs once, before any other event of the program.
    void Form_Load();

    // Saves every field to param.ini and checks each mailbox; true when every
    // configured mailbox could be opened. `bParam` also collects folder lists.
    bool SaveParam(const bool& bParam);
    void CmdSave_Click();
    // Starts watching: hides to the tray, enables the scan timer, saves.
    void CmdGO_Click();
    // Hides the window to the notification area.
    void minimize();
    // Shows the window in its normal state, in front of the others.
    void montrerAuPremierPlan();
    // Quit: removes the icon, saves without folder collection, ends the program.
    void quitter();
    // Shows the About box without making it modal, or brings forward the one open.
    void CmdApropos_Click();
    // Archiving and phrase search of a slot, from its button or its tray entry.
    void CmdArchive_Click(int Index);
    void mnu_archive_bal_Click(int Index) { CmdArchive_Click(Index); }
    void CmdRecherche_Click(int Index);
    void mnu_rech_bal_Click(int Index) { CmdRecherche_Click(Index); }

    FrmMsg* popup() const { return frmMsg_.get(); }
    // The popup's commands, from start-up on.
    ActionsMessage* actions() const { return actions_.get(); }
    // The folder lists of the five slots, collected by the saves.
    const ListeDossiers& listeDossiers() const { return listeDossiers_; }
    Systray* systray() const { return systray_.get(); }
    Maintenance* maintenance() const { return maintenance_.get(); }
    ModLOTUS& mod() const { return m_; }

    // Per-slot controls, indexed by slot 0 to 4.
    std::array<QLineEdit*, keys::kSlots> txtServeur{};
    std::array<QLineEdit*, keys::kSlots> TxtBAL{};
    std::array<QLineEdit*, keys::kSlots> TxtBALArchive{};
    std::array<QLineEdit*, keys::kSlots> txtDateArchive{};
    std::array<QToolButton*, keys::kSlots> CmdRecherche{};
    std::array<QToolButton*, keys::kSlots> CmdArchive{};

    QLabel* LblServeur = nullptr;
    QLabel* LblBoiteMail = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* LblPassword = nullptr;
    QLineEdit* txtPassLOTUS = nullptr;
    QGroupBox* Frame1 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QLabel* Label1 = nullptr;
    QComboBox* cbDelai = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* TxtHeight = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* TxtWidth = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* txtCouleur = nullptr;
    QCheckBox* ChkAutoScan = nullptr;
    QCheckBox* ChkAutoNotes = nullptr;
    QCheckBox* ChkAutoLogOff = nullptr;
    // Starting at login: the desktop's autostart entry at `cheminLancementSession`,
    // switched on and off at once, never kept in param.ini.
    QCheckBox* ChkAutoSession = nullptr;
    QString cheminLancementSession;
    void ChkAutoSession_Click();
    QPushButton* CmdSave = nullptr;
    QPushButton* CmdGO = nullptr;
    QPushButton* CmdQuit = nullptr;
    QPushButton* CmdApropos = nullptr;

    // The tray menu, shown only as a pop-up.
    QMenu* mnu_menu = nullptr;
    QMenu* mnu_archiver = nullptr;
    std::array<QAction*, keys::kSlots> mnu_archive_bal{};
    QMenu* mnu_rechercher = nullptr;
    std::array<QAction*, keys::kSlots> mnu_rech_bal{};
    QAction* mnu_param = nullptr;
    QAction* mnu_quitter = nullptr;

    // Created disabled with 65 000 ms; each tick runs one scan.
    QTimer TimerScan;
    void TimerScan_Timer();
    // The mail client says new mail may be waiting: a scan at once when
    // watching and idle, right after the running one when one runs.
    void nouveauCourrier();

    // The background colour currently shown (the colour preview).
    QColor couleurFond() const;

    // Ends the program at once, every window with it; tests replace it.
    std::function<void()> finProgramme;
    // Lets pending window events run once; the scan calls it between documents.
    std::function<void()> laisserEvenements;

signals:
    // Archive and search commands of a slot, for the maintenance commands.
    void archiveDemandee(int slot);
    void rechercheDemandee(int slot);

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createIdentification();
    void createApparence();
    void createOptions();
    void createButtons();
    void createTrayMenu();
    void createMaintenance();
    void connectFieldRules();
    void setCouleurFond(std::uint32_t value);

    bool motDePasseRefuse_ = false;
    // New mail was announced while a scan ran.
    bool scanApres_ = false;

    ModLOTUS& m_;
    ListeDossiers listeDossiers_;
    std::unique_ptr<FrmMsg> frmMsg_;
    std::unique_ptr<ActionsMessage> actions_;  // released before the popup it acts on
    std::unique_ptr<Systray> systray_;
    std::unique_ptr<FenetreMaintenance> fenetreMaintenance_;
    std::unique_ptr<Maintenance> maintenance_;
    bool enDechargement_ = false;
};

}  // namespace vantor
