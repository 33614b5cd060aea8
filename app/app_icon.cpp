#include "app/app_icon.h"

HICON LoadAppIcon(int width) {
    HICON icon = static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(KELVANE_ICON_ID), IMAGE_ICON, width, width, 0));
    return icon != nullptr ? icon : CopyIcon(LoadIconW(nullptr, IDI_APPLICATION));
}
