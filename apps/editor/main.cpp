// The Editor stand-in: answers the launcher's scripts under "pxoeditor-11.0".

#include "apps/peer/peerapplication.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    // Qt names the windows' class (WM_CLASS) after the application, and the configuration
    // database registers the program's file name as the window class the connector looks for.
    QApplication::setApplicationName(QStringLiteral("PixtrelOrvanaEditor"));
    QApplication::setApplicationVersion(QStringLiteral("11.0"));
    QString error;
    const auto options = TessalyApps::PeerOptions::parse(app.arguments().mid(1), &error);
    if (!options) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 2;
    }
    TessalyApps::PeerApplication peer(
        {"pxoeditor-11.0", QStringLiteral("Tessaly Pixtrel Orvana 11.0 (Editor)"), "editor"},
        *options);
    TessalyApps::PeerApplication::quitOnTerminationSignals();
    if (!peer.start())
        return 1;
    return app.exec();
}
