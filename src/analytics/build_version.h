// The client build string read from version.ini at start-up.
#pragma once

extern wchar_t g_buildVersion[32];
