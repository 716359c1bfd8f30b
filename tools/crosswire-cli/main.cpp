#include "tools/crosswire-cli/crosswirecli.h"

#include <QCoreApplication>

#include <csignal>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // Ends "listen" (and any wait) cleanly, closing the endpoint on the way out.
    std::signal(SIGTERM, [](int) { CrosswireCli::requestStop(); });
    std::signal(SIGINT, [](int) { CrosswireCli::requestStop(); });
    CrosswireCli cli(stdout, stderr);
    return cli.run(app.arguments().mid(1));
}
