#include "tools/tessaly-reg/regtool.h"

#include "platform/registry/hivefile.h"
#include "platform/registry/regdocument.h"
#include "platform/registry/regwriter.h"

#include <QFile>
#include <QSaveFile>

#include <optional>
#include <set>

namespace {

const char UsageText[] =
    "usage: tessaly-reg query KEY [--value NAME]\n"
    "       tessaly-reg set KEY [--value NAME [--type sz|expand_sz|multi_sz|dword|qword|binary]"
    " [--data DATA]]\n"
    "       tessaly-reg delete KEY [--value NAME]\n"
    "       tessaly-reg import FILE.reg\n"
    "       tessaly-reg export KEY FILE.reg\n"
    "KEY is a full key path such as HKCU\\Software\\Tessaly\\IAC (HKCU, HKLM, HKCR or\n"
    "HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT). NAME \"\", @ or Default is the\n"
    "unnamed value. A DWORD is given in decimal or as 0x..., binary data as hex bytes (\"01,ff\" "
    "or\n"
    "\"01ff\"), multi_sz strings separated by \\0. FILE \"-\" exports to standard output.\n";

struct Options
{
    QStringList positional;
    std::optional<QString> value;
    std::optional<QString> type;
    std::optional<QString> data;
    QString error;
};

Options parseOptions(const QStringList &args)
{
    Options options;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        std::optional<QString> *slot = nullptr;
        if (arg == QLatin1String("--value"))
            slot = &options.value;
        else if (arg == QLatin1String("--type"))
            slot = &options.type;
        else if (arg == QLatin1String("--data"))
            slot = &options.data;
        if (!slot) {
            if (arg.startsWith(QLatin1String("--"))) {
                options.error = QStringLiteral("unknown option ") + arg;
                return options;
            }
            options.positional.append(arg);
            continue;
        }
        if (i + 1 >= args.size()) {
            options.error = arg + QStringLiteral(" needs an argument");
            return options;
        }
        *slot = args[++i];
    }
    return options;
}

// "@" and "Default" name the unnamed value, as for the settings objects, so scripts can use the
// value names of the settings table as they stand.
QString valueName(const QString &name)
{
    if (name == QLatin1String("@") ||
        name.compare(QLatin1String("Default"), Qt::CaseInsensitive) == 0)
        return QString();
    return name;
}

QString shownName(const QString &name)
{
    return name.isEmpty() ? QStringLiteral("(Default)") : name;
}

QString errorText(RegError error)
{
    switch (error) {
    case ERROR_ACCESS_DENIED:
        return QStringLiteral("access denied: the hive file cannot be written");
    case ERROR_BADDB:
        return QStringLiteral("the hive file is too large to load");
    case ERROR_CANTREAD:
        return QStringLiteral("the hive file cannot be read");
    case ERROR_CANTWRITE:
        return QStringLiteral("the hive file could not be written");
    case ERROR_INVALID_PARAMETER:
        return QStringLiteral("invalid key path or value name");
    default:
        return QStringLiteral("registry error %1").arg(error);
    }
}

std::optional<RegValue> parseData(const QString &type, const QString &data, QString &error)
{
    const QString t = type.toLower();
    if (t == QLatin1String("sz") || t == QLatin1String("reg_sz"))
        return RegValue::fromString(data);
    if (t == QLatin1String("expand_sz") || t == QLatin1String("reg_expand_sz"))
        return RegValue::fromString(data, REG_EXPAND_SZ);
    if (t == QLatin1String("multi_sz") || t == QLatin1String("reg_multi_sz"))
        return RegValue::fromStringList(data.split(QLatin1String("\\0"), Qt::SkipEmptyParts));
    if (t == QLatin1String("dword") || t == QLatin1String("reg_dword") ||
        t == QLatin1String("qword") || t == QLatin1String("reg_qword")) {
        const bool qword = t.contains(QLatin1String("qword"));
        const QString text = data.trimmed();
        bool ok = false;
        if (text.startsWith(QLatin1String("-"))) {
            const qlonglong v = text.toLongLong(&ok, 10);
            if (ok && (qword || v >= -2147483648LL)) {
                return qword ? RegValue::fromQword(quint64(v)) : RegValue::fromDword(quint32(v));
            }
        } else {
            const qulonglong v = text.toULongLong(&ok, 0);
            if (ok && (qword || v <= 0xffffffffULL))
                return qword ? RegValue::fromQword(v) : RegValue::fromDword(quint32(v));
        }
        error = QStringLiteral("not a %1: \"%2\"").arg(t, data);
        return std::nullopt;
    }
    if (t == QLatin1String("binary") || t == QLatin1String("reg_binary")) {
        QString hex = data;
        hex.remove(QLatin1Char(',')).remove(QLatin1Char(' ')).remove(QLatin1Char(':'));
        const QByteArray bytes = QByteArray::fromHex(hex.toLatin1());
        if (hex.size() % 2 != 0 || bytes.toHex() != hex.toLower().toLatin1()) {
            error = QStringLiteral("not hex bytes: \"%1\"").arg(data);
            return std::nullopt;
        }
        return RegValue::fromBinary(bytes);
    }
    error = QStringLiteral("unknown type \"%1\" (sz, expand_sz, multi_sz, dword, qword, binary)")
                .arg(type);
    return std::nullopt;
}

} // namespace

