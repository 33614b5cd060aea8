#include "text/ascii_case.h"

namespace {

wchar_t FoldAscii(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + (L'a' - L'A')) : c; }

}  // namespace

bool EqualsIgnoringAsciiCase(const wchar_t* left, const wchar_t* right) {
    if (left == nullptr) left = L"";
    if (right == nullptr) right = L"";
    for (;; ++left, ++right) {
        if (FoldAscii(*left) != FoldAscii(*right)) {
            return false;
        }
        if (*left == L'\0') {
            return true;
        }
    }
}
