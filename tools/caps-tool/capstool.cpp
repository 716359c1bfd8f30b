#include "tools/caps-tool/capstool.h"

#include "components/caps/capsapplicationrecord.h"
#include "components/caps/configurationxml.h"
#include "components/caps/tessalycaps.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <optional>

namespace {

const QString AppDomain = QStringLiteral(PCD_CROSSWIRE_DOMAIN);
const QString GroupDomain = QStringLiteral(PCD_CROSSWIRE_GROUPS_DOMAIN);

// Options of "register" and the record key each one sets.
struct RecordOption
{
    const char *option;
    const char *key;
};

constexpr RecordOption recordOptions[] = {
    {"--group", "Group"},
    {"--path", "Path"},
    {"--window-class", "WindowClassName"},
    {"--display-name", "DisplayName"},
    {"--bundle-id", "BundleIdentifier"},
    {"--crosswire-version", "CrosswireVersion"},
    {"--allow-multiple-instances", "AllowMultipleInstances"},
    {"--shell-tool", "IsShellTool"},
    {"--message-authentication", "MessageAuthentication"},
    {"--message-digest", "MessageDigest"},
    {"--srtk", "SupportsSRTK"},
    {"--crosswire-code", "CrosswireCode"},
    {"--basename", "ExecutableBasename"},
    {"--ext-win", "ExecutableExtensionWin"},
    {"--ext-mac", "ExecutableExtensionMac"},
    {"--ext-unix", "ExecutableExtensionUnix"},
    {"--omv-dictionary", "OMVDictionary"},
    {"--developer-install-path", "DeveloperInstallPath"},
    {"--redirect", "RedirectTo"},
    {"--executable-path", "ExecutablePath"},
};

std::optional<QString> keyForOption(const QString &option)
{
    for (const RecordOption &entry : recordOptions) {
        if (option == QLatin1String(entry.option))
            return QString::fromLatin1(entry.key);
    }
    return std::nullopt;
}

// Splits "--name=value" and "--name value"; returns false when the value is missing.
bool takeValue(const QStringList &args, qsizetype *index, QString *option, QString *value)
{
    const QString &argument = args.at(*index);
    const qsizetype equals = argument.indexOf(QLatin1Char('='));
    if (argument.startsWith(QLatin1String("--")) && equals > 2) {
        *option = argument.left(equals);
        *value = argument.mid(equals + 1);
        return true;
    }
    *option = argument;
    if (*index + 1 >= args.size())
        return false;
    *value = args.at(++*index);
    return true;
}

bool holdsControl(const QString &text)
{
    for (QChar c : text) {
        if (c.category() == QChar::Other_Control)
            return true;
    }
    return false;
}

QString statusText(int32_t status)
{
    switch (status) {
    case PCD_E_NO_DATABASE:
        return QStringLiteral("no configuration database");
    case PCD_E_NOT_FOUND:
        return QStringLiteral("not found");
    case PCD_E_BUSY:
        return QStringLiteral("the database stayed busy (another program is writing to it)");
    case PCD_E_READ_ONLY:
        return QStringLiteral("the database is read-only");
    case PCD_E_INVALID_ARGUMENT:
        return QStringLiteral("invalid argument");
    default:
        return QStringLiteral("database error");
    }
}

} // namespace