void RegTool::print(const QString &text)
{
    m_out += text.toUtf8();
}

int RegTool::fail(const QString &message, int code)
{
    m_err += "tessaly-reg: " + message.toUtf8() + '\n';
    if (code == Usage)
        m_err += UsageText;
    return code;
}

int RegTool::run(const QStringList &arguments)
{
    if (arguments.isEmpty())
        return fail(QStringLiteral("no command"), Usage);
    const QString command = arguments.first();
    const QStringList rest = arguments.mid(1);
    if (command == QLatin1String("help") || command == QLatin1String("--help") ||
        command == QLatin1String("-h")) {
        m_out += UsageText;
        return Success;
    }
    if (command == QLatin1String("query"))
        return query(rest);
    if (command == QLatin1String("set") || command == QLatin1String("add"))
        return set(rest);
    if (command == QLatin1String("delete"))
        return remove(rest);
    if (command == QLatin1String("import"))
        return import(rest);
    if (command == QLatin1String("export"))
        return exportKey(rest);
    return fail(QStringLiteral("unknown command \"%1\"").arg(command), Usage);
}

int RegTool::query(const QStringList &args)
{
    const Options options = parseOptions(args);
    if (!options.error.isEmpty() || options.positional.size() != 1 || options.type || options.data)
        return fail(options.error.isEmpty() ? QStringLiteral("query takes KEY [--value NAME]")
                                            : options.error,
                    Usage);
    const auto key = RegDocument::splitFullPath(options.positional.first());
    if (!key)
        return fail(QStringLiteral("not a key path: ") + options.positional.first(), Usage);
    const HiveFile::Loaded loaded = HiveFile::load(key->first);
    if (loaded.error != ERROR_SUCCESS)
        return fail(errorText(loaded.error));
    const HiveKey *found = loaded.hive->find(key->second);
    if (!found)
        return fail(QStringLiteral("key not found: ") + options.positional.first());

    if (options.value) {
        const HiveKey::Value *value = found->value(valueName(*options.value));
        if (!value)
            return fail(QStringLiteral("value not found: %1 in %2")
                            .arg(shownName(valueName(*options.value)), options.positional.first()));
        print(value->value.displayText() + QLatin1Char('\n'));
        return Success;
    }

    // The path as stored, whatever case it was asked for in.
    QString path = RegDocument::rootName(key->first);
    const HiveKey *step = &loaded.hive->rootKey();
    const QStringList parts = Hive::splitPath(key->second).value_or(QStringList());
    for (const QString &part : parts) {
        step = step->child(part);
        path += QLatin1Char('\\') + step->name();
    }
    print(path + QLatin1Char('\n'));
    for (const HiveKey::Value &value : found->values()) {
        print(QStringLiteral("    %1    %2    %3\n")
                  .arg(shownName(value.name), RegValue::typeName(value.value.type()),
                       value.value.displayText()));
    }
    if (!found->children().empty())
        print(QStringLiteral("\n"));
    for (const auto &child : found->children())
        print(path + QLatin1Char('\\') + child->name() + QLatin1Char('\n'));
    return Success;
}

int RegTool::set(const QStringList &args)
{
    const Options options = parseOptions(args);
    if (!options.error.isEmpty() || options.positional.size() != 1 ||
        (!options.value && (options.type || options.data)))
        return fail(options.error.isEmpty()
                        ? QStringLiteral("set takes KEY [--value NAME --type TYPE --data DATA]")
                        : options.error,
                    Usage);
    const auto key = RegDocument::splitFullPath(options.positional.first());
    if (!key)
        return fail(QStringLiteral("not a key path: ") + options.positional.first(), Usage);
    std::optional<RegValue> value;
    QString name;
    if (options.value) {
        name = valueName(*options.value);
        if (!Hive::isValidValueName(name))
            return fail(QStringLiteral("invalid value name"), Usage);
        QString error;
        value = parseData(options.type.value_or(QStringLiteral("sz")),
                          options.data.value_or(QString()), error);
        if (!value)
            return fail(error, Usage);
    }
    const RegError error = HiveFile::modify(key->first, [&](Hive &hive, bool &changed) {
        const HiveKey *before = hive.find(key->second);
        const HiveKey::Value *old = before && value ? before->value(name) : nullptr;
        HiveKey *target = hive.create(key->second);
        if (!target)
            return ERROR_INVALID_PARAMETER;
        changed = !before || (value && (!old || !(old->value == *value)));
        if (value)
            target->setValue(name, *value);
        return ERROR_SUCCESS;
    });
    return error == ERROR_SUCCESS ? int(Success) : fail(errorText(error));
}

