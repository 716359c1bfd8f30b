#include "components/efp/efpsvgpath.h"

#include <QPainterPath>
#include <QPointF>
#include <QRectF>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

std::vector<QPointF> points(const QPainterPath &path)
{
    std::vector<QPointF> list;
    for (int i = 0; i < path.elementCount(); ++i)
        list.emplace_back(path.elementAt(i).x, path.elementAt(i).y);
    return list;
}

QPainterPath parsed(const char16_t *text)
{
    const EFPSvgPath::Result result = EFPSvgPath::parse(text);
    EXPECT_TRUE(result.error.isEmpty()) << result.error.toStdString();
    return result.path;
}

void expectNear(const QRectF &actual, const QRectF &expected, double tolerance = 0.02)
{
    EXPECT_NEAR(actual.left(), expected.left(), tolerance);
    EXPECT_NEAR(actual.top(), expected.top(), tolerance);
    EXPECT_NEAR(actual.right(), expected.right(), tolerance);
    EXPECT_NEAR(actual.bottom(), expected.bottom(), tolerance);
}

} // namespace

TEST(SvgPath, LinesAbsoluteAndRelativeWithTheirShortForms)
{
    const QPainterPath path = parsed(u"M 3 4 L 17 4 l 0 12 H 3 v -12 Z");
    const std::vector<QPointF> expected{{3, 4}, {17, 4}, {17, 16}, {3, 16}, {3, 4}};
    EXPECT_EQ(points(path), expected);
    EXPECT_EQ(path.elementAt(0).type, QPainterPath::MoveToElement);
    EXPECT_EQ(path.boundingRect(), QRectF(3, 4, 14, 12));
}

// Argument groups repeat after one letter; a move goes on as lines, relative ones as relative
// lines; numbers end where a sign or a second decimal point starts the next one.
TEST(SvgPath, RepeatedGroupsAndCompactNumbers)
{
    EXPECT_EQ(points(parsed(u"M1,2 3,4-5.5.5e1")),
              (std::vector<QPointF>{{1, 2}, {3, 4}, {-5.5, 5}}));
    EXPECT_EQ(points(parsed(u"m 1 1 2 2 l 1 0 0 1")),
              (std::vector<QPointF>{{1, 1}, {3, 3}, {4, 3}, {4, 4}}));
    EXPECT_EQ(points(parsed(u"M 0 0 1e1 +2E-1")), (std::vector<QPointF>{{0, 0}, {10, 0.2}}));
    // A subpath after a close starts where the closed one did.
    const QPainterPath closed = parsed(u"M 2 2 L 6 2 Z l 0 4");
    EXPECT_EQ(closed.currentPosition(), QPointF(2, 6));
}

TEST(SvgPath, CurvesAndTheReflectionsOfTheirShortForms)
{
    const QPainterPath cubic = parsed(u"M 0 0 C 0 10 10 10 10 0 S 20 -10 20 0");
    const std::vector<QPointF> expected{{0, 0},    {0, 10},   {10, 10}, {10, 0},
                                        {10, -10}, {20, -10}, {20, 0}};
    EXPECT_EQ(points(cubic), expected);
    // Without a curve before it, the reflected control point is the current point.
    EXPECT_EQ(points(parsed(u"M 0 0 S 10 10 20 0"))[1], QPointF(0, 0));

    // The smooth quadratic mirrors the bulge: one down, one up, half the control offset each.
    const QPainterPath quad = parsed(u"M 0 0 Q 5 10 10 0 T 20 0");
    expectNear(quad.boundingRect(), QRectF(0, -5, 20, 10));
    const QPainterPath relative = parsed(u"M 10 10 q 5 10 10 0 t 10 0");
    expectNear(relative.boundingRect(), QRectF(10, 5, 20, 10));
}