QString CapsTool::usage()
{
    return QStringLiteral(
        "Usage: caps-tool [--database FILE] COMMAND [ARGUMENTS]\n"
        "\n"
        "Registers the applications of the messaging library in the product configuration\n"
        "database, by default <machine root>/caps/configuration.db (the machine root is\n"
        "$TESSALY_MACHINE_ROOT when set).\n"
        "\n"
        "Commands:\n"
        "  register SPECIFIER --path EXECUTABLE [OPTIONS]\n"
        "      Registers (or replaces) an application under SPECIFIER (stored lower-cased), with\n"
        "      every key of the application record. Keys not given take their defaults:\n"
        "      Specifier is SPECIFIER, Group its application part (\"pxoorganizer\" for\n"
        "      \"pxoorganizer-11.0\"), ExecutablePath the path, ExecutableBasename, "
        "WindowClassName\n"
        "      and DisplayName the executable's file name, ExecutableExtensionWin \"exe\", the "
        "rest\n"
        "      empty. The group definition is made when missing, and the application is recorded\n"
        "      as a payload of its collection. Relative paths are made absolute.\n"
        "      Options (each sets one key):\n"
        "        --path EXECUTABLE            Path\n"
        "        --group NAME                 Group\n"
        "        --display-name TEXT          DisplayName\n"
        "        --window-class CLASS         WindowClassName\n"
        "        --redirect SPECIFIER         RedirectTo (the record stands for that one;\n"
        "                                     --path may then be left out)\n"
        "        --bundle-id ID               BundleIdentifier\n"
        "        --crosswire-version V        CrosswireVersion\n"
        "        --allow-multiple-instances V AllowMultipleInstances\n"
        "        --shell-tool V               IsShellTool\n"
        "        --message-authentication V   MessageAuthentication\n"
        "        --message-digest V           MessageDigest\n"
        "        --srtk V                     SupportsSRTK\n"
        "        --crosswire-code V           CrosswireCode\n"
        "        --basename NAME              ExecutableBasename\n"
        "        --ext-win EXT, --ext-mac EXT, --ext-unix EXT\n"
        "                                     ExecutableExtensionWin/Mac/Unix\n"
        "        --omv-dictionary V           OMVDictionary\n"
        "        --developer-install-path P   DeveloperInstallPath\n"
        "        --executable-path P          ExecutablePath\n"
        "        --set KEY=VALUE              any key of the record by its name\n"
        "      and for the group and the payload:\n"
        "        --group-display-name TEXT    DisplayName of a group made now\n"
        "        --preferred                  make this application the group's PreferredApp\n"
        "        --collection NAME            collection of the payload (default: the group)\n"
        "  list [applications|groups|payloads]\n"
        "      One line each, fields separated by tabs: specifier, group, path; group,\n"
        "      preferred application, display name; payload code, collection.\n"
        "  show SPECIFIER | show --group NAME\n"
        "      Every key of an application record or group definition as KEY=VALUE.\n"
        "  remove SPECIFIER...\n"
        "      Removes applications with their payloads. A group left without members is\n"
        "      removed too; a group whose preferred application goes prefers another member.\n"
        "  remove --group NAME [--force]\n"
        "      Removes a group definition; refused while applications name it, unless --force.\n"
        "  export [FILE]\n"
        "      Writes the whole database as configuration XML (<Configuration> with <Payload>\n"
        "      and <Domain> sections) to FILE, or to standard output without FILE or with \"-\".\n"
        "  import FILE\n"
        "      Reads configuration XML as export writes it (\"-\" reads standard input) and\n"
        "      stores it in one step: its payloads and sub-domains replace those of the same\n"
        "      name, everything else stays. A document with any error changes nothing.\n"
        "  path\n"
        "      Prints the database file in use.\n"
        "\n"
        "Reading commands treat a missing database as an empty one; register makes it.\n"
        "Exit status: 0 success, 1 failure, 2 wrong usage.\n"
        "\n"
        "Examples:\n"
        "  caps-tool register pxoorganizer-11.0 \\\n"
        "      --path /opt/tessaly/orvana-organizer-11.0/PixtrelOrvanaOrganizer \\\n"
        "      --display-name \"Orvana Organizer\"\n"
        "  caps-tool register pxoeditor-11.0 \\\n"
        "      --path /opt/tessaly/pixtrel-orvana-editor-11.0/PixtrelOrvanaEditor \\\n"
        "      --display-name \"Pixtrel Orvana Editor\"\n"
        "  caps-tool show pxoorganizer-11.0\n"
        "  caps-tool export configuration.xml\n");
}

