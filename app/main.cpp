#include "norvoravarodozod.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    int exitCode = 0;
    {
        NorvoRavaRodozod window;
        window.show();
        QObject::connect(&app, &QApplication::lastWindowClosed, &app, &QApplication::quit);
        exitCode = app.exec();
    }
    return exitCode;
}
