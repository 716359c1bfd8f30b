#include "apps/peer/peeroptions.h"

namespace TessalyApps {

namespace {

// The longest start-up delay a test may ask for; more would only hang the test.
constexpr int kMaxStartupDelayMs = 10 * 60 * 1000;

} // namespace

std::optional<PeerOptions> PeerOptions::parse(const QStringList &arguments, QString *error)
{
    PeerOptions options;
    options.arguments = arguments;
    const auto fail = [error](const QString &text) -> std::optional<PeerOptions> {
        if (error)
            *error = text;
        return std::nullopt;
    };
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        const QString lower = argument.toLower();
        const bool hasValue = i + 1 < arguments.size();
        if (lower == QLatin1String("-specifier") || lower == QLatin1String("-instance")) {
            if (!hasValue)
                return fail(argument + QStringLiteral(" needs a value"));
            (lower == QLatin1String("-specifier") ? options.specifier : options.instance) =
                arguments[++i].toUtf8();
        } else if (lower == QLatin1String("-nostartupscreen")) {
            options.noStartupScreen = true;
        } else if (lower == QLatin1String("-noparam") || lower == QLatin1String("-noparams")) {
            options.noParam = true;
        } else if (argument == QLatin1String("--never-confirm")) {
            options.neverConfirm = true;
        } else if (argument == QLatin1String("--startup-delay-ms")) {
            if (!hasValue)
                return fail(argument + QStringLiteral(" needs a value"));
            bool ok = false;
            const int delay = arguments[++i].toInt(&ok);
            if (!ok || delay < 0 || delay > kMaxStartupDelayMs)
                return fail(
                    QStringLiteral("--startup-delay-ms takes 0 to %1").arg(kMaxStartupDelayMs));
            options.startupDelayMs = delay;
        } else {
            options.parameters.append(argument);
        }
    }
    return options;
}

} // namespace TessalyApps
