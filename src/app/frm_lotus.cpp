#include "app/frm_lotus.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QVBoxLayout>

#include "actions/actions_message.h"
#include "app/systray.h"
#include "core/artwork.h"
#include "core/settings.h"
#include "maintenance/maintenance.h"
#include "platform/autostart.h"
#include "watch/frm_msg.h"

namespace vantor {
namespace {

const QString kTipServeur = QStringLiteral(
    "Pour connaitre le nom du serveur de votre boite aux lettres, cliquez sur le 1er icone en "
    "haut à gauche dans Lotus Notes.");
const QString kTipBAL = QStringLiteral(
    "Pour connaitre le nom de fichier de votre boite aux lettres, cliquez sur le 1er icone en "
    "haut à gauche dans Lotus Notes.");

// A server field is wide enough to read a mail server's address whole.
const QString kAdresseServeurType =
    QStringLiteral("imaps://jean.dupont%40example.com@mail.example.com:993");

// The width a line edit needs to show `text` without scrolling, as its own
// size hint reckons a width: the text, its margins, the style's frame.
int largeurPour(const QLineEdit& field, const QString& text) {
    QStyleOptionFrame option;
    option.initFrom(&field);
    option.lineWidth = field.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, &field);
    const QMargins marges = field.textMargins() + field.contentsMargins();
    // QLineEdit leaves 2 pixels on each side of its text.
    const int texte =
        field.fontMetrics().horizontalAdvance(text) + 4 + marges.left() + marges.right();
    return field.style()
        ->sizeFromContents(QStyle::CT_LineEdit, &option, QSize(texte, field.fontMetrics().height()),
                           &field)
        .width();
}

QToolButton* pictureButton(const QIcon& icon, const QString& tip, QWidget* parent) {
    auto* b = new QToolButton(parent);
    b->setIcon(icon);
    b->setToolTip(tip);
    b->setAccessibleName(tip);
    b->setAutoRaise(false);
    // Hidden buttons keep their room so the columns do not jump after a save.
    QSizePolicy p = b->sizePolicy();
    p.setRetainSizeWhenHidden(true);
    b->setSizePolicy(p);
    return b;
}

}  // namespace

FrmLOTUS::FrmLOTUS(ModLOTUS& m, QWidget* parent) : QWidget(parent), m_(m) {
    setWindowTitle(kTitre);
    setWindowIcon(artwork::iconeApplication());
    setAutoFillBackground(true);

    auto* layout = new QVBoxLayout(this);
    createIdentification();
    createApparence();
    createOptions();
    createButtons();
    createTrayMenu();
    connectFieldRules();

    layout->addWidget(Frame1);
    auto* lower = new QHBoxLayout;
    lower->addWidget(Frame2);
    auto* options = new QVBoxLayout;
    options->addWidget(ChkAutoScan);
    options->addWidget(ChkAutoNotes);
    options->addWidget(ChkAutoLogOff);
    options->addWidget(ChkAutoSession);
    options->addStretch();
    lower->addLayout(options, 1);
    layout->addLayout(lower);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(CmdSave);
    buttons->addWidget(CmdGO);
    buttons->addStretch();
    buttons->addWidget(CmdApropos);
    buttons->addWidget(CmdQuit);
    layout->addLayout(buttons);

    TimerScan.setInterval(65000);
    TimerScan.stop();
    connect(&TimerScan, &QTimer::timeout, this, &FrmLOTUS::TimerScan_Timer);

    systray_ = std::make_unique<Systray>(*this);
    createMaintenance();
    if (m_.notes) m_.notes->setNewMailListener([this] { nouveauCourrier(); });
}

FrmLOTUS::~FrmLOTUS() {
    if (m_.notes) m_.notes->setNewMailListener({});
}

