#include "locale/localeutil.h"

#include "locale/localelog.h"
#include "locale/localetable.h"
#include "locale/packinfo.h"

#include "platform/registry/productsettings.h"
#include "platform/registry/ptsettings.h"

#include <QDir>

#include <mutex>
#include <optional>
#include <stdexcept>

namespace {

const LocaleTable::Record &recordFor(int id)
{
    if (id < 0 || id > LocaleTable::lastLocaleId)
        throw std::runtime_error("Invalid locale in locale/LocaleUtil.cpp");
    return LocaleTable::records[std::size_t(id)];
}

std::optional<int> findLocaleId(const QString &code)
{
    const QByteArray lower = code.toLower().toUtf8();
    for (int id = 0; id <= LocaleTable::lastLocaleId; ++id) {
        if (lower == LocaleTable::records[std::size_t(id)].name)
            return id;
    }
    return std::nullopt;
}

struct LocaleCache
{
    std::mutex mutex;
    std::optional<quint16> packCount;
    QList<QByteArray> packLocaleIds; // UTF-8 copies of the packs' locale id strings
    std::optional<QString> code;
};

LocaleCache &cache()
{
    static LocaleCache instance;
    return instance;
}

// The machine-wide "Locale" setting; when it is empty the product settings supply "en_us",
// which stays written for later starts.
QString machineLocale()
{
    const QString name = QStringLiteral("Locale");
    PtSettingsLM settings(ProductSettings::productKeyPath());
    QString code = settings.value(name, QString()).toString();
    if (code.isEmpty()) {
        code = ProductSettings::localeValue();
        settings.setValue(name, code);
        settings.sync();
    }
    return code;
}

} // namespace

