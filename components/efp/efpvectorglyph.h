#pragma once

#include <QColor>
#include <QPainterPath>
#include <QQuickPaintedItem>
#include <QSizeF>
#include <QString>

// A vector glyph of a movie: SVG path data stroked with the ink and filled with the fill
// colour, in the item's own coordinates.
//
//   import Tessaly.Player
//   VectorGlyph { width: 20; height: 20; path: "M 3 4 L 17 4"; ink: "white"; strokeWidth: 1.6 }
//
// The glyph is drawn at the size it shows: a glyph drawn smaller is given its item size and the
// path's box as viewSize rather than a scale, which would shrink a picture of it.
// Strokes have round caps and joins. Path data with a fault draws what comes before it; the
// fault is reported as the movie's warning and stays readable in `error`.
class EFPVectorGlyph : public QQuickPaintedItem
{
    Q_OBJECT
    Q_PROPERTY(QString path READ path WRITE setPath NOTIFY pathChanged)
    Q_PROPERTY(QColor ink READ ink WRITE setInk NOTIFY inkChanged)
    Q_PROPERTY(QColor fill READ fill WRITE setFill NOTIFY fillChanged)
    Q_PROPERTY(qreal strokeWidth READ strokeWidth WRITE setStrokeWidth NOTIFY strokeWidthChanged)
    // The box of the path's coordinates, drawn scaled to the item's size; empty: the item's
    // own coordinates.
    Q_PROPERTY(QSizeF viewSize READ viewSize WRITE setViewSize NOTIFY viewSizeChanged)
    Q_PROPERTY(QString error READ error NOTIFY pathChanged)

public:
    explicit EFPVectorGlyph(QQuickItem *parent = nullptr);

    // Makes the type known to movies as VectorGlyph of the module "Tessaly.Player".
    static void registerType();

    QString path() const { return m_path; }
    void setPath(const QString &path);
    QColor ink() const { return m_ink; }
    void setInk(const QColor &ink);
    QColor fill() const { return m_fill; }
    void setFill(const QColor &fill);
    qreal strokeWidth() const { return m_strokeWidth; }
    void setStrokeWidth(qreal width);
    QSizeF viewSize() const { return m_viewSize; }
    void setViewSize(const QSizeF &size);
    QString error() const { return m_error; }

    void paint(QPainter *painter) override;

signals:
    void pathChanged();
    void inkChanged();
    void fillChanged();
    void strokeWidthChanged();
    void viewSizeChanged();

private:
    // Stores a changed value and schedules a repaint; false when the value is the same.
    template<typename T>
    bool change(T &member, const T &value);

    QString m_path;
    QPainterPath m_shape;
    QString m_error;
    QColor m_ink = Qt::black;
    QColor m_fill = Qt::transparent;
    qreal m_strokeWidth = 1;
    QSizeF m_viewSize;
};