void FrmLOTUS::createIdentification() {
    Frame1 = new QGroupBox(QStringLiteral("Identification"), this);
    auto* grid = new QGridLayout(Frame1);
    LblServeur = new QLabel(QStringLiteral("Serveur LOTUS"), Frame1);
    LblBoiteMail = new QLabel(QStringLiteral("Boite aux lettres (nom de fichier.nsf)"), Frame1);
    Label6 = new QLabel(QStringLiteral("Archive (nom de fichier.nsf en local)"), Frame1);
    Label7 = new QLabel(QStringLiteral("Date limite d'archivage:"), Frame1);
    grid->addWidget(LblServeur, 0, 1);
    grid->addWidget(LblBoiteMail, 0, 2);
    grid->addWidget(Label6, 0, 3);
    grid->addWidget(Label7, 0, 4);
    for (int i = 0; i < keys::kSlots; ++i) {
        const int row = i + 1;
        auto* slotLabel = new QLabel(QStringLiteral("BAL %1").arg(i + 1), Frame1);
        txtServeur[i] = new QLineEdit(Frame1);
        txtServeur[i]->setToolTip(kTipServeur);
        txtServeur[i]->setMinimumWidth(largeurPour(*txtServeur[i], kAdresseServeurType));
        TxtBAL[i] = new QLineEdit(Frame1);
        TxtBAL[i]->setToolTip(kTipBAL);
        TxtBALArchive[i] = new QLineEdit(Frame1);
        TxtBALArchive[i]->setToolTip(kTipBAL);
        txtDateArchive[i] = new QLineEdit(Frame1);
        txtDateArchive[i]->setMaximumWidth(110);
        slotLabel->setBuddy(TxtBAL[i]);
        CmdRecherche[i] = pictureButton(artwork::iconeRecherche(), QStringLiteral("Rechercher"), Frame1);
        CmdArchive[i] = pictureButton(artwork::iconeArchive(), QStringLiteral("Archiver"), Frame1);
        connect(CmdRecherche[i], &QToolButton::clicked, this, [this, i] { emit rechercheDemandee(i); });
        connect(CmdArchive[i], &QToolButton::clicked, this, [this, i] { emit archiveDemandee(i); });
        grid->addWidget(slotLabel, row, 0);
        grid->addWidget(txtServeur[i], row, 1);
        grid->addWidget(TxtBAL[i], row, 2);
        grid->addWidget(TxtBALArchive[i], row, 3);
        grid->addWidget(txtDateArchive[i], row, 4);
        grid->addWidget(CmdRecherche[i], row, 5);
        grid->addWidget(CmdArchive[i], row, 6);
    }
    grid->setColumnStretch(1, 2);
    grid->setColumnStretch(2, 3);
    grid->setColumnStretch(3, 3);
    LblPassword = new QLabel(QStringLiteral("Mot de passe LOTUS:"), Frame1);
    txtPassLOTUS = new QLineEdit(Frame1);
    txtPassLOTUS->setEchoMode(QLineEdit::Password);
    txtPassLOTUS->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
    txtPassLOTUS->setToolTip(QStringLiteral("Il sera stocké de façon crypté"));
    LblPassword->setBuddy(txtPassLOTUS);
    const int last = keys::kSlots + 1;
    grid->addWidget(LblPassword, last, 0, 1, 1);
    grid->addWidget(txtPassLOTUS, last, 1, 1, 1);
}

void FrmLOTUS::createApparence() {
    Frame2 = new QGroupBox(QStringLiteral("Apparence de la popup"), this);
    auto* grid = new QGridLayout(Frame2);
    Label1 = new QLabel(QStringLiteral("Délai d'affichage"), Frame2);
    cbDelai = new QComboBox(Frame2);
    cbDelai->setEditable(true);
    cbDelai->setInsertPolicy(QComboBox::NoInsert);
    Label5 = new QLabel(QStringLiteral("seconde(s)"), Frame2);
    Label4 = new QLabel(QStringLiteral("Hauteur"), Frame2);
    TxtHeight = new QLineEdit(Frame2);
    TxtHeight->setToolTip(QStringLiteral("en pixels"));
    Label3 = new QLabel(QStringLiteral("Largeur"), Frame2);
    TxtWidth = new QLineEdit(Frame2);
    TxtWidth->setToolTip(QStringLiteral("en pixels"));
    Label2 = new QLabel(QStringLiteral("Couleur de fond"), Frame2);
    txtCouleur = new QLineEdit(Frame2);
    txtCouleur->setToolTip(QStringLiteral("en hexadécimale"));
    Label1->setBuddy(cbDelai);
    Label4->setBuddy(TxtHeight);
    Label3->setBuddy(TxtWidth);
    Label2->setBuddy(txtCouleur);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(cbDelai, 0, 1);
    grid->addWidget(Label5, 0, 2);
    grid->addWidget(Label4, 1, 0);
    grid->addWidget(TxtHeight, 1, 1);
    grid->addWidget(Label3, 2, 0);
    grid->addWidget(TxtWidth, 2, 1);
    grid->addWidget(Label2, 3, 0);
    grid->addWidget(txtCouleur, 3, 1);
}

