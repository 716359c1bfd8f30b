#include "locale/packinfo.h"

#include <QFile>
#include <QStringDecoder>

std::optional<PackInfo> PackInfo::parse(QByteArrayView data)
{
    data = data.first(std::min(data.size(), maxFileSize));
    auto encoding = QStringConverter::encodingForData(data);
    QStringDecoder decoder(encoding.value_or(QStringConverter::Utf8));
    const QString text = decoder.decode(data);

    std::optional<QString> preference;
    std::optional<QString> localeId;
    qsizetype pos = 0;
    while (pos <= text.size() && !(preference && localeId)) {
        qsizetype end = text.indexOf(u'\n', pos);
        if (end < 0)
            end = text.size();
        QStringView line = QStringView(text).sliced(pos, end - pos);
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (!preference && line.startsWith(u"prefstring="))
            preference = line.sliced(11).toString();
        else if (!localeId && line.startsWith(u"localeid="))
            localeId = line.sliced(9).toString();
        pos = end + 1;
    }
    if (!preference || !localeId)
        return std::nullopt;
    return PackInfo{*preference, *localeId};
}

std::optional<PackInfo> PackInfo::read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return parse(file.read(maxFileSize));
}
