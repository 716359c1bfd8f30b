#include "source/launcherimagestore.h"

#include "source/launcherpaths.h"
#include "source/launcherpixmapsexception.h"

#include <QFileInfo>
#include <QImageReader>

namespace {

LauncherImageStore *s_instance = nullptr;

constexpr std::array<const char *, ChromeImageCount> ImageFiles = {
    "common/PXO_AppIcon_Md.png",
    "common/PXO_AppIcon_Large.png",
    "common/E_DialogFrameLL_NoGrip.png",
    "common/E_DialogFrameLR_NoGrip.png",
    "common/E_DialogFrameBottom_NoGrip.png",
    "common/E_DialogFrameLeft.png",
    "common/E_DialogFrameRight.png",
    "common/E_DrpDwnArrow_N.png",
    "common/E_DrpDwnArrow_R.png",
    "common/E_DrpDwnArrow_DN.png",
    "common/E_DialogFrameTop.png",
    "common/E_DialogFrameUL.png",
    "common/E_DialogFrameUR.png",
    "widgets/E_WinClose_N.png",
    "widgets/E_WinClose_R.png",
    "widgets/E_WinClose_DN.png",
};

constexpr std::array<const char *, WindowMaskCount> MaskFiles = {
    "common/E_WinFrameUL_Mask.bmp",
    "common/E_WinFrameUR_Mask.bmp",
    "common/E_WinFrameLL_Mask.bmp",
    "common/E_WinFrameLR_Mask.bmp",
};

// Reads an image in the format its suffix names. Qt's own detection asks every image plugin
// whether it can read the file, loading each of them; the files here are in formats Qt reads
// without a plugin. A file whose content is not in the format its name says is read with
// detection after all.
bool loadInto(QImage *image, const QString &path)
{
    QImageReader reader(path, QFileInfo(path).suffix().toLower().toLatin1());
    reader.setAutoDetectImageFormat(false);
    if (reader.read(image))
        return true;
    return image->load(path);
}

bool loadInto(QBitmap *bitmap, const QString &path)
{
    QImage image;
    if (!loadInto(&image, path))
        return false;
    *bitmap = QBitmap::fromImage(image);
    return !bitmap->isNull();
}

template<typename T, std::size_t N>
const T &loadSlot(std::array<std::unique_ptr<T>, N> &slotArray, int index, const QString &fileName,
                  bool *ok)
{
    static const T empty;
    if (index < 0 || index >= int(N)) {
        if (ok)
            *ok = false;
        return empty;
    }
    auto &slot = slotArray[std::size_t(index)];
    bool loaded = true;
    if (!slot) {
        slot = std::make_unique<T>();
        loaded = loadInto(slot.get(), LauncherPaths::bitmapsDirectory() + fileName);
    }
    if (ok)
        *ok = loaded;
    return *slot;
}

} // namespace

LauncherImageStore::LauncherImageStore()
{
    // The members own what was loaded, so a throw below frees it all.
    for (int i = 0; i < ChromeImageCount; ++i) {
        bool ok = false;
        image(i, &ok);
        if (!ok)
            throw LauncherPixmapsException(QStringLiteral("Image file not found: ") +
                                           imageFileName(i));
    }
    for (int i = 0; i < WindowMaskCount; ++i) {
        bool ok = false;
        mask(i, &ok);
        if (!ok)
            throw LauncherPixmapsException(QStringLiteral("Mask file not found: ") +
                                           maskFileName(i));
    }
    s_instance = this;
}

LauncherImageStore::~LauncherImageStore()
{
    if (s_instance == this)
        s_instance = nullptr;
}

const QImage &LauncherImageStore::image(int index, bool *ok)
{
    return loadSlot(m_images, index, imageFileName(index), ok);
}

const QBitmap &LauncherImageStore::mask(int index, bool *ok)
{
    return loadSlot(m_masks, index, maskFileName(index), ok);
}

LauncherImageStore *LauncherImageStore::instance()
{
    return s_instance;
}

QImage LauncherImageStore::chromeImage(int index)
{
    return s_instance != nullptr ? s_instance->image(index) : QImage();
}

QString LauncherImageStore::imageFileName(int index)
{
    if (index < 0 || index >= ChromeImageCount)
        return QString();
    return QString::fromLatin1(ImageFiles[std::size_t(index)]);
}

QString LauncherImageStore::maskFileName(int index)
{
    if (index < 0 || index >= WindowMaskCount)
        return QString();
    return QString::fromLatin1(MaskFiles[std::size_t(index)]);
}
