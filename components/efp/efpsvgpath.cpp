#include "components/efp/efpsvgpath.h"

#include <QByteArray>
#include <QPointF>

#include <charconv>
#include <cmath>
#include <numbers>
#include <optional>

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The characters of one path text, read front to back.
class Reader
{
public:
    explicit Reader(const QByteArray &text)
        : m_text(text)
    {
    }

    qsizetype position() const { return m_pos; }
    bool atEnd() { return skipBlanks() >= m_text.size(); }

    qsizetype skipBlanks()
    {
        while (m_pos < m_text.size() && isBlank(m_text[m_pos]))
            ++m_pos;
        return m_pos;
    }
    char peek() const { return m_pos < m_text.size() ? m_text[m_pos] : '\0'; }
    char take() { return m_text[m_pos++]; }

    // Blanks, and one comma between arguments.
    void skipSeparator()
    {
        skipBlanks();
        if (peek() == ',') {
            ++m_pos;
            skipBlanks();
        }
    }

    // Whether an argument (a number) comes next rather than a command letter.
    bool numberAhead()
    {
        skipBlanks();
        const char c = peek();
        return isDigit(c) || c == '-' || c == '+' || c == '.';
    }

    // sign? (digits ("." digits?)? | "." digits) (("e" | "E") sign? digits)?
    std::optional<double> number()
    {
        skipBlanks();
        const qsizetype start = m_pos;
        if (peek() == '-' || peek() == '+')
            ++m_pos;
        qsizetype digits = 0;
        while (isDigit(peek())) {
            ++m_pos;
            ++digits;
        }
        if (peek() == '.') {
            ++m_pos;
            while (isDigit(peek())) {
                ++m_pos;
                ++digits;
            }
        }
        if (digits == 0) {
            m_pos = start;
            return std::nullopt;
        }
        if (peek() == 'e' || peek() == 'E') {
            qsizetype exponent = m_pos + 1;
            if (exponent < m_text.size() && (m_text[exponent] == '-' || m_text[exponent] == '+'))
                ++exponent;
            if (exponent < m_text.size() && isDigit(m_text[exponent])) {
                m_pos = exponent;
                while (isDigit(peek()))
                    ++m_pos;
            }
        }
        // from_chars takes no leading "+" and reads in the C locale whatever the process uses.
        const char *first = m_text.constData() + start + (m_text[start] == '+' ? 1 : 0);
        const char *last = m_text.constData() + m_pos;
        double value = 0;
        const auto [end, error] = std::from_chars(first, last, value);
        if (error != std::errc() || end != last || !std::isfinite(value) ||
            std::abs(value) > EFPSvgPath::kMaxCoordinate) {
            m_pos = start;
            return std::nullopt;
        }
        return value;
    }

    // An arc flag is one character, "0" or "1", with or without a separator after it.
    std::optional<bool> flag()
    {
        skipBlanks();
        const char c = peek();
        if (c != '0' && c != '1')
            return std::nullopt;
        ++m_pos;
        return c == '1';
    }

private:
    const QByteArray &m_text;
    qsizetype m_pos = 0;
};

double angleBetween(QPointF u, QPointF v)
{
    return std::atan2(u.x() * v.y() - u.y() * v.x(), u.x() * v.x() + u.y() * v.y());
}

// One elliptical arc command: radii, rotation of the x axis, the two flags and the endpoint.
struct Arc
{
    double rx = 0;
    double ry = 0;
    double rotationDegrees = 0;
    bool largeArc = false;
    bool sweep = false;
    QPointF to;
};

// The arc from `from` as cubic curves: its endpoints give its centre and angles, and radii too
// small to span the endpoints are scaled up until they do, as SVG renderers draw it.
void appendArc(QPainterPath &path, QPointF from, const Arc &arc)
{
    const QPointF to = arc.to;
    const bool largeArc = arc.largeArc;
    const bool sweep = arc.sweep;
    if (from == to)
        return;
    double rx = std::abs(arc.rx);
    double ry = std::abs(arc.ry);
    if (rx == 0 || ry == 0) {
        path.lineTo(to);
        return;
    }
    const double phi = arc.rotationDegrees * std::numbers::pi / 180.0;
    const double c = std::cos(phi);
    const double s = std::sin(phi);
    const double dx = (from.x() - to.x()) / 2;
    const double dy = (from.y() - to.y()) / 2;
    const double x1 = c * dx + s * dy;
    const double y1 = -s * dx + c * dy;
    const double lambda = (x1 * x1) / (rx * rx) + (y1 * y1) / (ry * ry);
    if (lambda > 1) {
        rx *= std::sqrt(lambda);
        ry *= std::sqrt(lambda);
    }
    const double numerator = rx * rx * ry * ry - rx * rx * y1 * y1 - ry * ry * x1 * x1;
    const double denominator = rx * rx * y1 * y1 + ry * ry * x1 * x1;
    if (denominator == 0) {
        path.lineTo(to);
        return;
    }
    const double root = std::sqrt(std::max(0.0, numerator / denominator));
    const double coefficient = largeArc == sweep ? -root : root;
    const double cx1 = coefficient * rx * y1 / ry;
    const double cy1 = -coefficient * ry * x1 / rx;
    const double cx = c * cx1 - s * cy1 + (from.x() + to.x()) / 2;
    const double cy = s * cx1 + c * cy1 + (from.y() + to.y()) / 2;
    const QPointF start((x1 - cx1) / rx, (y1 - cy1) / ry);
    const QPointF end((-x1 - cx1) / rx, (-y1 - cy1) / ry);
    const double theta = angleBetween(QPointF(1, 0), start);
    double sweepAngle = angleBetween(start, end);
    if (!sweep && sweepAngle > 0)
        sweepAngle -= 2 * std::numbers::pi;
    else if (sweep && sweepAngle < 0)
        sweepAngle += 2 * std::numbers::pi;

    // A quarter turn at most per curve keeps the approximation within a thousandth of the
    // radius.
    const int segments = std::max(1, int(std::ceil(std::abs(sweepAngle) / (std::numbers::pi / 2))));
    const double delta = sweepAngle / segments;
    const double k = 4.0 / 3.0 * std::tan(delta / 4);
    const auto map = [&](double u, double v) {
        return QPointF(cx + rx * c * u - ry * s * v, cy + rx * s * u + ry * c * v);
    };
    for (int i = 0; i < segments; ++i) {
        const double t1 = theta + i * delta;
        const double t2 = t1 + delta;
        const QPointF c1 = map(std::cos(t1) - k * std::sin(t1), std::sin(t1) + k * std::cos(t1));
        const QPointF c2 = map(std::cos(t2) + k * std::sin(t2), std::sin(t2) - k * std::cos(t2));
        path.cubicTo(c1, c2, i == segments - 1 ? to : map(std::cos(t2), std::sin(t2)));
    }
}

