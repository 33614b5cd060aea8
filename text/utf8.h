#pragma once

#include <string>

// Exact conversions between the program's UTF-16 and the UTF-8 of the layout
// file: a text that does not convert both ways unchanged (a lone surrogate, an
// ill-formed byte sequence) is refused rather than patched with replacement
// characters, so that a name read back is the name written.
[[nodiscard]] bool ToUtf8(const std::wstring& text, std::string& utf8);
[[nodiscard]] bool FromUtf8(const std::string& utf8, std::wstring& text);
