#pragma once
// What the commands of vantor-store share: output, the usual options and
// the store they work on.
#include <QString>
#include <utility>
#include <vector>

#include "command_line.h"
#include "notes/store/store_admin.h"

namespace vantor::tool {

// One line of UTF-8 text on standard output (flushed: the demo feed is
// watched live) or on standard error.
void say(const QString& line);
void complain(const QString& line);

// Text shown on one line, every character visible: backslash, tab, line
// ends, NUL and other control characters as C escapes ("\\", "\t", "\n",
// "\r", "\0", "\x1b").
QString escaped(const QString& text);

// Two columns, the second aligned after the widest first one that fits in
// `maxWidth`; a wider first one puts its second on the next line.
QString columns(const std::vector<std::pair<QString, QString>>& rows, int indent, int maxWidth);

OptionDef serverOption();
OptionDef fileOption();

inline store::StoreAdmin adminFor(const Arguments& args) { return store::StoreAdmin(args.root); }

// "2004-03-15 14:05:00" for listings.
QString listedTime(const QDateTime& when);

void addSetupCommands(std::vector<CommandDef>& commands);
void addMailCommands(std::vector<CommandDef>& commands);
void addDemoCommands(std::vector<CommandDef>& commands);

}  // namespace vantor::tool
