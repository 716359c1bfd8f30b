#pragma once

#include <QPainterPath>
#include <QString>
#include <QStringView>

// Path data in the SVG path syntax, as movies write their vector glyphs:
//
//   EFPSvgPath::Result glyph = EFPSvgPath::parse(u"M 3 4 L 17 4 A 2 2 0 1 1 14 4.01 Z");
//
// The commands M, L, H, V, C, S, Q, T, A and Z, absolute (upper case) and relative (lower
// case); argument groups may repeat after one command letter, and numbers are separated by
// blanks, commas or nothing where a sign or a second decimal point starts the next one. Like a
// browser, parsing stops at the first fault and keeps the path drawn up to there.
class EFPSvgPath
{
public:
    struct Result
    {
        QPainterPath path;
        // Empty when the whole text was read; else what was wrong and where.
        QString error;
    };

    // Longer texts are refused whole: no glyph needs them.
    static constexpr qsizetype kMaxLength = 65536;
    // Coordinates beyond this are refused: painting them only wastes time.
    static constexpr double kMaxCoordinate = 1e6;

    static Result parse(QStringView text);
};
