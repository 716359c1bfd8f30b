// The C entry points of libTessalyPIP.so over PipClient.

#include "components/pip/pipclient.h"
#include "components/pip/tessalypip.h"

namespace {

QString text(const char16_t *utf16)
{
    return utf16 ? QString::fromUtf16(utf16) : QString();
}

} // namespace

extern "C" {

TESSALY_PIP_EXPORT int32_t TessalyPIPInitializeW(
    const char16_t *product, const char16_t *productCode, const char16_t *majorVersion,
    const char16_t *fullVersion, const char16_t *locale, int32_t startMode, int32_t /*reserved*/,
    const char16_t *libraryFolder, const char16_t *productLineId)
{
    PipClient::Identity identity;
    identity.product = text(product);
    identity.productCode = text(productCode);
    identity.majorVersion = text(majorVersion);
    identity.fullVersion = text(fullVersion);
    identity.locale = text(locale);
    identity.startMode = startMode;
    identity.libraryFolder = text(libraryFolder);
    identity.productLineId = text(productLineId);
    return PipClient::instance().initialize(identity);
}

TESSALY_PIP_EXPORT int32_t TessalyPIPSetProductDisplayNameW(const char16_t *const *names,
                                                            int32_t count, int32_t listMode)
{
    if (count < 0 || (count > 0 && !names))
        return TPIP_E_INVALID_ARGUMENT;
    QStringList list;
    for (int32_t i = 0; i < count; ++i)
        list.append(text(names[i]));
    return PipClient::instance().setDisplayNames(list, listMode);
}

TESSALY_PIP_EXPORT int32_t TessalyPIPTerminate(void)
{
    return PipClient::instance().terminate();
}

TESSALY_PIP_EXPORT UTLogHandle TessalyPIPGetLogHandle(void)
{
    return PipClient::instance().logHandle();
}

TESSALY_PIP_EXPORT int32_t TessalyPIPDisplayOptInOutDialog(void)
{
    return PipClient::instance().displayOptInOutDialog();
}

TESSALY_PIP_EXPORT int32_t TessalyPIPEnableCrashDetection(int32_t enable)
{
    return PipClient::instance().enableCrashDetection(enable != 0);
}

} // extern "C"
