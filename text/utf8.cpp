#include "text/utf8.h"

#include <windows.h>

bool ToUtf8(const std::wstring& text, std::string& utf8) {
    utf8.clear();
    if (text.empty()) {
        return true;
    }
    const int length = static_cast<int>(text.size());
    const int bytes =
        WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) {
        return false;
    }
    utf8.resize(static_cast<size_t>(bytes));
    return WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.data(), length, &utf8[0], bytes, nullptr, nullptr) ==
           bytes;
}

bool FromUtf8(const std::string& utf8, std::wstring& text) {
    text.clear();
    if (utf8.empty()) {
        return true;
    }
    const int length = static_cast<int>(utf8.size());
    const int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), length, nullptr, 0);
    if (units <= 0) {
        return false;
    }
    text.resize(static_cast<size_t>(units));
    return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), length, &text[0], units) == units;
}
