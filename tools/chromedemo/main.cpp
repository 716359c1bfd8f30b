// Shows one of the launcher's windows with the real chrome images, for looking at it:
//   chromedemo country       the country selection dialog
//   chromedemo preferences   the launch preferences dialog
//   chromedemo main          the main window
// The assets folder defaults to the repository's assets/common/. The preferences dialog reads
// and writes the current user's registry, so point XDG_CONFIG_HOME elsewhere to keep it clean.

#include "source/launcherimagestore.h"
#include "source/launcherpaths.h"
#include "source/launcherpixmapsexception.h"
#include "source/launchersettingsdlg.h"
#include "source/ptlaunchercountryselectdlg.h"
#include "source/ptlaunchercustomwindowwidget.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const QString what = arguments.value(1);
    if (what != u"country" && what != u"preferences" && what != u"main") {
        std::fprintf(stderr, "usage: chromedemo country|preferences|main [assets folder]\n");
        return 2;
    }
    LauncherPaths::setApplicationDirectory(QCoreApplication::applicationDirPath());
    LauncherPaths::setAssetsDirectory(
        arguments.value(2, QStringLiteral(TESSALY_SOURCE_DIR "/assets/common/")));
    std::unique_ptr<LauncherImageStore> store;
    try {
        store = std::make_unique<LauncherImageStore>();
    } catch (const LauncherPixmapsException &error) {
        std::fprintf(stderr, "%s\n", qPrintable(error.message()));
        return 1;
    }

    if (what == u"country") {
        const QByteArray chosen = PtLauncherCountrySelectDlg::selectCountry();
        std::printf("%s\n", chosen.constData());
        return 0;
    }
    if (what == u"preferences") {
        std::printf("%d\n", LauncherSettingsDlg::runLaunchPreferences(nullptr));
        return 0;
    }
    PtLauncherCustomWindowWidget window(0, false, nullptr, "pxo_3_launcher_window", false, 0);
    window.show();
    return app.exec();
}
