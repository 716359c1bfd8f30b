#pragma once

#include <QString>
#include <QStringView>

namespace basekit_private {

// Expands the escapes ("^R", "\n", "^^", ...) and then the entities ("#{copy}", "#{endl}",
// "#{U+2022}", ...) of a dictionary value or default text. Texts of binary dictionaries are
// stored already expanded and do not come here.
class EscapeExpander
{
public:
    static QString expand(QStringView text);

    // The number of named entities ("endl", "tab", "cr", "lf" and the HTML 4.01 Latin-1 and
    // special sets).
    static int entityCount();
};

} // namespace basekit_private
