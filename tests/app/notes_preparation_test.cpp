// The mail client's preparation at the end of start-up: found through the
// registry file of the program folder, its notes.ini, its launch.
#include "app/notes_preparation.h"

#include <QDir>

#include "app_fixture.h"
#include "support/reg_files.h"

namespace vantor::test {
namespace {

class NotesPreparationTest : public AppFixture {
  protected:
    // A client folder with a blank in its name, registered with its separator.
    QString client = dir.file("Lotus Notes") + "/";
    QString notesIni = client + "notes.ini";

    void enregistrerClient(const QString& valeurs) {
        QDir().mkpath(client);
        env.replaceFile(dir.file("registre.reg"),
                        regeditBytes("Windows Registry Editor Version 5.00\r\n\r\n"
                                     "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Lotus\\Notes]\r\n" +
                                     valeurs + "\r\n"));
    }
    void demarrerAvec(const char* autoNotes) {
        ecrireIni(QByteArray("[PARAM]\r\nAUTONOTES=") + autoNotes + "\r\n");
        demarrer();
    }
    QByteArray notesIniBytes() { return env.readFile(notesIni).value_or("<absent>"); }
};

const QByteArray kNotesIni =
    "[Notes]\r\nKitType=1\r\nDirectory=C:\\Lotus\\Notes\\Data\r\n"
    "AutoLogoffMinutes=30\r\n;  commentaire \xE9\r\n\r\n[Autre]\nAutoLogoffMinutes=45\n";

TEST_F(NotesPreparationTest, WithoutTheRegistryValueNothingIsWrittenOrStarted) {
    demarrerAvec("1");
    enregistrerClient("\"Autre\"=\"x\"");
    prepareClientNotes(m, true);
    EXPECT_TRUE(env.started.empty());
    EXPECT_EQ(notesIniBytes(), "<absent>");

    // A registry file that cannot be read: logged, kept as it is.
    const QByteArray broken = regeditBytes("Windows Registry Editor Version 5.00\r\n[HKEY_LOCAL");
    env.replaceFile(dir.file("registre.reg"), broken);
    prepareClientNotes(m, true);
    EXPECT_THAT(journal(), QHasSubstr("registre.reg"));
    EXPECT_EQ(env.readFile(dir.file("registre.reg")), broken);
}

TEST_F(NotesPreparationTest, ClientStartsMinimisedAndTheOptionSetsOnlyAutoLogoffOfSectionNotes) {
    enregistrerClient("\"Path\"=\"" + client + "\"");
    env.replaceFile(notesIni, kNotesIni);
    demarrerAvec("0");
    EXPECT_EQ(notesIniBytes(), kNotesIni);
    EXPECT_EQ(env.started.at(0).program, client + "notes.exe");
    EXPECT_EQ(env.started.at(0).style, WindowStyle::MinimizedFocus);

    prepareClientNotes(m, true);
    EXPECT_EQ(notesIniBytes(),
              QByteArray(kNotesIni).replace("AutoLogoffMinutes=30", "AutoLogoffMinutes=0"));

    // A client folder without notes.ini gets one with the key alone.
    env.removeFile(notesIni);
    prepareClientNotes(m, true);
    EXPECT_EQ(notesIniBytes(), "[NOTES]\r\nAutoLogoffMinutes=0\r\n");
}

TEST_F(NotesPreparationTest, AWindowsFolderMakesNoFileHereAndAFailedStartIsLoggedOnly) {
    enregistrerClient("\"Path\"=\"C:\\\\Lotus\\\\Notes\\\\\"");
    env.refuseStarts = true;
    ecrireIni("[PARAM]\r\nAUTONOTES=1\r\nAUTO=1\r\n");
    demarrer();
    EXPECT_FALSE(QFile::exists("C:\\Lotus\\Notes\\notes.ini"));  // in the working folder
    EXPECT_THAT(journal(), ::testing::AllOf(QHasSubstr("C:\\Lotus\\Notes\\notes.ini"),
                                            QHasSubstr("C:\\Lotus\\Notes\\notes.exe")));
    EXPECT_TRUE(w->TimerScan.isActive());  // start-up went on to automatic watching
}

}  // namespace
}  // namespace vantor::test
