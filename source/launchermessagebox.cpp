#include "source/launchermessagebox.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageBox>
#include <QPushButton>

namespace {

LauncherMessageBox::Handler &handler()
{
    static LauncherMessageBox::Handler instance;
    return instance;
}

int recordToFile(const QString &path, const LauncherMessageBox::Request &request)
{
    QJsonObject entry{{QStringLiteral("icon"), LauncherMessageBox::iconName(request.icon)},
                      {QStringLiteral("title"), request.title},
                      {QStringLiteral("text"), request.text},
                      {QStringLiteral("buttons"), QJsonArray::fromStringList(request.buttons)}};
    QFile file(path);
    if (file.open(QIODevice::Append)) {
        file.write(QJsonDocument(entry).toJson(QJsonDocument::Compact) + '\n');
        file.close();
    }
    bool ok = false;
    const int answer = qEnvironmentVariableIntValue("TESSALY_MESSAGEBOX_ANSWER", &ok);
    return ok ? answer : request.defaultButton;
}

QMessageBox::Icon qtIcon(LauncherMessageBox::Icon icon)
{
    switch (icon) {
    case LauncherMessageBox::Icon::Information:
        return QMessageBox::Information;
    case LauncherMessageBox::Icon::Warning:
        return QMessageBox::Warning;
    case LauncherMessageBox::Icon::Critical:
        return QMessageBox::Critical;
    case LauncherMessageBox::Icon::Question:
        return QMessageBox::Question;
    case LauncherMessageBox::Icon::NoIcon:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

QString LauncherMessageBox::iconName(Icon icon)
{
    switch (icon) {
    case Icon::Information:
        return QStringLiteral("information");
    case Icon::Warning:
        return QStringLiteral("warning");
    case Icon::Critical:
        return QStringLiteral("critical");
    case Icon::Question:
        return QStringLiteral("question");
    case Icon::NoIcon:
        break;
    }
    return QStringLiteral("none");
}

void LauncherMessageBox::setHandler(Handler newHandler)
{
    handler() = std::move(newHandler);
}

int LauncherMessageBox::show(const Request &request)
{
    if (handler())
        return handler()(request);
    const QString log = qEnvironmentVariable("TESSALY_MESSAGEBOX_LOG");
    if (!log.isEmpty())
        return recordToFile(log, request);

    QMessageBox box(qtIcon(request.icon), request.title, request.text, QMessageBox::NoButton,
                    request.parent);
    QList<QPushButton *> buttons;
    for (const QString &label : request.buttons)
        buttons.append(box.addButton(label, QMessageBox::AcceptRole));
    if (request.defaultButton >= 0 && request.defaultButton < buttons.size())
        box.setDefaultButton(buttons.at(request.defaultButton));
    if (request.escapeButton >= 0 && request.escapeButton < buttons.size())
        box.setEscapeButton(buttons.at(request.escapeButton));
    box.exec();
    const int chosen = buttons.indexOf(qobject_cast<QPushButton *>(box.clickedButton()));
    return chosen;
}

int LauncherMessageBox::critical(QWidget *parent, const QString &title, const QString &text,
                                 const QString &button)
{
    return show({Icon::Critical, parent, title, text, {button}, 0, -1});
}

int LauncherMessageBox::warning(QWidget *parent, const QString &title, const QString &text,
                                const QString &button)
{
    return show({Icon::Warning, parent, title, text, {button}, 0, -1});
}
