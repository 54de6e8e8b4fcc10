#include "cli.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    int status = morvi::cli::run(arguments, out, err);
    out.flush();
    // Output that did not arrive (a full disk, a closed pipe) must not pass for success.
    if (out.status() != QTextStream::Ok || std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
        err << "Standardausgabe kann nicht geschrieben werden.\n";
        status = morvi::cli::fileError;
    }
    err.flush();
    return status;
}
