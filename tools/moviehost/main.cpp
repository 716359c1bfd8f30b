// Shows the Welcome Screen movies as the launcher hosts them and prints every call they make:
//   moviehost [--pods DIR] [--last NAME] [--startup 0|1|2] [--launch-number N] [--locale CODE]
//             [--launching organizer|editor] [--status TEXT] [--hidden-by-alert] [--simulate]
//             [--quit-after MS] [--assets DIR]
#include "tools/moviehost/moviehost.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTextStream>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("moviehost"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Plays the Welcome Screen movies and prints the calls they make."));
    parser.addHelpOption();
    const QCommandLineOption assets(QStringLiteral("assets"),
                                    QStringLiteral("Assets folder holding Required/."),
                                    QStringLiteral("dir"));
    const QCommandLineOption pods(QStringLiteral("pods"), QStringLiteral("Pods folder to list."),
                                  QStringLiteral("dir"));
    const QCommandLineOption last(QStringLiteral("last"), QStringLiteral("Pod shown last."),
                                  QStringLiteral("name"));
    const QCommandLineOption startup(QStringLiteral("startup"),
                                     QStringLiteral("Start-up application 0, 1 or 2."),
                                     QStringLiteral("n"));
    const QCommandLineOption launchNumber(QStringLiteral("launch-number"),
                                          QStringLiteral("Launch count sent to the movie."),
                                          QStringLiteral("n"));
    const QCommandLineOption locale(QStringLiteral("locale"), QStringLiteral("Locale code."),
                                    QStringLiteral("code"));
    const QCommandLineOption launching(
        QStringLiteral("launching"),
        QStringLiteral("Enter the launching state of organizer or editor."), QStringLiteral("app"));
    const QCommandLineOption status(QStringLiteral("status"),
                                    QStringLiteral("Splash status text while launching."),
                                    QStringLiteral("text"));
    const QCommandLineOption hidden(QStringLiteral("hidden-by-alert"),
                                    QStringLiteral("Tell the movie an alert is up."));
    const QCommandLineOption simulate(
        QStringLiteral("simulate"),
        QStringLiteral("Answer launch requests with a launching state and status texts."));
    const QCommandLineOption quitAfter(QStringLiteral("quit-after"),
                                       QStringLiteral("Quit after this many milliseconds."),
                                       QStringLiteral("ms"));
    parser.addOptions({assets, pods, last, startup, launchNumber, locale, launching, status, hidden,
                       simulate, quitAfter});
    parser.process(app);

    MovieHostSettings settings;
    if (parser.isSet(assets))
        settings.assetsFolder = parser.value(assets);
    if (parser.isSet(pods))
        settings.podsFolder = parser.value(pods);
    settings.lastShownPod = parser.value(last);
    if (parser.isSet(startup))
        settings.startupApp = parser.value(startup).toInt();
    if (parser.isSet(launchNumber))
        settings.launchNumber = parser.value(launchNumber).toInt();
    if (parser.isSet(locale))
        settings.localeCode = parser.value(locale);
    settings.simulateLaunches = parser.isSet(simulate);

    MovieHost host(settings);
    QTextStream out(stdout);
    QObject::connect(&host, &MovieHost::called, &host,
                     [&out](const QString &call) { out << call << Qt::endl; });
    QObject::connect(&host, &MovieHost::closeRequested, &app, &QCoreApplication::quit);
    if (!host.load()) {
        QTextStream(stderr) << "moviehost: the movies are missing in " << settings.assetsFolder
                            << Qt::endl;
        return 1;
    }

    // Launch state and alert once the set-up has reached the movie.
    QTimer setUpWatch;
    setUpWatch.setInterval(20);
    QObject::connect(&setUpWatch, &QTimer::timeout, &host, [&] {
        if (!host.setUpDone())
            return;
        setUpWatch.stop();
        const QString app = parser.value(launching);
        if (app == QLatin1String("organizer") || app == QLatin1String("editor")) {
            const auto which =
                app == QLatin1String("organizer") ? MovieHost::Organizer : MovieHost::Editor;
            host.setLaunching(which, true);
            if (parser.isSet(status))
                host.showSplashStatus(which, parser.value(status));
        }
        if (parser.isSet(hidden))
            host.hideByAlert();
    });
    setUpWatch.start();
    if (parser.isSet(quitAfter))
        QTimer::singleShot(parser.value(quitAfter).toInt(), &app, &QCoreApplication::quit);
    return app.exec();
}
