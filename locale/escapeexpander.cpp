#include "locale/escapeexpander.h"

#include <array>
#include <string_view>

namespace basekit_private {

namespace {

struct Entity
{
    std::u16string_view name;
    std::u16string_view text;
};

// Tried in this order; the first name the text begins with is taken.
constexpr std::array<Entity, 132> entities = {{
    {u"endl", u"\r\n"},     {u"tab", u"\t"},        {u"cr", u"\r"},         {u"lf", u"\n"},
    {u"nbsp", u"\u00A0"},   {u"iexcl", u"\u00A1"},  {u"cent", u"\u00A2"},   {u"pound", u"\u00A3"},
    {u"curren", u"\u00A4"}, {u"yen", u"\u00A5"},    {u"brvbar", u"\u00A6"}, {u"sect", u"\u00A7"},
    {u"uml", u"\u00A8"},    {u"copy", u"\u00A9"},   {u"ordf", u"\u00AA"},   {u"laquo", u"\u00AB"},
    {u"not", u"\u00AC"},    {u"shy", u"\u00AD"},    {u"reg", u"\u00AE"},    {u"macr", u"\u00AF"},
    {u"deg", u"\u00B0"},    {u"plusmn", u"\u00B1"}, {u"sup2", u"\u00B2"},   {u"sup3", u"\u00B3"},
    {u"acute", u"\u00B4"},  {u"micro", u"\u00B5"},  {u"para", u"\u00B6"},   {u"middot", u"\u00B7"},
    {u"cedil", u"\u00B8"},  {u"sup1", u"\u00B9"},   {u"ordm", u"\u00BA"},   {u"raquo", u"\u00BB"},
    {u"frac14", u"\u00BC"}, {u"frac12", u"\u00BD"}, {u"frac34", u"\u00BE"}, {u"iquest", u"\u00BF"},
    {u"Agrave", u"\u00C0"}, {u"Aacute", u"\u00C1"}, {u"Acirc", u"\u00C2"},  {u"Atilde", u"\u00C3"},
    {u"Auml", u"\u00C4"},   {u"Aring", u"\u00C5"},  {u"AElig", u"\u00C6"},  {u"Ccedil", u"\u00C7"},
    {u"Egrave", u"\u00C8"}, {u"Eacute", u"\u00C9"}, {u"Ecirc", u"\u00CA"},  {u"Euml", u"\u00CB"},
    {u"Igrave", u"\u00CC"}, {u"Iacute", u"\u00CD"}, {u"Icirc", u"\u00CE"},  {u"Iuml", u"\u00CF"},
    {u"ETH", u"\u00D0"},    {u"Ntilde", u"\u00D1"}, {u"Ograve", u"\u00D2"}, {u"Oacute", u"\u00D3"},
    {u"Ocirc", u"\u00D4"},  {u"Otilde", u"\u00D5"}, {u"Ouml", u"\u00D6"},   {u"times", u"\u00D7"},
    {u"Oslash", u"\u00D8"}, {u"Ugrave", u"\u00D9"}, {u"Uacute", u"\u00DA"}, {u"Ucirc", u"\u00DB"},
    {u"Uuml", u"\u00DC"},   {u"Yacute", u"\u00DD"}, {u"THORN", u"\u00DE"},  {u"szlig", u"\u00DF"},
    {u"agrave", u"\u00E0"}, {u"aacute", u"\u00E1"}, {u"acirc", u"\u00E2"},  {u"atilde", u"\u00E3"},
    {u"auml", u"\u00E4"},   {u"aring", u"\u00E5"},  {u"aelig", u"\u00E6"},  {u"ccedil", u"\u00E7"},
    {u"egrave", u"\u00E8"}, {u"eacute", u"\u00E9"}, {u"ecirc", u"\u00EA"},  {u"euml", u"\u00EB"},
    {u"igrave", u"\u00EC"}, {u"iacute", u"\u00ED"}, {u"icirc", u"\u00EE"},  {u"iuml", u"\u00EF"},
    {u"eth", u"\u00F0"},    {u"ntilde", u"\u00F1"}, {u"ograve", u"\u00F2"}, {u"oacute", u"\u00F3"},
    {u"ocirc", u"\u00F4"},  {u"otilde", u"\u00F5"}, {u"ouml", u"\u00F6"},   {u"divide", u"\u00F7"},
    {u"oslash", u"\u00F8"}, {u"ugrave", u"\u00F9"}, {u"uacute", u"\u00FA"}, {u"ucirc", u"\u00FB"},
    {u"uuml", u"\u00FC"},   {u"yacute", u"\u00FD"}, {u"thorn", u"\u00FE"},  {u"yuml", u"\u00FF"},
    {u"quot", u"\u0022"},   {u"amp", u"\u0026"},    {u"lt", u"\u003C"},     {u"gt", u"\u003E"},
    {u"OElig", u"\u0152"},  {u"oelig", u"\u0153"},  {u"Scaron", u"\u0160"}, {u"scaron", u"\u0161"},
    {u"Yuml", u"\u0178"},   {u"circ", u"\u02C6"},   {u"tilde", u"\u02DC"},  {u"ensp", u"\u2002"},
    {u"emsp", u"\u2003"},   {u"thinsp", u"\u2009"}, {u"zwnj", u"\u200C"},   {u"zwj", u"\u200D"},
    {u"lrm", u"\u200E"},    {u"rlm", u"\u200F"},    {u"ndash", u"\u2013"},  {u"mdash", u"\u2014"},
    {u"lsquo", u"\u2018"},  {u"rsquo", u"\u2019"},  {u"sbquo", u"\u201A"},  {u"ldquo", u"\u201C"},
    {u"rdquo", u"\u201D"},  {u"bdquo", u"\u201E"},  {u"dagger", u"\u2020"}, {u"Dagger", u"\u2021"},
    {u"permil", u"\u2030"}, {u"lsaquo", u"\u2039"}, {u"rsaquo", u"\u203A"}, {u"euro", u"\u20AC"},
}};

char16_t caretEscape(char16_t x)
{
    switch (x) {
    case u'Q':
        return u'"';
    case u'[':
        return u'\u201C';
    case u']':
        return u'\u201D';
    case u'{':
        return u'\u2018';
    case u'}':
        return u'\u2019';
    case u'C':
        return u'\u00A9';
    case u'R':
        return u'\u00AE';
    case u'T':
        return u'\u2122';
    case u'D':
        return u'\u00B0';
    case u'B':
        return u'\u2022';
    case u'#':
        return u'\u2318';
    case u'!':
        return u'\u00AC';
    case u'I':
        return u'\u2206';
    case u'S':
        return u'\u2211';
    case u'n':
        return u'\n';
    case u'r':
        return u'\r';
    default:
        return 0;
    }
}

char16_t backslashEscape(char16_t x)
{
    switch (x) {
    case u'"':
        return u'"';
    case u'n':
        return u'\n';
    case u'r':
        return u'\r';
    case u't':
        return u'\t';
    case u'b':
        return u'\b';
    default:
        return 0;
    }
}

QString expandEscapes(QStringView text)
{
    QString out;
    out.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if ((c != u'^' && c != u'\\') || i + 1 == n) {
            out.append(QChar(c));
            continue;
        }
        const char16_t x = text[i + 1].unicode();
        ++i;
        if (x == c) {
            out.append(QChar(c));
            continue;
        }
        const char16_t replacement = c == u'^' ? caretEscape(x) : backslashEscape(x);
        if (replacement != 0) {
            out.append(QChar(replacement));
        } else {
            out.append(QChar(c));
            out.append(QChar(x));
        }
    }
    return out;
}

int hexValue(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

// At text[pos] (just after "#{"): the replacement and the length of what it replaces after "#{",
// or 0 when the sequence stays as it is.
qsizetype expandEntityAt(QStringView text, qsizetype pos, QString &out)
{
    const QStringView rest = text.sliced(pos);
    for (const Entity &entity : entities) {
        const QStringView name(entity.name.data(), qsizetype(entity.name.size()));
        if (!rest.startsWith(name))
            continue;
        if (rest.size() > name.size() && rest[name.size()] == u'}') {
            out.append(QStringView(entity.text.data(), qsizetype(entity.text.size())));
            return name.size() + 1;
        }
        return 0;
    }
    qsizetype i = 0;
    if (rest.startsWith(u"U+"))
        i = 2;
    else if (rest.startsWith(u'u'))
        i = 1;
    const qsizetype digitsStart = i;
    unsigned value = 0;
    while (i < rest.size() && i - digitsStart < 4 && hexValue(rest[i].unicode()) >= 0)
        value = value * 16 + unsigned(hexValue(rest[i++].unicode()));
    if (i == digitsStart || i >= rest.size() || rest[i] != u'}')
        return 0;
    out.append(QChar(char16_t(value)));
    return i + 1;
}

QString expandEntities(const QString &text)
{
    if (!text.contains(u"#{"))
        return text;
    QString out;
    out.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (text[i] == u'#' && i + 1 < n && text[i + 1] == u'{' && n - (i + 2) >= 2) {
            const qsizetype used = expandEntityAt(text, i + 2, out);
            if (used > 0) {
                i += 1 + used;
                continue;
            }
        }
        out.append(text[i]);
    }
    return out;
}

} // namespace

QString EscapeExpander::expand(QStringView text)
{
    bool special = false;
    for (const QChar c : text) {
        if (c == u'^' || c == u'\\' || c == u'#') {
            special = true;
            break;
        }
    }
    if (!special)
        return text.toString();
    return expandEntities(expandEscapes(text));
}

int EscapeExpander::entityCount()
{
    return int(entities.size());
}

} // namespace basekit_private
