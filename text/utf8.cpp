#include "text/utf8.h"

#include <windows.h>

namespace {

// Strict (WC_ERR_INVALID_CHARS) or lenient (0); false when a strict conversion meets what it cannot convert.
bool Encode(const wchar_t* text, size_t length, DWORD flags, std::string& utf8) {
    utf8.clear();
    if (length == 0) {
        return true;
    }
    const int units = static_cast<int>(length);
    const int bytes = WideCharToMultiByte(CP_UTF8, flags, text, units, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) {
        return false;
    }
    utf8.resize(static_cast<size_t>(bytes));
    return WideCharToMultiByte(CP_UTF8, flags, text, units, &utf8[0], bytes, nullptr, nullptr) == bytes;
}

}  // namespace

bool ToUtf8(const std::wstring& text, std::string& utf8) {
    return Encode(text.data(), text.size(), WC_ERR_INVALID_CHARS, utf8);
}

std::string EncodeUtf8(const wchar_t* text, size_t length) {
    std::string utf8;
    return Encode(text, length, 0, utf8) ? utf8 : std::string();
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
