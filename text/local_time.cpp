#include "text/local_time.h"

WString LocalTimeText(const FILETIME& utc) {
    SYSTEMTIME universal = {};
    SYSTEMTIME local = {};
    (void)FileTimeToSystemTime(&utc, &universal);
    (void)SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local);
    WString text;
    text.Format(L"%04u-%02u-%02u %02u:%02u:%02u", local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute,
                local.wSecond);
    return text;
}