int CapsTool::run(const QStringList &arguments)
{
    QStringList args = arguments;
    while (!args.isEmpty() && args.first().startsWith(QLatin1String("--"))) {
        const QString option = args.takeFirst();
        if (option == QLatin1String("--help")) {
            print(usage());
            return Success;
        }
        if (option == QLatin1String("--database")) {
            if (args.isEmpty())
                return fail(QStringLiteral("--database needs a file"), Usage);
            m_databasePath = QFileInfo(args.takeFirst()).absoluteFilePath();
        } else if (option.startsWith(QLatin1String("--database="))) {
            m_databasePath = QFileInfo(option.mid(11)).absoluteFilePath();
        } else {
            return fail(QStringLiteral("unknown option ") + option + QStringLiteral("\n") + usage(),
                        Usage);
        }
    }
    if (args.isEmpty())
        return fail(usage(), Usage);
    const QString command = args.takeFirst();
    if (command == QLatin1String("help") || command == QLatin1String("-h")) {
        print(usage());
        return Success;
    }
    if (args.contains(QLatin1String("--help"))) {
        print(usage());
        return Success;
    }
    if (command == QLatin1String("register"))
        return registerApplication(args);
    if (command == QLatin1String("list"))
        return list(args);
    if (command == QLatin1String("show"))
        return show(args);
    if (command == QLatin1String("remove"))
        return remove(args);
    if (command == QLatin1String("export"))
        return exportXml(args);
    if (command == QLatin1String("import"))
        return importXml(args);
    if (command == QLatin1String("path")) {
        print((m_databasePath.isEmpty() ? CapsDatabase::defaultPath() : m_databasePath) +
              QLatin1Char('\n'));
        return Success;
    }
    return fail(QStringLiteral("unknown command ") + command + QStringLiteral("\n") + usage(),
                Usage);
}

