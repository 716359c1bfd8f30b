#include "source/ptlabel.h"
#include "tests/source/chrometestsupport.h"

#include <QMetaMethod>
#include <QStringList>

#include <vector>

#include <gtest/gtest.h>

namespace {

// Connects to every signal of a label and records them in emission order with their index.
class SignalLog
{
public:
    explicit SignalLog(PtLabel *label)
    {
        const auto record = [this](const char *name) {
            return [this, name] {
                m_events.append(QString::fromLatin1(name));
            };
        };
        const auto withIndex = [this](const char *name) {
            return [this, name](int idx) {
                m_events.append(QString::fromLatin1(name) + QLatin1Char(':') +
                                QString::number(idx));
            };
        };
        const auto withEvent = [this](const char *name) {
            return [this, name](int idx, QMouseEvent *event) {
                m_events.append(QString::fromLatin1(name) + QLatin1Char(':') +
                                QString::number(idx));
                m_lastEvent = event;
            };
        };
        QObject::connect(label, qOverload<>(&PtLabel::signalClicked), label, record("clicked()"));
        QObject::connect(label, qOverload<int>(&PtLabel::signalClicked), label,
                         withIndex("clicked(int)"));
        QObject::connect(label, qOverload<PtLabel *>(&PtLabel::signalClicked), label,
                         [this, label](PtLabel *sender) {
                             m_events.append(sender == label ? QStringLiteral("clicked(PtLabel*)")
                                                             : QStringLiteral("clicked(other)"));
                         });
        QObject::connect(label, &PtLabel::signalRightClicked, label, withIndex("rightClicked"));
        QObject::connect(label, qOverload<>(&PtLabel::signalMousePress), label, record("press()"));
        QObject::connect(label, qOverload<QMouseEvent *>(&PtLabel::signalMousePress), label,
                         [this](QMouseEvent *event) {
                             m_events.append(QStringLiteral("press(event)"));
                             m_lastEvent = event;
                         });
        QObject::connect(label, qOverload<int, QMouseEvent *>(&PtLabel::signalMousePress), label,
                         withEvent("press"));
        QObject::connect(label, &PtLabel::signalMouseRelease, label, withEvent("release"));
        QObject::connect(label, &PtLabel::signalMouseMove, label, withEvent("move"));
        QObject::connect(label, qOverload<int, QMouseEvent *>(&PtLabel::signalMouseDoubleClicked),
                         label, withEvent("doubleClicked(event)"));
        QObject::connect(label, qOverload<int>(&PtLabel::signalMouseDoubleClicked), label,
                         withIndex("doubleClicked"));
    }

    QStringList take() { return std::exchange(m_events, {}); }
    QMouseEvent *lastEvent() const { return m_lastEvent; }

private:
    QStringList m_events;
    QMouseEvent *m_lastEvent = nullptr;
};

QStringList names(const std::vector<const char *> &list)
{
    QStringList result;
    for (const char *name : list)
        result.append(QString::fromLatin1(name));
    return result;
}

} // namespace

TEST(PtLabel, SignalsAreDeclaredInTheirFixedOrder)
{
    PtLabel label(7);
    const QMetaObject *meta = label.metaObject();
    const char *expected[] = {
        "signalClicked()",
        "signalClicked(int)",
        "signalClicked(PtLabel*)",
        "signalRightClicked(int)",
        "signalMousePress()",
        "signalMousePress(QMouseEvent*)",
        "signalMousePress(int,QMouseEvent*)",
        "signalMouseRelease(int,QMouseEvent*)",
        "signalMouseMove(int,QMouseEvent*)",
        "signalMouseDoubleClicked(int,QMouseEvent*)",
        "signalMouseDoubleClicked(int)",
    };
    QStringList signalList;
    for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
        if (meta->method(i).methodType() == QMetaMethod::Signal)
            signalList.append(QString::fromLatin1(meta->method(i).methodSignature()));
    }
    ASSERT_EQ(signalList.size(), int(std::size(expected)));
    for (int i = 0; i < signalList.size(); ++i)
        EXPECT_EQ(signalList[i], QString::fromLatin1(expected[i])) << i;
    const QMetaMethod doubleClick =
        meta->method(meta->indexOfSignal("signalMouseDoubleClicked(int,QMouseEvent*)"));
    EXPECT_EQ(doubleClick.parameterNames(), (QList<QByteArray>{"idx", "e"}));
}

