#include "dialog_parts.h"
#include "german_dialogs.h"
#include "morvi_program.h"
#include "main_window.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    morvi::ui::installDesignFonts();
    morvi::shell::loadGermanQtTranslation(app);
    morvi::shell::MorviProgram program;
    program.FMorvi().show();
    return app.exec();
}