void FrmLOTUS::createOptions() {
    ChkAutoScan = new QCheckBox(QStringLiteral("Lancer la vérification au démarrage de l'application"), this);
    ChkAutoNotes = new QCheckBox(QStringLiteral("Lancer Notes au démarrage de l'application"), this);
    ChkAutoLogOff = new QCheckBox(QStringLiteral("Empêcher la déconnexion automatique dans Lotus Notes"), this);
    ChkAutoSession = new QCheckBox(QStringLiteral("Lancer Vantor à l'ouverture de session"), this);
    cheminLancementSession = autostartEntryPath();
    connect(ChkAutoSession, &QCheckBox::clicked, this, &FrmLOTUS::ChkAutoSession_Click);
}

void FrmLOTUS::createButtons() {
    CmdSave = new QPushButton(QStringLiteral("&Enregistrer"), this);
    CmdGO = new QPushButton(QStringLiteral("Lancer la &vérif des mails"), this);
    CmdQuit = new QPushButton(QStringLiteral("&Quitter"), this);
    CmdApropos = new QPushButton(QStringLiteral("A propos de l'auteur"), this);
    connect(CmdSave, &QPushButton::clicked, this, &FrmLOTUS::CmdSave_Click);
    connect(CmdGO, &QPushButton::clicked, this, &FrmLOTUS::CmdGO_Click);
    connect(CmdQuit, &QPushButton::clicked, this, &FrmLOTUS::quitter);
    connect(CmdApropos, &QPushButton::clicked, this, &FrmLOTUS::CmdApropos_Click);
}

void FrmLOTUS::createTrayMenu() {
    mnu_menu = new QMenu(QStringLiteral("Menu"), this);
    mnu_archiver = mnu_menu->addMenu(QStringLiteral("Archivage"));
    for (int i = 0; i < keys::kSlots; ++i) {
        mnu_archive_bal[i] = mnu_archiver->addAction(QStringLiteral("BAL %1").arg(i + 1));
        connect(mnu_archive_bal[i], &QAction::triggered, this, [this, i] { emit archiveDemandee(i); });
    }
    mnu_rechercher = mnu_menu->addMenu(QStringLiteral("Rechercher"));
    for (int i = 0; i < keys::kSlots; ++i) {
        mnu_rech_bal[i] = mnu_rechercher->addAction(QStringLiteral("BAL %1").arg(i + 1));
        connect(mnu_rech_bal[i], &QAction::triggered, this, [this, i] { emit rechercheDemandee(i); });
    }
    mnu_param = mnu_menu->addAction(QStringLiteral("Paramètres"));
    mnu_quitter = mnu_menu->addAction(QStringLiteral("Quitter"));
    connect(mnu_param, &QAction::triggered, this, [this] { show(); });
    connect(mnu_quitter, &QAction::triggered, this, &FrmLOTUS::quitter);
}

void FrmLOTUS::connectFieldRules() {
    connect(txtCouleur, &QLineEdit::textChanged, this, [this](const QString& text) {
        // Every colour value the rule gives is valid, so the "C0DDDD" fallback
        // is only for a value the window could not take.
        const std::uint32_t v = HexVersCouleur(text);
        setCouleurFond(v <= 0xFFFFFFu ? v : HexVersCouleur(keys::kDefautCouleur));
    });
    txtCouleur->installEventFilter(this);
    connect(TxtHeight, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!estNumerique(text)) TxtHeight->setText(keys::kDefautHeight);
    });
    connect(TxtWidth, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!estNumerique(text)) TxtWidth->setText(keys::kDefautWidth);
    });
}

bool FrmLOTUS::eventFilter(QObject* watched, QEvent* event) {
    // The preview follows the text as it was before the key takes effect.
    if (watched == txtCouleur && event->type() == QEvent::KeyPress) {
        setCouleurFond(HexVersCouleur(txtCouleur->text()));
    }
    return QWidget::eventFilter(watched, event);
}

void FrmLOTUS::setCouleurFond(std::uint32_t value) {
    const QColor fond = couleurDeValeur(value);
    QPalette p = palette();
    p.setColor(QPalette::Window, fond);
    // Captions stay readable on a dark preview.
    p.setColor(QPalette::WindowText, fond.lightness() < 110 ? Qt::white : Qt::black);
    setPalette(p);
}

QColor FrmLOTUS::couleurFond() const { return palette().color(QPalette::Window); }

}  // namespace vantor