TEST(SvgPath, ArcsReachTheirEndAndBulgeTheWayTheirFlagsSay)
{
    // A circle of two arcs, as the glyphs draw rings.
    expectNear(parsed(u"M 18 10 A 8 8 0 1 1 2 10 A 8 8 0 1 1 18 10").boundingRect(),
               QRectF(2, 2, 16, 16));
    // Screen coordinates: the sweep flag 1 turns clockwise, so from left to right over the top.
    expectNear(parsed(u"M 0 0 A 10 10 0 0 1 20 0").boundingRect(), QRectF(0, -10, 20, 10));
    expectNear(parsed(u"M 0 0 A 10 10 0 0 0 20 0").boundingRect(), QRectF(0, 0, 20, 10));
    // The large-arc flag takes the long way round a circle larger than the chord needs.
    expectNear(parsed(u"M 0 0 A 10 10 0 1 0 10 10").boundingRect(), QRectF(-10, 0, 20, 20));
    // Radii too small for the endpoints are scaled up to a half ellipse.
    expectNear(parsed(u"M 0 0 A 1 1 0 0 1 20 0").boundingRect(), QRectF(0, -10, 20, 10));
    // A rotated ellipse: its 20-unit radius now stands upright.
    expectNear(parsed(u"M 0 0 A 20 10 90 0 1 0 40").boundingRect(), QRectF(0, 0, 10, 40));
    // Flags need no separators; the arc ends exactly on its endpoint.
    const QPainterPath compact = parsed(u"M 0 0 a5 5 0 0110 0");
    EXPECT_EQ(compact.currentPosition(), QPointF(10, 0));
    // A zero radius is a straight line; an arc to its own start draws nothing.
    EXPECT_EQ(points(parsed(u"M 0 0 A 0 5 0 0 1 20 0")), (std::vector<QPointF>{{0, 0}, {20, 0}}));
    EXPECT_EQ(parsed(u"M 5 5 A 3 3 0 1 1 5 5").elementCount(), 1);
}

TEST(SvgPath, AFaultStopsTheDrawingThereAndSaysWhere)
{
    struct Row
    {
        const char16_t *text;
        const char *error;
        int elementsKept;
    };
    const Row rows[] = {
        {u"L 1 2", "path data must start with a move at character 1", 0},
        {u"M 1 2 L 3", "missing or bad argument 2 of \"L\" at character 10", 1},
        {u"M 0 0 L 10 0 X 1", "unknown command \"X\" at character 14", 2},
        {u"M 0 0 L 10 0 Z 5", "unknown command \"5\" at character 16", 3},
        {u"M 1e999 0", "missing or bad argument 1 of \"M\" at character 3", 0},
        {u"M 2000000 0", "missing or bad argument 1 of \"M\" at character 3", 0},
        {u"M 0 0 A 5 5 0 2 1 9 9", "missing or bad argument 4 of \"A\" at character 15", 1},
        {u"M 0 0 L . 1", "missing or bad argument 1 of \"L\" at character 9", 1},
        {u"M 0 0 L \u0661 1", "missing or bad argument 1 of \"L\" at character 9", 1},
    };
    for (const Row &row : rows) {
        const EFPSvgPath::Result result = EFPSvgPath::parse(row.text);
        EXPECT_EQ(result.error.toStdString(), row.error)
            << QString::fromUtf16(row.text).toStdString();
        EXPECT_EQ(result.path.elementCount(), row.elementsKept)
            << QString::fromUtf16(row.text).toStdString();
    }
    EXPECT_TRUE(EFPSvgPath::parse(u"").error.isEmpty());
    EXPECT_TRUE(EFPSvgPath::parse(u"  \n ").path.isEmpty());

    const QString huge = QStringLiteral("M 0 0") + QString(EFPSvgPath::kMaxLength, u' ');
    const EFPSvgPath::Result refused = EFPSvgPath::parse(huge);
    EXPECT_FALSE(refused.error.isEmpty());
    EXPECT_TRUE(refused.path.isEmpty());
}
