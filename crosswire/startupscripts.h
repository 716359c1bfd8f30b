#pragma once

#include <QString>
#include <QStringList>

namespace KnScript {
class Engine;
}

namespace KnObjects {

// The start-up scripts of the family's applications: "Tessaly/Startup Scripts TS5" in the
// common data folder holds scripts named after the application they belong to. For a name N
// the script is N + ".jsx", or N + ".jsxbin" when there is no ".jsx".
class StartupScripts
{
public:
    static constexpr QLatin1StringView kFolderName{"Tessaly/Startup Scripts TS5"};

    // The folder's path (it need not exist).
    static QString folder();
    // The script of `name`; empty when there is none, or when `name` is not a plain file name
    // (a path could reach any file).
    static QString scriptFor(const QString &name);
    // Compiles the script of `name` and runs it on `engine`; false when there is none or it
    // failed, with the reason in `error`.
    static bool load(KnScript::Engine &engine, const QString &name, QString *error = nullptr);
    // Every script of the folder in name order; of a ".jsx" and a ".jsxbin" of the same name
    // only the ".jsx".
    static QStringList scripts();
    // Runs scripts() on `engine`; the number that ran without error. A failing script does not
    // stop the others; its error goes to `errors`.
    static int runAll(KnScript::Engine &engine, QStringList *errors = nullptr);
};

} // namespace KnObjects
