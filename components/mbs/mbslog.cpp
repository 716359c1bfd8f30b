#include "components/mbs/mbslog.h"

Q_LOGGING_CATEGORY(lcMbsComponent, "tessaly.components.mbs", QtWarningMsg)
