#pragma once

#include <cstddef>
#include <string>

// Exact conversions between the program's UTF-16 and the UTF-8 of the layout
// file: a text that does not convert both ways unchanged (a lone surrogate, an
// ill-formed byte sequence) is refused rather than patched with replacement
// characters, so that a name read back is the name written.
[[nodiscard]] bool ToUtf8(const std::wstring& text, std::string& utf8);
[[nodiscard]] bool FromUtf8(const std::string& utf8, std::wstring& text);

// UTF-16 text as UTF-8 for a reader, the encoding of everything the program
// prints to a file or a pipe: what cannot be converted becomes a replacement
// character rather than losing the line.
[[nodiscard]] std::string EncodeUtf8(const wchar_t* text, size_t length);
