#include "crosswire/startupscripts.h"

#include "components/scriptruntime/kernova/filespec.h"
#include "components/scriptruntime/kernova/fileutils.h"
#include "components/scriptruntime/kernova/folder.h"
#include "components/scriptruntime/scriptara/engine.h"
#include "components/scriptruntime/scriptara/scriptcontainer.h"
#include "crosswire/scriptfilefilter.h"

#include <QFileInfo>
#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcCrosswire)

namespace KnObjects {

namespace {

bool isPlainName(const QString &name)
{
    return !name.isEmpty() && !name.startsWith(QLatin1Char('.')) &&
           !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) &&
           !name.contains(QChar(0));
}

bool run(KnScript::Engine &engine, const QString &path, QString *error)
{
    KnScript::ScriptContainer script;
    const Kernova::FileSpec file{Kernova::String(path)};
    if (!script.compile(file)) {
        if (error)
            *error = script.errorMessage().toQString();
        return false;
    }
    if (!script.execute(engine)) {
        if (error)
            *error = path + QStringLiteral(": ") + script.errorMessage().toQString();
        return false;
    }
    return true;
}

} // namespace

QString StartupScripts::folder()
{
    Kernova::FileSpec common;
    if (Kernova::FileUtils::getSpecialDir(Kernova::FileUtils::kCommonData, common) != 0)
        return {};
    return common.child(Kernova::String(QString(kFolderName))).path().toQString();
}

QString StartupScripts::scriptFor(const QString &name)
{
    if (!isPlainName(name))
        return {};
    const QString base = folder();
    if (base.isEmpty())
        return {};
    for (const char *extension : {".jsx", ".jsxbin"}) {
        const Kernova::FileSpec candidate{
            Kernova::String(base + QLatin1Char('/') + name + QLatin1String(extension))};
        if (candidate.getAttributes() & Kernova::FileSpec::kFile)
            return candidate.path().toQString();
    }
    return {};
}

bool StartupScripts::load(KnScript::Engine &engine, const QString &name, QString *error)
{
    const QString path = scriptFor(name);
    if (path.isEmpty()) {
        if (error)
            *error = QStringLiteral("no start-up script for ") + name;
        return false;
    }
    return run(engine, path, error);
}

QStringList StartupScripts::scripts()
{
    const QString base = folder();
    if (base.isEmpty())
        return {};
    ScriptFileFilter filter;
    QStringList found;
    Kernova::Folder(Kernova::FileSpec(Kernova::String(base)))
        .iterate(&filter, [&found](const Kernova::FileSpec &item) {
            found.append(item.path().toQString());
            return true;
        });
    QStringList list;
    for (const QString &path : found) {
        if (path.endsWith(QLatin1String(".jsxbin"), Qt::CaseInsensitive)) {
            const QString plain = path.chopped(3);
            if (found.contains(plain, Qt::CaseInsensitive))
                continue;
        }
        list.append(path);
    }
    return list;
}

int StartupScripts::runAll(KnScript::Engine &engine, QStringList *errors)
{
    int succeeded = 0;
    for (const QString &path : scripts()) {
        QString error;
        if (run(engine, path, &error)) {
            ++succeeded;
        } else {
            qCWarning(lcCrosswire).noquote() << "start-up script failed:" << error;
            if (errors)
                errors->append(error);
        }
    }
    return succeeded;
}

} // namespace KnObjects