TEST(PtLabel, MouseInputBecomesSignalsInOrder)
{
    struct Row
    {
        const char *what;
        QEvent::Type type;
        QPoint pos;
        Qt::MouseButton button;
        Qt::MouseButtons buttons;
        Qt::KeyboardModifiers modifiers;
        std::vector<const char *> expected;
    };
    const QPoint inside(5, 5);
    const QPoint outside(50, 5);
    const Row rows[] = {
        {"press",
         QEvent::MouseButtonPress,
         inside,
         Qt::LeftButton,
         Qt::LeftButton,
         {},
         {"press()", "press(event)", "press:7"}},
        {"left release inside",
         QEvent::MouseButtonRelease,
         inside,
         Qt::LeftButton,
         {},
         {},
         {"clicked()", "clicked(int):7", "clicked(PtLabel*)", "release:7"}},
        // A right click is no click: only the right-click signal and the release.
        {"right release inside",
         QEvent::MouseButtonRelease,
         inside,
         Qt::RightButton,
         {},
         {},
         {"rightClicked:7", "release:7"}},
        {"middle release inside",
         QEvent::MouseButtonRelease,
         inside,
         Qt::MiddleButton,
         {},
         {},
         {"release:7"}},
        {"left release outside", QEvent::MouseButtonRelease, outside, Qt::LeftButton, {}, {}, {}},
        {"move with the left button",
         QEvent::MouseMove,
         inside,
         Qt::NoButton,
         Qt::LeftButton,
         {},
         {"move:7"}},
        {"move with left and right",
         QEvent::MouseMove,
         inside,
         Qt::NoButton,
         Qt::LeftButton | Qt::RightButton,
         {},
         {}},
        {"move without buttons", QEvent::MouseMove, inside, Qt::NoButton, {}, {}, {}},
        {"left double click",
         QEvent::MouseButtonDblClick,
         inside,
         Qt::LeftButton,
         Qt::LeftButton,
         {},
         {"doubleClicked:7", "doubleClicked(event):7"}},
        {"control double click is a press",
         QEvent::MouseButtonDblClick,
         inside,
         Qt::LeftButton,
         Qt::LeftButton,
         Qt::ControlModifier,
         {"press()", "press(event)", "press:7"}},
        {"shift double click",
         QEvent::MouseButtonDblClick,
         inside,
         Qt::LeftButton,
         Qt::LeftButton,
         Qt::ShiftModifier,
         {}},
        {"right double click",
         QEvent::MouseButtonDblClick,
         inside,
         Qt::RightButton,
         Qt::RightButton,
         {},
         {}},
    };
    PtLabel label(7);
    label.resize(20, 20);
    SignalLog log(&label);
    for (const Row &row : rows) {
        sendMouse(&label, row.type, row.pos, row.button, row.buttons, row.modifiers);
        EXPECT_EQ(log.take(), names(row.expected)) << row.what;
    }
}

TEST(PtLabel, EventSignalsCarryTheEvent)
{
    PtLabel label;
    label.resize(20, 20);
    SignalLog log(&label);
    sendMouse(&label, QEvent::MouseButtonRelease, QPoint(3, 4), Qt::LeftButton, {});
    EXPECT_EQ(log.take(),
              names({"clicked()", "clicked(int):-1", "clicked(PtLabel*)", "release:-1"}));
    ASSERT_NE(log.lastEvent(), nullptr);
}