QList<LocaleUtil::LanguagePack> LocaleUtil::languagePacks(const QString &applicationDirectory)
{
    QList<LanguagePack> packs;
    const QDir locales(applicationDirectory + u'/' + u"Locales" + u'/', QStringLiteral("*"),
                       QDir::Name | QDir::IgnoreCase,
                       QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    const QFileInfoList folders = locales.entryInfoList();
    for (const QFileInfo &folder : folders) {
        const auto info = PackInfo::read(folder.filePath() + u"/Support Files/pack.inf");
        if (info)
            packs.append({folder.filePath(), info->preferenceString, info->localeIdString});
    }
    return packs;
}

QString LocaleUtil::currentLocaleCode(const QString &applicationDirectory)
{
    LocaleCache &c = cache();
    std::lock_guard lock(c.mutex);
    if (c.code)
        return *c.code;

    QString firstPackLocale;
    if (!c.packCount) {
        const QList<LanguagePack> packs = languagePacks(applicationDirectory);
        c.packCount = quint16(std::min<qsizetype>(packs.size(), 0xFFFF));
        for (const LanguagePack &pack : packs)
            c.packLocaleIds.append(pack.localeIdString.toUtf8());
        if (!packs.isEmpty())
            firstPackLocale = packs.first().localeIdString.toLower();
    }

    QString code = *c.packCount >= 2 ? firstPackLocale : machineLocale();
    // Every English variant uses the US dictionary, which is the defaults in the code.
    if (code.left(2).toLower() == u"en")
        code = QStringLiteral("en_us");
    if (code.isEmpty() || !isKnownLocaleCode(code)) {
        qCWarning(lcLocale) << "locale code" << code << "is not a known locale; using en_us";
        code = QStringLiteral("en_us");
    }
    c.code = code;
    return code;
}

void LocaleUtil::resetCache()
{
    LocaleCache &c = cache();
    std::lock_guard lock(c.mutex);
    c.packCount.reset();
    c.packLocaleIds.clear();
    c.code.reset();
}

int LocaleUtil::localeIdForCode(const QString &code)
{
    if (const auto id = findLocaleId(code))
        return *id;
    throw std::runtime_error("Invalid locale string in locale/LocaleUtil.cpp");
}

bool LocaleUtil::isKnownLocaleCode(const QString &code)
{
    return findLocaleId(code).has_value();
}

quint32 LocaleUtil::lcid(int id)
{
    return recordFor(id).lcid;
}

QString LocaleUtil::localeName(int id)
{
    return QString::fromLatin1(recordFor(id).name);
}

QString LocaleUtil::alternateName(int id)
{
    return QString::fromLatin1(recordFor(id).alternateName);
}

QString LocaleUtil::abbreviation(int id)
{
    return QString::fromLatin1(recordFor(id).abbreviation);
}

int LocaleUtil::codePage(int id)
{
    return recordFor(id).ansiCodePage;
}

QByteArray LocaleUtil::ansiCharset(int id)
{
    switch (const int page = codePage(id)) {
    case 0:
        return QByteArrayLiteral("UTF-8");
    case 874:
        return QByteArrayLiteral("windows-874");
    case 932:
        return QByteArrayLiteral("Shift_JIS");
    case 936:
        return QByteArrayLiteral("GBK");
    case 949:
        return QByteArrayLiteral("windows-949");
    case 950:
        return QByteArrayLiteral("Big5");
    default:
        return "windows-" + QByteArray::number(page);
    }
}

LocaleUtil::MissingDictionaryMessage LocaleUtil::missingDictionaryMessage(int localeId)
{
    const QString ok = QStringLiteral("Ok");
    const QString internalError = QStringLiteral("Internal Error");
    if (localeId >= 37 && localeId <= 41) {
        return {QStringLiteral("Interner Fehler"),
                QStringLiteral("Pixtrel Orvana kann nicht anfangen, weil Dateien fehlen. "
                               "Installieren Sie bitte erneut."),
                ok};
    }
    if (localeId >= 61 && localeId <= 81) {
        return {internalError,
                QStringLiteral("Pixtrel Orvana no se puede iniciar porque faltan archivos. "
                               "Vuelva a instalar el programa."),
                ok};
    }
    if (localeId >= 88 && localeId <= 93) {
        return {QStringLiteral("Erreur interne"),
                QStringLiteral("Pixtrel Orvana ne peut pas démarrer car des fichiers sont "
                               "manquants. Veuillez rénstaller."),
                ok};
    }
    if (localeId >= 110 && localeId <= 111) {
        return {internalError,
                QStringLiteral("Impossibile avviare Pixtrel Orvana perché mancano alcuni file. "
                               "Reinstallare il programma."),
                ok};
    }
    if (localeId == 114) {
        return {QStringLiteral("内部エラー"),
                QStringLiteral("Pixtrel Orvana は必要なファイルが見つからないため起動できません。"
                               "再インストールをしてください。"),
                ok};
    }
    if (localeId >= 140 && localeId <= 141) {
        return {internalError,
                QStringLiteral("Pixtrel Orvana kan niet worden gestart, omdat een of meerdere "
                               "bestanden ontbreken. Installeer het programma opnieuw."),
                ok};
    }
    if (localeId >= 178 && localeId <= 179) {
        return {internalError,
                QStringLiteral("Pixtrel Orvana kan inte startas eftersom filer saknas. "
                               "Installera om programmet."),
                ok};
    }
    return {internalError,
            QStringLiteral("Pixtrel Orvana cannot start because of missing file(s). "
                           "Please reinstall."),
            ok};
}

QString LocaleUtil::scriptCode(quint32 lcid)
{
    // Locales whose script the ANSI code page does not tell.
    switch (lcid) {
    case 1067:
        return QStringLiteral("Armn");
    case 1079:
    case 0x10437:
        return QStringLiteral("Geor");
    case 1081:
    case 1102:
    case 1103:
    case 1111:
    case 1121:
        return QStringLiteral("Deva");
    case 1082:
    case 1153:
        return QStringLiteral("Latn");
    case 1087:
    case 8218:
        return QStringLiteral("Cyrl");
    case 1093:
    case 1101:
    case 2117:
        return QStringLiteral("Beng");
    case 1094:
        return QStringLiteral("Guru");
    case 1095:
        return QStringLiteral("Gujr");
    case 1096:
        return QStringLiteral("Orya");
    case 1097:
        return QStringLiteral("Taml");
    case 1098:
        return QStringLiteral("Telu");
    case 1099:
        return QStringLiteral("Knda");
    case 1100:
        return QStringLiteral("Mlym");
    case 1105:
        return QStringLiteral("Tibt");
    case 1107:
        return QStringLiteral("Khmr");
    case 1108:
        return QStringLiteral("Laoo");
    case 1114:
        return QStringLiteral("Syrc");
    case 1115:
        return QStringLiteral("Sinh");
    case 1117:
        return QStringLiteral("Cans");
    case 1118:
        return QStringLiteral("Ethi");
    case 1123:
        return QStringLiteral("Arab");
    case 1125:
        return QStringLiteral("Thaa");
    case 1144:
        return QStringLiteral("Yiii");
    case 2128:
        return QStringLiteral("Mong");
    default:
        break;
    }
    int page = 0;
    for (int id = 1; id <= LocaleTable::lastLocaleId; ++id) {
        if (LocaleTable::records[std::size_t(id)].lcid == lcid) {
            page = LocaleTable::records[std::size_t(id)].ansiCodePage;
            break;
        }
    }
    switch (page) {
    case 1250:
    case 1252:
    case 1254:
    case 1257:
    case 1258:
        return QStringLiteral("Latn");
    case 1251:
        return QStringLiteral("Cyrl");
    case 1253:
        return QStringLiteral("Grek");
    case 1255:
        return QStringLiteral("Hebr");
    case 1256:
        return QStringLiteral("Arab");
    case 874:
        return QStringLiteral("Thai");
    case 932:
        return QStringLiteral("Jpan");
    case 936:
        return QStringLiteral("Hans");
    case 949:
        return QStringLiteral("Kore");
    case 950:
        return QStringLiteral("Hant");
    default:
        return QStringLiteral("Zyyy");
    }
}

QString LocaleUtil::dictionaryPath(const QString &localeDirectory, const QString &code)
{
    return QStringLiteral("%1%2/%3").arg(localeDirectory, code, QStringLiteral("zstring.dct"));
}
