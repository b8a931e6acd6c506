#pragma once
// What the commands of vantor-store share: output, the usual options and
// the store they work on.
#include <QString>
#include <vector>

#include "command_line.h"
#include "notes/store/store_admin.h"

namespace vantor::tool {

// One line of UTF-8 text on standard output (flushed: the demo feed is
// watched live) or on standard error.
void say(const QString& line);
void complain(const QString& line);

OptionDef serverOption();
OptionDef fileOption();

inline store::StoreAdmin adminFor(const Arguments& args) { return store::StoreAdmin(args.root); }

// "2004-03-15 14:05:00" for listings.
QString listedTime(const QDateTime& when);

void addSetupCommands(std::vector<CommandDef>& commands);
void addMailCommands(std::vector<CommandDef>& commands);
void addDemoCommands(std::vector<CommandDef>& commands);

}  // namespace vantor::tool
