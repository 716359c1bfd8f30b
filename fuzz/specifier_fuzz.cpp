// Target specifiers come from other processes' messages, from scripts and from command lines.
// Beside not crashing, the parser must keep its own invariants for any text.

#include "crosswire/cwconnectorappinfolist.h"
#include "crosswire/specifier.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using KnObjects::CWConnectorAppInfo;
using KnObjects::CWConnectorAppInfoList;
using KnObjects::Crosswire::Specifier;

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

bool sameParts(const Specifier &a, const Specifier &b)
{
    return a.application() == b.application() && a.instance() == b.instance() &&
           a.version() == b.version() && a.locale() == b.locale() && a.endpoint() == b.endpoint();
}

const CWConnectorAppInfoList &installed()
{
    static const CWConnectorAppInfoList list = [] {
        CWConnectorAppInfoList records;
        records.add(CWConnectorAppInfo("pxoorganizer-11.0", "/o"));
        records.add(CWConnectorAppInfo("pxoorganizer-10.2-de_de", "/o10"));
        records.add(CWConnectorAppInfo("pxoeditor-11.0-en_us", "/e"));
        CWConnectorAppInfo loopA("loopa-1.0");
        loopA.setValue(CWConnectorAppInfo::RedirectTo, "loopb-1.0");
        CWConnectorAppInfo loopB("loopb-1.0");
        loopB.setValue(CWConnectorAppInfo::RedirectTo, "loopa-1.0");
        records.add(loopA);
        records.add(loopB);
        return records;
    }();
    return list;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray text(reinterpret_cast<const char *>(data), qsizetype(size));
    const Specifier spec(text);
    check(spec.isValid() == (!text.isEmpty() && text.size() < Specifier::kMaxLength));
    if (!spec.isValid())
        return 0;
    check(spec.text() == text.toLower());
    check(!spec.application().contains('-') && !spec.application().contains('_') &&
          !spec.application().contains('#'));
    check(!spec.instance().contains('-') && !spec.instance().contains('#'));
    check(!spec.version().contains('-') && !spec.version().contains('#'));
    check(spec.version().isEmpty() || (spec.version()[0] >= '0' && spec.version()[0] <= '9'));
    check(!spec.locale().contains('#'));

    // Parsing is idempotent, and a rebuilt text reads back as the same parts.
    check(Specifier(spec.text()).text() == spec.text());
    Specifier rebuilt = spec;
    rebuilt.setApplication(spec.application());
    check(rebuilt.text().size() <= spec.text().size());
    check(sameParts(Specifier(rebuilt.text()), rebuilt));

    // Normalising keeps the caller's endpoint suffix and never grows past the limit; lookups
    // end, redirection cycles included.
    const CWConnectorAppInfoList running;
    const QByteArray normal = CWConnectorAppInfoList::normalize(text, installed(), running);
    check(!normal.isEmpty());
    check(Specifier(normal).endpoint() == spec.endpoint());
    (void)installed().find(text);
    (void)installed().find(normal);
    return 0;
}
