#include "morvi_program.h"
#include "main_window.h"

#include <QApplication>
#include <QFont>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // The window design names the classic Windows fonts; use their metric twins elsewhere.
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"));
    morvi::shell::MorviProgram program;
    program.FMorvi().show();
    return app.exec();
}