int CapsTool::registerApplication(const QStringList &args)
{
    QString specifier;
    CapsValues given;
    QString groupDisplayName;
    QString collection;
    bool preferred = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &argument = args.at(i);
        if (!argument.startsWith(QLatin1String("--"))) {
            if (!specifier.isEmpty())
                return fail(QStringLiteral("register takes one specifier"), Usage);
            specifier = argument.toLower();
            continue;
        }
        if (argument == QLatin1String("--preferred")) {
            preferred = true;
            continue;
        }
        QString option;
        QString value;
        if (!takeValue(args, &i, &option, &value))
            return fail(option + QStringLiteral(" needs a value"), Usage);
        if (holdsControl(value))
            return fail(option + QStringLiteral(": the value holds a control character"));
        if (option == QLatin1String("--group-display-name")) {
            groupDisplayName = value;
        } else if (option == QLatin1String("--collection")) {
            collection = value;
        } else if (option == QLatin1String("--set")) {
            const qsizetype equals = value.indexOf(QLatin1Char('='));
            const QString key =
                CapsApplicationRecord::canonicalKey(equals > 0 ? value.left(equals) : QString());
            if (key.isEmpty())
                return fail(QStringLiteral("--set needs KEY=VALUE with a key of the application "
                                           "record: ") +
                                CapsApplicationRecord::keys().join(QStringLiteral(", ")),
                            Usage);
            given.append({key, value.mid(equals + 1)});
        } else if (const auto key = keyForOption(option)) {
            given.append({*key, value});
        } else {
            return fail(QStringLiteral("unknown option ") + option, Usage);
        }
    }
    if (specifier.isEmpty())
        return fail(QStringLiteral("register needs a specifier"), Usage);
    if (const QString problem = CapsApplicationRecord::specifierProblem(specifier);
        !problem.isEmpty())
        return fail(QStringLiteral("cannot register \"") + specifier + QStringLiteral("\": ") +
                    problem);

    // Later options win over earlier ones; paths become absolute, since the connector starts
    // the program from wherever the launcher runs.
    CapsValues values;
    for (const auto &[key, value] : given) {
        QString stored = value;
        if ((key == QLatin1String("Path") || key == QLatin1String("ExecutablePath") ||
             key == QLatin1String("DeveloperInstallPath")) &&
            !stored.isEmpty() && !stored.startsWith(QLatin1String("https://")))
            stored = QFileInfo(stored).absoluteFilePath();
        if (key == QLatin1String("RedirectTo") || key == QLatin1String("Group"))
            stored = stored.toLower();
        values.removeIf([&](const auto &entry) { return entry.first == key; });
        values.append({key, stored});
    }
    const CapsValues record = CapsApplicationRecord::complete(specifier, values);
    auto valueOf = [&](const char *key) {
        for (const auto &[name, value] : record) {
            if (name == QLatin1String(key))
                return value;
        }
        return QString();
    };
    const QString redirect = valueOf("RedirectTo");
    if (valueOf("Path").isEmpty() && redirect.isEmpty())
        return fail(QStringLiteral("register needs --path EXECUTABLE (or --redirect SPECIFIER)"),
                    Usage);
    if (!redirect.isEmpty()) {
        if (const QString problem = CapsApplicationRecord::specifierProblem(redirect);
            !problem.isEmpty())
            return fail(QStringLiteral("--redirect: ") + problem);
        if (redirect == specifier)
            return fail(QStringLiteral("--redirect: a record cannot stand for itself"));
    }
    const QString group = valueOf("Group");
    if (group.isEmpty() || group.contains(QLatin1Char('/')))
        return fail(QStringLiteral("--group: a group needs a name without \"/\""));
    const QString path = valueOf("Path");
    if (!path.isEmpty() && !path.startsWith(QLatin1String("https://")) && !QFileInfo(path).isFile())
        m_err += QStringLiteral("caps-tool: warning: %1 does not exist (yet)\n").arg(path).toUtf8();

    auto database = openForWriting();
    if (!database)
        return Failure;
    CapsDatabase::Transaction transaction(*database);
    if (transaction.status() != PCD_OK)
        return failDatabase(QStringLiteral("register"), transaction.status(), database.get());
    int32_t status = database->replaceValues(AppDomain, specifier, record);

    // The group definition: made with this application preferred when missing; kept otherwise.
    CapsValues definition;
    int32_t found = status == PCD_OK ? database->values(GroupDomain, group, &definition) : status;
    if (found == PCD_E_NOT_FOUND) {
        definition = {{QStringLiteral("DisplayName"),
                       groupDisplayName.isEmpty() ? valueOf("DisplayName") : groupDisplayName},
                      {QStringLiteral("PreferredApp"), specifier}};
        status = database->replaceValues(GroupDomain, group, definition);
    } else if (found == PCD_OK) {
        QString current;
        const bool hasPreferred =
            database->value(GroupDomain, group, QStringLiteral("PreferredApp"), &current) ==
                PCD_OK &&
            !current.isEmpty();
        if (preferred || !hasPreferred)
            status =
                database->setValue(GroupDomain, group, QStringLiteral("PreferredApp"), specifier);
        if (status == PCD_OK && !groupDisplayName.isEmpty())
            status = database->setValue(GroupDomain, group, QStringLiteral("DisplayName"),
                                        groupDisplayName);
    } else {
        status = found;
    }

    if (status == PCD_OK) {
        status = database->setPayload(specifier, collection.isEmpty() ? group : collection,
                                      {{QStringLiteral("Specifier"), specifier},
                                       {QStringLiteral("DisplayName"), valueOf("DisplayName")},
                                       {QStringLiteral("Path"), path},
                                       {QStringLiteral("InstallFolder"),
                                        path.isEmpty() || path.startsWith(QLatin1String("https://"))
                                            ? QString()
                                            : QFileInfo(path).absolutePath()}});
    }
    if (status == PCD_OK)
        status = transaction.commit();
    if (status != PCD_OK)
        return failDatabase(QStringLiteral("register ") + specifier, status, database.get());
    print(QStringLiteral("registered ") + specifier + QLatin1Char('\n'));
    return Success;
}