int argumentCount(char command)
{
    switch (command) {
    case 'M':
    case 'L':
    case 'T':
        return 2;
    case 'H':
    case 'V':
        return 1;
    case 'C':
        return 6;
    case 'S':
    case 'Q':
        return 4;
    case 'A':
        return 7;
    default:
        return 0;
    }
}

QString fault(const QString &what, qsizetype position)
{
    return QStringLiteral("%1 at character %2").arg(what).arg(position + 1);
}

} // namespace

EFPSvgPath::Result EFPSvgPath::parse(QStringView text)
{
    Result result;
    if (text.size() > kMaxLength) {
        result.error = QStringLiteral("path data longer than %1 characters").arg(kMaxLength);
        return result;
    }
    // Anything outside Latin-1 becomes "?", which no rule accepts.
    const QByteArray latin = text.toLatin1();
    Reader reader(latin);
    QPainterPath &path = result.path;
    QPointF current;
    QPointF subpathStart;
    // The control point a following S or T reflects, when the previous command left one.
    QPointF lastCubicControl;
    QPointF lastQuadControl;
    char previous = 0;

    while (!reader.atEnd()) {
        const qsizetype commandAt = reader.position();
        const char letter = reader.take();
        const char command = char(letter & ~0x20); // upper case
        const bool relative = letter >= 'a' && letter <= 'z';
        if (argumentCount(command) == 0 && command != 'Z') {
            result.error =
                fault(QStringLiteral("unknown command \"%1\"").arg(QLatin1Char(letter)), commandAt);
            return result;
        }
        if (previous == 0 && command != 'M') {
            result.error = fault(QStringLiteral("path data must start with a move"), commandAt);
            return result;
        }
        if (command == 'Z') {
            path.closeSubpath();
            current = subpathStart;
            previous = 'Z';
            continue;
        }
        bool first = true;
        do {
            double a[7] = {};
            const int count = argumentCount(command);
            for (int i = 0; i < count; ++i) {
                if (i > 0)
                    reader.skipSeparator();
                const qsizetype at = reader.skipBlanks();
                std::optional<double> value;
                if (command == 'A' && (i == 3 || i == 4)) {
                    if (const std::optional<bool> f = reader.flag())
                        value = *f ? 1.0 : 0.0;
                } else {
                    value = reader.number();
                }
                if (!value) {
                    result.error = fault(QStringLiteral("missing or bad argument %1 of \"%2\"")
                                             .arg(i + 1)
                                             .arg(QLatin1Char(letter)),
                                         at);
                    return result;
                }
                a[i] = *value;
            }
            const QPointF origin = relative ? current : QPointF();
            // After its first pair, a move goes on as lines.
            const char effective = command == 'M' && !first ? 'L' : command;
            switch (effective) {
            case 'M':
                current = origin + QPointF(a[0], a[1]);
                path.moveTo(current);
                subpathStart = current;
                break;
            case 'L':
                current = origin + QPointF(a[0], a[1]);
                path.lineTo(current);
                break;
            case 'H':
                current.setX((relative ? current.x() : 0) + a[0]);
                path.lineTo(current);
                break;
            case 'V':
                current.setY((relative ? current.y() : 0) + a[0]);
                path.lineTo(current);
                break;
            case 'C': {
                const QPointF c1 = origin + QPointF(a[0], a[1]);
                lastCubicControl = origin + QPointF(a[2], a[3]);
                current = origin + QPointF(a[4], a[5]);
                path.cubicTo(c1, lastCubicControl, current);
                break;
            }
            case 'S': {
                const QPointF c1 =
                    previous == 'C' || previous == 'S' ? 2 * current - lastCubicControl : current;
                lastCubicControl = origin + QPointF(a[0], a[1]);
                current = origin + QPointF(a[2], a[3]);
                path.cubicTo(c1, lastCubicControl, current);
                break;
            }
            case 'Q':
                lastQuadControl = origin + QPointF(a[0], a[1]);
                current = origin + QPointF(a[2], a[3]);
                path.quadTo(lastQuadControl, current);
                break;
            case 'T':
                lastQuadControl =
                    previous == 'Q' || previous == 'T' ? 2 * current - lastQuadControl : current;
                current = origin + QPointF(a[0], a[1]);
                path.quadTo(lastQuadControl, current);
                break;
            case 'A': {
                const QPointF to = origin + QPointF(a[5], a[6]);
                appendArc(path, current, Arc{a[0], a[1], a[2], a[3] != 0, a[4] != 0, to});
                current = to;
                break;
            }
            }
            previous = effective;
            first = false;
            reader.skipSeparator();
        } while (reader.numberAhead());
    }
    return result;
}
