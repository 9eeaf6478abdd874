#include "logging.h"

// Critical is the lowest level on by default: debug and warning lines wait to be switched on.
Q_LOGGING_CATEGORY(lcStore, "norvo.store", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcUpgrade, "norvo.upgrade", QtCriticalMsg)
