// The Organizer stand-in: answers the launcher's scripts under "pxoorganizer-11.0".

#include "apps/peer/peerapplication.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    // Qt names the windows' class (WM_CLASS) after the application, and the configuration
    // database registers the program's file name as the window class the connector looks for.
    QApplication::setApplicationName(QStringLiteral("PixtrelOrvanaOrganizer"));
    QApplication::setApplicationVersion(QStringLiteral("11.0"));
    QString error;
    const auto options = TessalyApps::PeerOptions::parse(app.arguments().mid(1), &error);
    if (!options) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 2;
    }
    TessalyApps::PeerApplication peer(
        {"pxoorganizer-11.0", QStringLiteral("Orvana Organizer 11.0"), "organizer"}, *options);
    TessalyApps::PeerApplication::quitOnTerminationSignals();
    if (!peer.start())
        return 1;
    return app.exec();
}
