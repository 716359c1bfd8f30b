#include "source/bottomwidget.h"

#include "locale/zstring.h"
#include "platform/registry/regkey.h"
#include "source/launcherimagestore.h"
#include "source/launcherlog.h"

#include <QMenu>
#include <QPainter>

#include <memory>

const QString BottomWidget::SettingsKey =
    QStringLiteral("Software\\Tessaly\\Orvana Organizer\\11.0\\Common\\settings");
const QString BottomWidget::StartupValueName = QStringLiteral("STARTUP_APP");

BottomWidget::BottomWidget(PtCustomWindowBase *window, bool flag, int startupChoice,
                           QWidget *parent, const char *objectName)
    : PtCustomWidgetBase(window, parent, objectName)
    , m_flag(flag)
    , m_startupChoice(startupChoice)
{
    Q_UNUSED(m_flag)
    setFixedHeight(LauncherImageStore::chromeImage(DialogFrameBottom).height());
}

void BottomWidget::paintEvent(QPaintEvent *)
{
    const QImage lowerLeft = LauncherImageStore::chromeImage(DialogFrameLowerLeft);
    const QImage lowerRight = LauncherImageStore::chromeImage(DialogFrameLowerRight);
    const QImage middle = LauncherImageStore::chromeImage(DialogFrameBottom);
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), lowerLeft);
    painter.drawImage(QPoint(width() - lowerRight.width(), 0), lowerRight);
    // From the end of the left corner to the last pixel before the right corner, inclusive.
    const QRect tiled(QPoint(lowerLeft.width(), 0),
                      QPoint(width() - lowerRight.width() - 1, height() - 1));
    if (!middle.isNull() && tiled.isValid())
        painter.drawTiledPixmap(tiled, QPixmap::fromImage(middle), QPoint(0, 0));
}

std::unique_ptr<QMenu> BottomWidget::createStartupMenu()
{
    auto menu = std::make_unique<QMenu>(this);
    // The menu lists the Editor before the Organizer; each entry carries its start-up code.
    const struct
    {
        const char *text;
        int choice;
    } entries[] = {
        {"$$$/LauncherWindow/WelcomeMode=Welcome Screen", 0},
        {"$$$/LauncherWindow/EditingMode2=Pixtrel Orvana Editor", 2},
        {"$$$/LauncherWindow/OrganizerMode2=Orvana Organizer", 1},
    };
    for (const auto &entry : entries) {
        QAction *action = menu->addAction(Locale::zstring(entry.text));
        action->setCheckable(true);
        action->setChecked(entry.choice == m_startupChoice);
        action->setData(entry.choice);
    }
    return menu;
}

void BottomWidget::chooseStartup(int choice)
{
    m_startupChoice = choice;
    reg_key_t key(HKEY_CURRENT_USER, SettingsKey, KEY_WRITE, true);
    const RegError error = key.setDword(StartupValueName, quint32(choice));
    if (error != ERROR_SUCCESS)
        qCWarning(lcLauncher) << "cannot store the start-up choice, error" << error;
    update();
}

void BottomWidget::slotPopupClicked()
{
    const std::unique_ptr<QMenu> menu = createStartupMenu();
    QWidget *anchor = m_menuAnchor ? m_menuAnchor.data() : this;
    const QPoint below = anchor->mapToGlobal(QPoint(0, anchor->height() + 2));
    if (QAction *chosen = menu->exec(below))
        chooseStartup(chosen->data().toInt());
}
