#include "components/scriptruntime/scriptara/scriptcontainer.h"

#include "components/scriptruntime/scriptara/engine.h"

#include <QFile>

namespace KnScript {

int ScriptContainer::compile(const Kernova::FileSpec &file)
{
    m_file = file;
    m_compiled = false;
    QFile input(file.path().toQString());
    if (!input.open(QIODevice::ReadOnly)) {
        m_error = Kernova::String(QStringLiteral("cannot read ") + file.path().toQString());
        return 0;
    }
    if (input.size() > kMaxScriptSize) {
        m_error = Kernova::String(QStringLiteral("script too large: ") + file.path().toQString());
        return 0;
    }
    m_source = QString::fromUtf8(input.readAll());
    m_compiled = true;
    m_error = Kernova::String();
    return 1;
}

bool ScriptContainer::execute(Engine &engine)
{
    if (!m_compiled)
        return false;
    if (engine.evaluate(Kernova::String(m_source), nullptr, m_file.path()))
        return true;
    m_error = engine.getLastError(true).message;
    return false;
}

} // namespace KnScript
