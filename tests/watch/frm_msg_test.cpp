// The popup window on an offscreen screen: measures, colours, countdown, clicks and mouse moves.
#include "watch/frm_msg.h"

#include <QtCore/qtestsupport_core.h>

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <functional>

#include "popup_fixture.h"
#include "support/qt_printers.h"
#include "watch/affiche_popup.h"
#include "watch/popup_commands.h"

namespace vantor {
namespace {

using test::PopupFixture;
using test::QHasSubstr;

int px(int twips, double dpi) {
    return twips::versPixels(twips, dpi);
}

class Enregistreur : public PopupCommands {
  public:
    QStringList appels;
    void OpenMail() override { appels << "OpenMail"; }
    void CmdDel_Click() override { appels << "Del"; }
    void CmdFollow_Click(int index) override { appels << QString("Follow%1").arg(index); }
    void CmdPJ_Click() override { appels << "PJ"; }
    void CmdFolders_MouseUp(Qt::MouseButton b, QPoint) override {
        appels << QString("Folders%1").arg(int(b));
    }
};

void envoie(QWidget* w, QEvent::Type type, QPoint ou, Qt::MouseButton bouton,
            Qt::MouseButtons enfonces = Qt::NoButton) {
    if (type == QEvent::MouseButtonPress) enfonces |= bouton;
    QMouseEvent ev(type, QPointF(ou), QPointF(w->mapToGlobal(ou)), bouton, enfonces,
                   Qt::NoModifier);
    QApplication::sendEvent(w, &ev);
}
void clique(QWidget* w, QPoint ou = {3, 3}, Qt::MouseButton bouton = Qt::LeftButton) {
    envoie(w, QEvent::MouseButtonPress, ou, bouton);
    envoie(w, QEvent::MouseButtonRelease, ou, bouton);
}

// A point of the window no control covers, between the buttons and the labels.
QPoint fond(FrmMsg& f) {
    return {px(660, f.dpi().x), px(1400, f.dpi().y)};
}

// Some time of the countdown gone, so that a restart shows.
int entame(FrmMsg& f) {
    const int plein = f.TimerCloseAuto->interval();
    (void)QTest::qWaitFor([&] { return f.TimerCloseAuto->remainingTime() < plein - 20; }, 5000);
    return f.TimerCloseAuto->remainingTime();
}

// Whether a move over `cible` restarts the countdown: only a restart makes the time left grow back.
bool relancePar(FrmMsg& f, QWidget* cible, QPoint ou = {3, 3},
                Qt::MouseButtons enfonces = Qt::NoButton) {
    f.relanceTimerFermeture();
    const int avant = entame(f);
    envoie(cible, QEvent::MouseMove, ou, Qt::NoButton, enfonces);
    return f.TimerCloseAuto->remainingTime() > avant;
}

TEST_F(PopupFixture, CreatedHiddenBorderlessOnTopWithoutFocusItsButtonsNamedForScreenReaders) {
    FrmMsg f(m);
    EXPECT_FALSE(f.isVisible());
    EXPECT_TRUE(f.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(f.testAttribute(Qt::WA_ShowWithoutActivating));
    QStringList noms;
    for (QToolButton* b : {f.CmdOpen, f.CmdFollow[0], f.CmdFollow[1], f.CmdFollow[2], f.CmdDel,
                           f.CmdPJ, f.CmdFermer, f.CmdFolders})
        noms << QAccessible::queryAccessibleInterface(b)->text(QAccessible::Name);
    EXPECT_EQ(noms,
              QStringList({"Répondre au message", "Priorité haute", "Priorité moyenne",
                           "Priorité faible", "Supprimer le message", "Extraire les pièces jointes",
                           "Fermer le message", "Déplacer dans un dossier"}));
}

// The measures and countdown computed from the settings (their rules:
// affiche_popup_test) reach the window.
TEST_F(PopupFixture, ShownInTheMeasuresAndColourOfTheSettingsBadOnesLogged) {
    param("WIDTH", "2000");
    param("DELAI", "abc");
    param("COULEUR", "FF8000");  // red, green, blue in that order
    FrmMsg f(m);
    EXPECT_TRUE(f.TimerCloseAuto->isActive());
    EXPECT_THAT(journal(), QHasSubstr("(DELAI=abc) : 15 secondes"));
    AffichePopup(m, f);
    const auto dpi = f.dpi();
    ASSERT_TRUE(f.isVisible());  // its place on a real screen: wayland_session_test
    EXPECT_EQ(f.size(), QSize(px(2000, dpi.x), px(2325, dpi.y)));
    EXPECT_EQ(f.CmdFermer->x(), px(1730, dpi.x));
    for (QWidget* w :
         std::initializer_list<QWidget*>{&f, f.LblBody, f.LblBAL, f.LblSubject, f.LblFrom}) {
        EXPECT_EQ(w->palette().color(QPalette::Window), QColor(255, 128, 0));
        EXPECT_TRUE(w->autoFillBackground());
    }

    // Read again at each showing.
    param("HEIGHT", "abc");
    param("COULEUR", "");
    AffichePopup(m, f);
    EXPECT_THAT(journal(), QHasSubstr("(HEIGHT=abc)"));
    EXPECT_EQ(f.LblFrom->palette().color(QPalette::Window), QColor(0, 0, 0));
}

// With a button held the sender's label gets the move itself and must not hand it on to the window.
TEST_F(PopupFixture, OnlyShowingAndMovesOverBodySubjectOpenOrBackgroundRestartTheCountdown) {
    FrmMsg f(m);
    const int avant = entame(f);
    AffichePopup(m, f);
    EXPECT_GT(f.TimerCloseAuto->remainingTime(), avant);
    ASSERT_EQ(f.childAt(fond(f)), nullptr);
    const std::pair<QWidget*, bool> cas[] = {
        {&f, true},           {f.LblBody, true},    {f.LblSubject, true}, {f.CmdOpen, true},
        {f.LblFrom, false},   {f.LblBAL, false},    {f.CmdDel, false},    {f.CmdFollow[0], false},
        {f.CmdFermer, false}, {f.CmdFolders, false}};
    for (const auto& [w, relance] : cas)
        EXPECT_EQ(relancePar(f, w, w == &f ? fond(f) : QPoint(3, 3)), relance)
            << w->metaObject()->className();
    EXPECT_FALSE(relancePar(f, f.LblFrom, {3, 3}, Qt::LeftButton));
}

TEST_F(PopupFixture, TickAndCloseButtonHideButKeepTheCountdown) {
    FrmMsg f(m);
    for (const auto& fermer : std::initializer_list<std::function<void()>>{
             [&] { f.TimerCloseAuto_Timer(); }, [&] { f.CmdFermer->click(); }}) {
        AffichePopup(m, f);
        fermer();
        EXPECT_FALSE(f.isVisible());
        EXPECT_TRUE(f.TimerCloseAuto->isActive());
    }
}

TEST_F(PopupFixture, ClicksReachTheCommandsOnlyWhenCompleteOnOneControl) {
    FrmMsg f(m);
    Enregistreur c;
    f.setCommandes(&c);
    AffichePopup(m, f);

    clique(&f, fond(f));
    for (QLabel* l : {f.LblBAL, f.LblFrom, f.LblSubject, f.LblBody}) clique(l);
    f.CmdOpen->click();
    for (QToolButton* b : f.CmdFollow) b->click();
    f.CmdDel->click();
    f.CmdPJ->click();
    clique(f.CmdFolders, {4, 4}, Qt::RightButton);
    // Not clicks: pressed on one label and released on another; right button.
    envoie(f.LblFrom, QEvent::MouseButtonPress, {3, 3}, Qt::LeftButton);
    envoie(f.LblBody, QEvent::MouseButtonRelease, {3, 3}, Qt::LeftButton);
    clique(f.LblBody, {3, 3}, Qt::RightButton);

    EXPECT_EQ(c.appels, QStringList({"OpenMail", "OpenMail", "OpenMail", "OpenMail", "OpenMail",
                                     "OpenMail", "Follow0", "Follow1", "Follow2", "Del", "PJ",
                                     QString("Folders%1").arg(int(Qt::RightButton))}));
    EXPECT_TRUE(f.isVisible());  // the commands decide whether the popup closes
}

TEST_F(PopupFixture, LabelsShowMarkupAsTypedAndOnlyTheBodyWraps) {
    FrmMsg f(m);
    const QFontMetrics fm(f.LblFrom->font());
    f.LblFrom->setText("<b>x</b>");
    EXPECT_GE(f.LblFrom->sizeHint().width(), fm.horizontalAdvance("<b>x</b>"));

    const QString longue = QString("mot ").repeated(60);
    f.LblFrom->setText(longue);
    f.LblBody->setText(longue);
    EXPECT_EQ(f.LblFrom->sizeHint().height(), fm.height());
    EXPECT_GT(f.LblBody->heightForWidth(f.LblBody->width()), 2 * fm.height());
}

}  // namespace
}  // namespace vantor
