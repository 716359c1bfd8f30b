#include "components/efp/efpvectorglyph.h"

#include "components/efp/efpsvgpath.h"

#include <QPainter>
#include <QPen>
#include <QQmlEngine>
#include <QQmlInfo>

EFPVectorGlyph::EFPVectorGlyph(QQuickItem *parent)
    : QQuickPaintedItem(parent)
{
    setAntialiasing(true);
}

void EFPVectorGlyph::registerType()
{
    static const int id = qmlRegisterType<EFPVectorGlyph>("Tessaly.Player", 1, 0, "VectorGlyph");
    Q_UNUSED(id);
}

void EFPVectorGlyph::setPath(const QString &path)
{
    if (path == m_path)
        return;
    m_path = path;
    EFPSvgPath::Result parsed = EFPSvgPath::parse(path);
    m_shape = std::move(parsed.path);
    m_error = std::move(parsed.error);
    if (!m_error.isEmpty())
        qmlWarning(this) << "path data: " << m_error;
    emit pathChanged();
    update();
}

template<typename T>
bool EFPVectorGlyph::change(T &member, const T &value)
{
    if (member == value)
        return false;
    member = value;
    update();
    return true;
}

void EFPVectorGlyph::setInk(const QColor &ink)
{
    if (change(m_ink, ink))
        emit inkChanged();
}

void EFPVectorGlyph::setFill(const QColor &fill)
{
    if (change(m_fill, fill))
        emit fillChanged();
}

void EFPVectorGlyph::setStrokeWidth(qreal width)
{
    if (width >= 0 && change(m_strokeWidth, width))
        emit strokeWidthChanged();
}

void EFPVectorGlyph::setViewSize(const QSizeF &size)
{
    if (change(m_viewSize, size))
        emit viewSizeChanged();
}

void EFPVectorGlyph::paint(QPainter *painter)
{
    if (m_shape.isEmpty())
        return;
    painter->setRenderHint(QPainter::Antialiasing);
    if (!m_viewSize.isEmpty())
        painter->scale(width() / m_viewSize.width(), height() / m_viewSize.height());
    if (m_fill.alpha() > 0)
        painter->fillPath(m_shape, m_fill);
    if (m_ink.alpha() > 0 && m_strokeWidth > 0)
        painter->strokePath(m_shape,
                            QPen(m_ink, m_strokeWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
}
