#pragma once

#include <QStringList>
#include <QTextStream>

namespace morvi::cli {

// The exit statuses of morvi-cli, documented in its help and man page.
enum Exit : int {
    success = 0,
    differencesFound = 1, // diff: the two configurations differ
    usageError = 2,
    fileError = 3,
    linkError = 4,       // no port or adapter, time-out, adapter lost
    firmwareRefused = 5, // the transmitter's firmware does not fit this program
    verifyFailed = 6,    // the read-back differs from what was programmed or from the file
    declined = 7,        // the user did not confirm programming; the transmitter was not touched
};

// Runs one command line (without the program name); results go to out,
// reports and errors to err.
int run(const QStringList &arguments, QTextStream &out, QTextStream &err);

} // namespace morvi::cli
