#include "e2e/harness/program_folder.h"

#include <signal.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <stdexcept>

#include "platform/cp1252.h"
#include "platform/env.h"
#include "platform/profile_file.h"

namespace vantor::e2e {
namespace {

void fail(const QString& why) {
    throw std::runtime_error(why.toStdString());
}

void copyExecutable(const QString& from, const QString& to) {
    if (!QFile::copy(from, to)) fail(QStringLiteral("cannot copy %1 to %2").arg(from, to));
    QFile::setPermissions(to, QFile::permissions(to) | QFileDevice::ExeOwner);
}

void writeFile(const QString& path, const QByteArray& data) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size())
        fail(QStringLiteral("cannot write %1").arg(path));
}

// The UTF-16LE bytes of ASCII-compatible text, as the registry editor writes.
QByteArray utf16le(const QString& text) {
    QByteArray out;
    for (const QChar c : text) {
        out.append(static_cast<char>(c.unicode() & 0xff));
        out.append(static_cast<char>(c.unicode() >> 8));
    }
    return out;
}

}  // namespace

ProgramFolder::ProgramFolder(const QString& parent, const QString& name)
    : path_(QDir(parent).absoluteFilePath(name)), stubs_(path_ + QStringLiteral("-bin")) {
    if (!QDir().mkpath(path_) || !QDir().mkpath(stubs_))
        fail(QStringLiteral("cannot make %1").arg(path_));
    copyExecutable(QStringLiteral(VANTOR_EXE), file(QStringLiteral("vantor")));
    copyExecutable(QStringLiteral(VANTOR_NOTES_EXE), file(QStringLiteral("notes")));
    copyExecutable(QStringLiteral(VANTOR_STORE_EXE), file(QStringLiteral("vantor-store")));
    store({QStringLiteral("init-user"), QStringLiteral("--user"), kUser,
           QStringLiteral("--password"), kPassword, QStringLiteral("--mail-server"), kMailServer,
           QStringLiteral("--mail-file"), kMailFile});
    mailbox(kMailServer, kMailFile);
    const QString log = stubs_ + QStringLiteral("/xdg-open.log");
    writeFile(
        stubs_ + QStringLiteral("/xdg-open"),
        QStringLiteral("#!/bin/sh\n# Records how the program asked the desktop to open something.\n"
                       "printf '%s\\n' \"$*\" >> '%1'\n")
            .arg(log)
            .toUtf8());
    QFile::setPermissions(stubs_ + QStringLiteral("/xdg-open"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

QString ProgramFolder::file(const QString& name) const {
    return QDir(path_).filePath(name);
}

QString ProgramFolder::store(const QStringList& args) const {
    QProcess p;
    p.start(file(QStringLiteral("vantor-store")),
            QStringList{QStringLiteral("--root"), file(QStringLiteral("notesdata"))} + args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        fail(QStringLiteral("vantor-store %1: %2")
                 .arg(args.join(QLatin1Char(' ')), QString::fromUtf8(p.readAllStandardError())));
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

void ProgramFolder::mailbox(const QString& server, const QString& mailFile,
                            const QStringList& folders) const {
    store({QStringLiteral("create-mailbox"), QStringLiteral("--server"), server,
           QStringLiteral("--file"), mailFile, QStringLiteral("--user"), kUser});
    createFolders(server, mailFile, folders);
}

void ProgramFolder::createFolders(const QString& server, const QString& mailFile,
                                  const QStringList& folders) const {
    for (const QString& folder : folders) {
        store({QStringLiteral("create-folder"), QStringLiteral("--server"), server,
               QStringLiteral("--file"), mailFile, QStringLiteral("--folder"), folder});
    }
}

QString ProgramFolder::deliver(const QString& server, const QString& mailFile, const QString& from,
                               const QString& subject, const QString& body,
                               const QStringList& extra) const {
    const QString out =
        store(QStringList{QStringLiteral("deliver"), QStringLiteral("--server"), server,
                          QStringLiteral("--file"), mailFile, QStringLiteral("--from"), from,
                          QStringLiteral("--subject"), subject, QStringLiteral("--body"), body} +
              extra);
    return out.simplified().section(QLatin1Char(' '), 0, 0);
}

QStringList ProgramFolder::listed(const QString& server, const QString& mailFile,
                                  const QString& view) const {
    QStringList unids;
    const QString out = store({QStringLiteral("list"), QStringLiteral("--server"), server,
                               QStringLiteral("--file"), mailFile, QStringLiteral("--view"), view});
    for (const QString& line : out.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        unids << line.section(QLatin1Char('\t'), 0, 0);
    return unids;
}

QString ProgramFolder::shown(const QString& server, const QString& mailFile,
                             const QString& unid) const {
    return store({QStringLiteral("show"), QStringLiteral("--server"), server,
                  QStringLiteral("--file"), mailFile, QStringLiteral("--unid"), unid});
}

void ProgramFolder::registerClient() const {
    QString folder = path_ + QLatin1Char('/');
    folder.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
        .replace(QLatin1Char('"'), QStringLiteral("\\\""));
    const QString text =
        QStringLiteral(
            "Windows Registry Editor Version 5.00\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Lotus\\Notes]\r\n\"Path\"=\"%1\"\r\n\r\n")
            .arg(folder);
    writeFile(file(QStringLiteral("registre.reg")), QByteArray("\xff\xfe", 2) + utf16le(text));
}

void ProgramFolder::writeParam(const std::vector<std::pair<QString, QString>>& keys) const {
    QString text = QStringLiteral("[PARAM]\r\n");
    for (const auto& [key, value] : keys)
        text += key + QLatin1Char('=') + value + QStringLiteral("\r\n");
    writeFile(file(QStringLiteral("param.ini")), cp1252::encode(text));
}

QString ProgramFolder::param(const QString& key, const QString& fallback) const {
    return profile::getString(*Env::Default(), QStringLiteral("PARAM"), key, fallback, 1024,
                              file(QStringLiteral("param.ini")))
        .text;
}

QByteArray ProgramFolder::bytes(const QString& name) const {
    QFile f(file(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList ProgramFolder::xdgOpenCalls() const {
    QFile f(stubs_ + QStringLiteral("/xdg-open.log"));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

RunningProgram::RunningProgram(const ProgramFolder& folder, const QString& program)
    : folder_(folder) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PATH"),
               folder.stubFolder() + QLatin1Char(':') + env.value(QStringLiteral("PATH")));
    process_.setProcessEnvironment(env);
    // Started from elsewhere: the program finds its folder from its executable.
    process_.setWorkingDirectory(QDir::tempPath());
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.setStandardOutputFile(folder.file(program + QStringLiteral(".out")));
    process_.setChildProcessModifier([] { ::setpgid(0, 0); });
    process_.start(folder.file(program), {});
    if (!process_.waitForStarted(20000)) fail(QStringLiteral("cannot start %1").arg(program));
    pid_ = process_.processId();
}

RunningProgram::~RunningProgram() {
    stop();
}

bool RunningProgram::waitForExit(int ms) {
    return process_.state() == QProcess::NotRunning || process_.waitForFinished(ms);
}

QString RunningProgram::output() const {
    QFile f(folder_.file(QFileInfo(process_.program()).fileName() + QStringLiteral(".out")));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

long RunningProgram::residentKb() const {
    if (!running()) return 0;
    QFile f(QStringLiteral("/proc/%1/status").arg(pid_));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return 0;
}

void RunningProgram::stop() {
    if (running()) {
        ::kill(static_cast<pid_t>(-pid_), SIGTERM);
        if (!process_.waitForFinished(5000)) {
            ::kill(static_cast<pid_t>(-pid_), SIGKILL);
            process_.waitForFinished(5000);
        }
    }
    endProcessesOf(folder_.path());
}

void endProcessesOf(const QString& folder) {
    const QString prefix = QDir(folder).canonicalPath() + QLatin1Char('/');
    if (prefix.size() < 2) return;
    const QStringList pids =
        QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : pids) {
        bool number = false;
        const pid_t pid = entry.toInt(&number);
        if (!number || pid == ::getpid()) continue;
        const QString exe = QFileInfo(QStringLiteral("/proc/%1/exe").arg(entry)).symLinkTarget();
        if (!exe.startsWith(prefix)) continue;
        ::kill(pid, SIGTERM);
        for (int i = 0;
             i < 50 && QFileInfo::exists(QStringLiteral("/proc/%1/exe").arg(entry)) &&
             !QFileInfo(QStringLiteral("/proc/%1/exe").arg(entry)).symLinkTarget().isEmpty();
             ++i)
            QThread::msleep(50);
        ::kill(pid, SIGKILL);
    }
}

}  // namespace vantor::e2e
