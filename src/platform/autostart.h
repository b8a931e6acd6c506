#pragma once
// Starting the program when the user's session opens, the way the desktops
// do it: an XDG autostart entry, $XDG_CONFIG_HOME/autostart/vantor.desktop.
// The entry itself is the setting: present means on, unless the desktop
// switched it off inside (Hidden=true, or GNOME's
// X-GNOME-Autostart-enabled=false); absent means off.
#include <QByteArray>
#include <QString>

#include "platform/env.h"

namespace vantor {

// Where the entry lives: $XDG_CONFIG_HOME/autostart/vantor.desktop, or
// $HOME/.config/... when XDG_CONFIG_HOME is unset or not absolute (the XDG
// rule). Empty when neither gives an absolute folder.
QString autostartEntryPath(const QByteArray& xdgConfigHome, const QByteArray& home);
// The same from this process's environment.
QString autostartEntryPath();

// The command that starts the program as its menu entry does: the launcher
// that started this process (`launcher`, which it passes down in
// VANTOR_LAUNCHER), else the launcher beside the executable, else the
// executable itself.
QString autostartCommand(Env& env, const QString& launcher, const QString& executable);
// The same for this process.
QString autostartCommand(Env& env);

// Whether the entry at `path` starts the program at login.
bool autostartEnabled(Env& env, const QString& path);

// Writes the entry, starting `command`; makes the folder when missing. False
// when it cannot be written (errno says why), or when the command cannot be
// written in an entry (a line break in it: EINVAL).
bool enableAutostart(Env& env, const QString& path, const QString& command);
// Removes the entry; true when none is left.
bool disableAutostart(Env& env, const QString& path);

// The text of the entry for `command`, whose Exec line quotes it as one argument.
QByteArray autostartEntry(const QString& command);

}  // namespace vantor
