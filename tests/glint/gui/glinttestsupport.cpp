#include "tests/glint/gui/glinttestsupport.h"

QString moviePath(const QString &name)
{
    return QStringLiteral(TESSALY_SOURCE_DIR "/tests/glint/movies/") + name;
}
