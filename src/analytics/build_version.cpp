#include "analytics/build_version.h"

wchar_t g_buildVersion[32] = {};
