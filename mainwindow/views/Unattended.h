#pragma once
// Unattended runs: with DEDEVEV_MESSAGE_LOG naming a log file, the main window's dialogs are
// not shown but written to that file and answered at once (tests, scripted runs).

#include <QStringList>

namespace dedevev {

// True when DEDEVEV_MESSAGE_LOG names a log file.
bool UnattendedDialogs();

// Appends one line, the fields joined with '\t', to the log file. Line breaks inside a field
// are written as the two characters "\n" and tabs as "\t", so every entry stays one line with
// a fixed number of fields.
void LogUnattended(const QStringList& fields);

}  // namespace dedevev
