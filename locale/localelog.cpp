#include "locale/localelog.h"

Q_LOGGING_CATEGORY(lcLocale, "tessaly.locale", QtWarningMsg)