int CapsTool::list(const QStringList &args)
{
    if (args.size() > 1)
        return fail(QStringLiteral("list takes at most one argument"), Usage);
    const QString what = args.isEmpty() ? QStringLiteral("applications") : args.first();
    if (what != QLatin1String("applications") && what != QLatin1String("groups") &&
        what != QLatin1String("payloads"))
        return fail(QStringLiteral("list applications, groups or payloads"), Usage);
    int32_t status = PCD_OK;
    auto database = openForReading(&status);
    if (!database)
        return status == PCD_E_NO_DATABASE ? int(Success) : failDatabase(what, status, nullptr);

    QStringList names;
    if (what == QLatin1String("payloads")) {
        if ((status = database->payloads(&names)) != PCD_OK)
            return failDatabase(what, status, database.get());
        for (const QString &code : std::as_const(names)) {
            QString collection;
            database->payloadCollection(code, &collection);
            print(code + QLatin1Char('\t') + collection + QLatin1Char('\n'));
        }
        return Success;
    }
    const bool groups = what == QLatin1String("groups");
    const QString domain = groups ? GroupDomain : AppDomain;
    if ((status = database->subdomains(domain, &names)) != PCD_OK)
        return failDatabase(what, status, database.get());
    const QString first = groups ? QStringLiteral("PreferredApp") : QStringLiteral("Group");
    const QString second = groups ? QStringLiteral("DisplayName") : QStringLiteral("Path");
    for (const QString &name : std::as_const(names)) {
        QString a;
        QString b;
        database->value(domain, name, first, &a);
        database->value(domain, name, second, &b);
        print(name + QLatin1Char('\t') + a + QLatin1Char('\t') + b + QLatin1Char('\n'));
    }
    return Success;
}

int CapsTool::show(const QStringList &args)
{
    QString name;
    bool group = false;
    for (const QString &argument : args) {
        if (argument == QLatin1String("--group"))
            group = true;
        else if (argument.startsWith(QLatin1String("--")) || !name.isEmpty())
            return fail(QStringLiteral("show SPECIFIER or show --group NAME"), Usage);
        else
            name = argument.toLower();
    }
    if (name.isEmpty())
        return fail(QStringLiteral("show SPECIFIER or show --group NAME"), Usage);
    int32_t status = PCD_OK;
    auto database = openForReading(&status);
    CapsValues values;
    if (database)
        status = database->values(group ? GroupDomain : AppDomain, name, &values);
    if (status == PCD_E_NOT_FOUND || status == PCD_E_NO_DATABASE)
        return fail((group ? QStringLiteral("no group ") : QStringLiteral("not registered: ")) +
                    name);
    if (status != PCD_OK)
        return failDatabase(QStringLiteral("show ") + name, status, database.get());
    for (const auto &[key, value] : std::as_const(values))
        print(key + QLatin1Char('=') + value + QLatin1Char('\n'));
    return Success;
}

