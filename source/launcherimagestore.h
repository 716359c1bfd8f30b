#pragma once

#include <QBitmap>
#include <QImage>

#include <array>
#include <memory>

// Indices of the chrome images (files below the bitmaps folder).
enum ChromeImage : int {
    AppIconMedium = 0,
    AppIconLarge = 1,
    DialogFrameLowerLeft = 2,
    DialogFrameLowerRight = 3,
    DialogFrameBottom = 4,
    DialogFrameLeft = 5,
    DialogFrameRight = 6,
    DropDownArrowNormal = 7,
    DropDownArrowHover = 8,
    DropDownArrowPressed = 9,
    DialogFrameTop = 10,
    DialogFrameUpperLeft = 11,
    DialogFrameUpperRight = 12,
    WinCloseNormal = 13,
    WinCloseHover = 14,
    WinClosePressed = 15,
    ChromeImageCount = 16
};

// Indices of the window-mask bitmaps.
enum WindowMask : int {
    WinFrameUpperLeftMask = 0,
    WinFrameUpperRightMask = 1,
    WinFrameLowerLeftMask = 2,
    WinFrameLowerRightMask = 3,
    WindowMaskCount = 4
};

// The images of the launcher's window chrome, loaded once at start-up from the bitmaps folder.
// Construction loads all 16 images and 4 masks, in index order, and throws
// LauncherPixmapsException naming the first file that is missing; nothing survives a failed
// construction. The store that was constructed last and still lives is the application-wide one.
class LauncherImageStore
{
public:
    LauncherImageStore();
    ~LauncherImageStore();
    LauncherImageStore(const LauncherImageStore &) = delete;
    LauncherImageStore &operator=(const LauncherImageStore &) = delete;

    // The image of a slot, loaded on first use; a null image for a bad index or a failed load.
    const QImage &image(int index, bool *ok = nullptr);
    const QBitmap &mask(int index, bool *ok = nullptr);

    static LauncherImageStore *instance();
    // The application-wide store's image, or a null image when there is no store.
    static QImage chromeImage(int index);

    // Relative file names of the slots ("common/PXO_AppIcon_Md.png"); empty for a bad index.
    static QString imageFileName(int index);
    static QString maskFileName(int index);

private:
    std::array<std::unique_ptr<QImage>, ChromeImageCount> m_images;
    std::array<std::unique_ptr<QBitmap>, WindowMaskCount> m_masks;
};
