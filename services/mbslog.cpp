#include "services/mbslog.h"

Q_LOGGING_CATEGORY(lcMbs, "tessaly.services.mbs", QtWarningMsg)