int CapsTool::remove(const QStringList &args)
{
    QStringList names;
    bool group = false;
    bool force = false;
    for (const QString &argument : args) {
        if (argument == QLatin1String("--group"))
            group = true;
        else if (argument == QLatin1String("--force"))
            force = true;
        else if (argument.startsWith(QLatin1String("--")))
            return fail(QStringLiteral("unknown option ") + argument, Usage);
        else
            names.append(argument.toLower());
    }
    if (names.isEmpty() || (group && names.size() != 1))
        return fail(QStringLiteral("remove SPECIFIER... or remove --group NAME [--force]"), Usage);
    if (group)
        return removeGroup(names.first(), force);

    int32_t status = PCD_OK;
    auto database = openForReading(&status);
    if (!database && status == PCD_E_NO_DATABASE)
        return fail(QStringLiteral("not registered: ") + names.join(QStringLiteral(", ")));
    database = openForWriting();
    if (!database)
        return Failure;
    CapsDatabase::Transaction transaction(*database);
    if (transaction.status() != PCD_OK)
        return failDatabase(QStringLiteral("remove"), transaction.status(), database.get());
    for (const QString &specifier : std::as_const(names)) {
        QString group;
        status = database->value(AppDomain, specifier, QStringLiteral("Group"), &group);
        if (status == PCD_E_NOT_FOUND) {
            // A record without a group key is still a record.
            QStringList keys;
            status = database->keys(AppDomain, specifier, &keys);
            if (status == PCD_OK && keys.isEmpty())
                return fail(QStringLiteral("not registered: ") + specifier);
        }
        if (status == PCD_OK)
            status = database->remove(AppDomain, specifier, QString());
        if (status == PCD_OK) {
            status = database->removePayload(specifier);
            if (status == PCD_E_NOT_FOUND)
                status = PCD_OK;
        }
        if (status == PCD_OK && !group.isEmpty()) {
            // The group follows its members: gone with the last one, and preferring another
            // member when its preferred application goes.
            QStringList remaining;
            QStringList all;
            status = database->subdomains(AppDomain, &all);
            for (const QString &other : std::as_const(all)) {
                QString otherGroup;
                if (database->value(AppDomain, other, QStringLiteral("Group"), &otherGroup) ==
                        PCD_OK &&
                    otherGroup.compare(group, Qt::CaseInsensitive) == 0)
                    remaining.append(other);
            }
            QString preferred;
            const int32_t hasGroup =
                database->value(GroupDomain, group, QStringLiteral("PreferredApp"), &preferred);
            if (status == PCD_OK && remaining.isEmpty()) {
                status = database->remove(GroupDomain, group, QString());
                if (status == PCD_E_NOT_FOUND)
                    status = PCD_OK;
            } else if (status == PCD_OK && hasGroup == PCD_OK &&
                       preferred.compare(specifier, Qt::CaseInsensitive) == 0) {
                status = database->setValue(GroupDomain, group, QStringLiteral("PreferredApp"),
                                            remaining.first());
            }
        }
        if (status != PCD_OK)
            return failDatabase(QStringLiteral("remove ") + specifier, status, database.get());
    }
    if ((status = transaction.commit()) != PCD_OK)
        return failDatabase(QStringLiteral("remove"), status, database.get());
    for (const QString &specifier : std::as_const(names))
        print(QStringLiteral("removed ") + specifier + QLatin1Char('\n'));
    return Success;
}

int CapsTool::removeGroup(const QString &group, bool force)
{
    int32_t status = PCD_OK;
    auto database = openForReading(&status);
    if (!database && status == PCD_E_NO_DATABASE)
        return fail(QStringLiteral("no group ") + group);
    database = openForWriting();
    if (!database)
        return Failure;
    CapsDatabase::Transaction transaction(*database);
    if (transaction.status() != PCD_OK)
        return failDatabase(QStringLiteral("remove"), transaction.status(), database.get());
    QStringList members;
    QStringList all;
    if ((status = database->subdomains(AppDomain, &all)) != PCD_OK)
        return failDatabase(QStringLiteral("remove --group ") + group, status, database.get());
    for (const QString &app : std::as_const(all)) {
        QString appGroup;
        if (database->value(AppDomain, app, QStringLiteral("Group"), &appGroup) == PCD_OK &&
            appGroup.compare(group, Qt::CaseInsensitive) == 0)
            members.append(app);
    }
    if (!members.isEmpty() && !force)
        return fail(QStringLiteral("group ") + group + QStringLiteral(" still has members (") +
                    members.join(QStringLiteral(", ")) +
                    QStringLiteral("); remove them first or use --force"));
    status = database->remove(GroupDomain, group, QString());
    if (status == PCD_E_NOT_FOUND)
        return fail(QStringLiteral("no group ") + group);
    if (status == PCD_OK)
        status = transaction.commit();
    if (status != PCD_OK)
        return failDatabase(QStringLiteral("remove --group ") + group, status, database.get());
    print(QStringLiteral("removed group ") + group + QLatin1Char('\n'));
    return Success;
}

