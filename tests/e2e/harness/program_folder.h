#pragma once
// A program folder as a user sets one up: copies of `vantor`, the mail
// client `notes` and the store tool, a mail store made with the tool, the
// registry file naming the client's folder, and the settings the user would
// have saved. And the program running in it, ended with every process it
// left behind.
#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

namespace vantor::e2e {

// The user of the store, its password, and the user's own mail file,
// where the mail client keeps drafts.
inline const QString kUser = QStringLiteral("Jean Dupont/Vantor");
inline const QString kPassword = QStringLiteral("vantor");
inline const QString kMailServer = QStringLiteral("Paris/Vantor");
inline const QString kMailFile = QStringLiteral("mail\\jdupont.nsf");

class ProgramFolder {
  public:
    // A new folder `name` under `parent`, with the three programs and a
    // store holding the user and the user's own mailbox (empty).
    // Throws std::runtime_error on a failure.
    ProgramFolder(const QString& parent, const QString& name);

    const QString& path() const { return path_; }
    QString file(const QString& name) const;

    // Runs the store tool on the folder's store; its standard output.
    // Throws std::runtime_error (with the tool's error) when it fails.
    QString store(const QStringList& args) const;
    // A mailbox of the user on `server`, with `folders` (nested by "\").
    void mailbox(const QString& server, const QString& file, const QStringList& folders = {}) const;
    void createFolders(const QString& server, const QString& file,
                       const QStringList& folders) const;
    // Delivers a memo and returns its universal ID.
    QString deliver(const QString& server, const QString& file, const QString& from,
                    const QString& subject, const QString& body,
                    const QStringList& extra = {}) const;
    // The universal IDs listed in a view or folder of a mailbox.
    QStringList listed(const QString& server, const QString& file,
                       const QString& view = QStringLiteral("($All)")) const;
    // `show` of one document: its items, folders and attachments.
    QString shown(const QString& server, const QString& file, const QString& unid) const;

    // registre.reg naming this folder as the mail client's, so that the
    // program starts `notes` from here at launch.
    void registerClient() const;
    // param.ini as the program writes it (CRLF, Windows-1252), section PARAM.
    void writeParam(const std::vector<std::pair<QString, QString>>& keys) const;
    // A key of param.ini read with the profile rules; `fallback` when absent.
    QString param(const QString& key, const QString& fallback = QStringLiteral("<absent>")) const;
    QByteArray bytes(const QString& name) const;

    // The folder whose `xdg-open` stands first on the program's PATH: it
    // records each call, one line of arguments each, in `xdgOpenLog()`.
    QString stubFolder() const { return stubs_; }
    QStringList xdgOpenCalls() const;

  private:
    QString path_;
    QString stubs_;
};

// The program started in its folder as a user starts it: no argument, the
// desktop's environment, its own process group; the recording xdg-open
// first on its PATH. Ending it (or destroying this) also ends whatever it
// started from its folder (the mail client).
class RunningProgram {
  public:
    explicit RunningProgram(const ProgramFolder& folder,
                            const QString& program = QStringLiteral("vantor"));
    ~RunningProgram();
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    qint64 pid() const { return pid_; }
    bool running() const { return process_.state() != QProcess::NotRunning; }
    // Waits for the program to end by itself; true when it did.
    bool waitForExit(int ms);
    int exitCode() const { return process_.exitCode(); }
    bool crashed() const { return process_.exitStatus() == QProcess::CrashExit; }
    // What it wrote on its standard output and error (sanitizer reports included).
    QString output() const;
    // Resident memory now, in kB, from /proc; 0 when it is gone.
    long residentKb() const;
    // Ends the program and every process running an executable of its folder.
    void stop();

  private:
    const ProgramFolder& folder_;
    QProcess process_;
    qint64 pid_ = 0;
};

// Ends, by their process ids, the processes whose executable lies in `folder`.
void endProcessesOf(const QString& folder);

}  // namespace vantor::e2e
