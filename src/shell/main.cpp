#include <QApplication>
#include <QMainWindow>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Konfiguration Sender (max. 16-Tasten) "));
    window.setFixedSize(943, 634);
    window.show();
    return app.exec();
}