int CapsTool::exportXml(const QStringList &args)
{
    if (args.size() > 1)
        return fail(QStringLiteral("export takes at most one file"), Usage);
    const QString target = args.isEmpty() ? QStringLiteral("-") : args.first();
    int32_t status = PCD_OK;
    auto database = openForReading(&status);
    if (!database)
        return failDatabase(QStringLiteral("export"), status, nullptr);
    QByteArray document;
    if ((status = ConfigurationXml::write(*database, &document)) != PCD_OK)
        return failDatabase(QStringLiteral("export"), status, database.get());
    if (target == QLatin1String("-")) {
        m_out += document;
        return Success;
    }
    // Written aside and renamed, so a failed export never leaves half a file behind.
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly) || file.write(document) != document.size() ||
        !file.commit())
        return fail(QStringLiteral("cannot write ") + target + QStringLiteral(": ") +
                    file.errorString());
    return Success;
}

int CapsTool::importXml(const QStringList &args)
{
    if (args.size() != 1)
        return fail(QStringLiteral("import takes one file"), Usage);
    QFile file;
    const bool opened = args.first() == QLatin1String("-")
                            ? file.open(stdin, QIODevice::ReadOnly)
                            : (file.setFileName(args.first()), file.open(QIODevice::ReadOnly));
    if (!opened)
        return fail(QStringLiteral("cannot read ") + args.first() + QStringLiteral(": ") +
                    file.errorString());
    // One byte more than allowed tells a document that is too large from one at the limit.
    const QByteArray text = file.read(ConfigurationXml::maxDocumentBytes + 1);
    ConfigurationXml::Document document;
    QString error;
    if (!ConfigurationXml::read(text, &document, &error))
        return fail(args.first() + QStringLiteral(": ") + error);
    auto database = openForWriting();
    if (!database)
        return Failure;
    if (int32_t status = ConfigurationXml::apply(*database, document); status != PCD_OK)
        return failDatabase(QStringLiteral("import"), status, database.get());
    print(QStringLiteral("imported %1 payloads and %2 records\n")
              .arg(document.payloads.size())
              .arg(document.records.size()));
    return Success;
}

std::unique_ptr<CapsDatabase> CapsTool::openForReading(int32_t *status)
{
    QString message;
    auto database =
        CapsDatabase::open(m_databasePath, CapsDatabase::Access::Snapshot, status, &message);
    if (!database && *status != PCD_E_NO_DATABASE)
        m_err += (QStringLiteral("caps-tool: ") + message + QLatin1Char('\n')).toUtf8();
    return database;
}

std::unique_ptr<CapsDatabase> CapsTool::openForWriting()
{
    int32_t status = PCD_OK;
    QString message;
    auto database =
        CapsDatabase::open(m_databasePath, CapsDatabase::Access::Create, &status, &message);
    if (!database)
        fail(message.isEmpty() ? statusText(status) : message);
    return database;
}

int CapsTool::fail(const QString &message, int code)
{
    m_err += (QStringLiteral("caps-tool: ") + message + QLatin1Char('\n')).toUtf8();
    return code;
}

int CapsTool::failDatabase(const QString &what, int32_t status, const CapsDatabase *database)
{
    QString reason = statusText(status);
    if (database && !database->lastError().isEmpty() && status != PCD_E_NOT_FOUND)
        reason += QStringLiteral(" (") + database->lastError() + QLatin1Char(')');
    return fail(what + QStringLiteral(": ") + reason);
}

void CapsTool::print(const QString &text)
{
    m_out += text.toUtf8();
}
