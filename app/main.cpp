#include "activedomainobject.h"
#include "heapsettings.h"
#include "norvoravarodozod.h"
#include "systemlocation.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char *argv[])
{
    HeapSettings::keepLargeBlocksApart();
    QApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(currentVersion());
    // Ties the windows to the installed desktop entry, for their icon on Wayland.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.example.NorvoRavaRodozod"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Keeps track of the bills you owe, when they fall due and what you have "
                       "paid."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption userData = SystemLocation::userDataOption();
    parser.addOption(userData);
    parser.process(app);

    int exitCode = 0;
    {
        NorvoRavaRodozod window(SystemLocation::path(parser.isSet(userData)));
        window.show();
        QObject::connect(&app, &QApplication::lastWindowClosed, &app, &QApplication::quit);
        exitCode = app.exec();
    }
    return exitCode;
}
