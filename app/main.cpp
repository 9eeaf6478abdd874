#include "norvoravarodozod.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // Ties the windows to the installed desktop entry, for their icon on Wayland.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.example.NorvoRavaRodozod"));
    int exitCode = 0;
    {
        NorvoRavaRodozod window;
        window.show();
        QObject::connect(&app, &QApplication::lastWindowClosed, &app, &QApplication::quit);
        exitCode = app.exec();
    }
    return exitCode;
}
