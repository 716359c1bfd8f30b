// The entry point of libTessalyPIPDialog.so, which TessalyPIP loads when it shows its dialog.

#include "components/pip/optindialog.h"

#include <QApplication>

extern "C" __attribute__((visibility("default"))) int32_t
tessalyPipRunOptInDialog(const char16_t *title, const char16_t *folder, int32_t current)
{
    OptInDialog dialog(title ? QString::fromUtf16(title) : QString(),
                       folder ? QString::fromUtf16(folder) : QString(), current,
                       QApplication::activeWindow());
    if (dialog.exec() != QDialog::Accepted)
        return -1;
    return dialog.choice();
}
