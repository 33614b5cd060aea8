#pragma once

#include <windows.h>

#include "text/wstring.h"

// A moment given in UTC, as the local time "YYYY-MM-DD HH:MM:SS".
WString LocalTimeText(const FILETIME& utc);