int RegTool::remove(const QStringList &args)
{
    const Options options = parseOptions(args);
    if (!options.error.isEmpty() || options.positional.size() != 1 || options.type || options.data)
        return fail(options.error.isEmpty() ? QStringLiteral("delete takes KEY [--value NAME]")
                                            : options.error,
                    Usage);
    const QString &keyText = options.positional.first();
    const auto key = RegDocument::splitFullPath(keyText);
    if (!key)
        return fail(QStringLiteral("not a key path: ") + keyText, Usage);
    if (!options.value && key->second.isEmpty())
        return fail(QStringLiteral("a root key cannot be deleted"), Usage);
    bool keyMissing = false;
    bool valueMissing = false;
    const RegError error = HiveFile::modify(key->first, [&](Hive &hive, bool &changed) {
        HiveKey *found = hive.find(key->second);
        keyMissing = !found;
        if (!found)
            return ERROR_FILE_NOT_FOUND;
        if (options.value) {
            changed = found->removeValue(valueName(*options.value));
            valueMissing = !changed;
        } else {
            changed = hive.remove(key->second);
        }
        return changed ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    });
    if (keyMissing)
        return fail(QStringLiteral("key not found: ") + keyText);
    if (valueMissing)
        return fail(QStringLiteral("value not found: %1 in %2")
                        .arg(shownName(valueName(*options.value)), keyText));
    return error == ERROR_SUCCESS ? int(Success) : fail(errorText(error));
}

int RegTool::import(const QStringList &args)
{
    if (args.size() != 1)
        return fail(QStringLiteral("import takes FILE.reg"), Usage);
    QFile file(args.first());
    if (!file.open(QIODevice::ReadOnly))
        return fail(args.first() + QStringLiteral(": ") + file.errorString());
    const RegDocument doc = RegDocument::parse(file.read(RegDocument::MaxFileSize + 1));
    // All or nothing: a file with a line that cannot be read is not imported at all.
    if (!doc.issues().empty()) {
        for (const RegDocument::Issue &issue : doc.issues()) {
            m_err += QStringLiteral("%1:%2: %3\n")
                         .arg(args.first())
                         .arg(issue.line)
                         .arg(issue.message)
                         .toUtf8();
        }
        return fail(args.first() + QStringLiteral(": not imported"));
    }
    std::set<RegRoot> roots;
    for (const RegDocument::Entry &entry : doc.entries()) {
        if (entry.kind == RegDocument::Entry::Key || entry.kind == RegDocument::Entry::DeleteKey)
            roots.insert(entry.root);
    }
    for (const RegRoot root : roots) {
        const RegError error = HiveFile::modify(root, [&](Hive &hive, bool &changed) {
            hive.apply(doc, false);
            changed = true;
            return ERROR_SUCCESS;
        });
        if (error != ERROR_SUCCESS)
            return fail(RegDocument::rootName(root) + QStringLiteral(": ") + errorText(error));
    }
    return Success;
}

int RegTool::exportKey(const QStringList &args)
{
    if (args.size() != 2)
        return fail(QStringLiteral("export takes KEY FILE.reg"), Usage);
    const auto key = RegDocument::splitFullPath(args[0]);
    if (!key)
        return fail(QStringLiteral("not a key path: ") + args[0], Usage);
    const HiveFile::Loaded loaded = HiveFile::load(key->first);
    if (loaded.error != ERROR_SUCCESS)
        return fail(errorText(loaded.error));
    const QByteArray text = RegWriter::exportKey(*loaded.hive, key->second);
    if (text.isEmpty())
        return fail(QStringLiteral("key not found: ") + args[0]);
    if (args[1] == QLatin1String("-")) {
        m_out += text;
        return Success;
    }
    QSaveFile out(args[1]);
    if (!out.open(QIODevice::WriteOnly) || out.write(text) != text.size() || !out.commit())
        return fail(args[1] + QStringLiteral(": ") + out.errorString());
    return Success;
}
