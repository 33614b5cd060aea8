#include "text/wstring.h"

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <limits>
#include <new>

#include "text/res_string.h"

namespace {

constexpr size_t kFormatBufferLength = 1024;

// A length whose byte size would overflow turns into a request for the largest
// size, which fails like any other allocation failure.
wchar_t* AllocateText(size_t length) {
    const size_t maxLength = std::numeric_limits<size_t>::max() / sizeof(wchar_t) - 1;
    const size_t bytes = length > maxLength ? std::numeric_limits<size_t>::max() : (length + 1) * sizeof(wchar_t);
    return static_cast<wchar_t*>(::operator new(bytes));
}

wchar_t* CopyText(const wchar_t* text) {
    if (text == nullptr || text[0] == L'\0') {
        return nullptr;
    }
    const size_t length = std::wcslen(text);
    wchar_t* block = AllocateText(length);
    std::memcpy(block, text, (length + 1) * sizeof(wchar_t));
    return block;
}

}  // namespace

WString::WString(const wchar_t* text) : text_(CopyText(text)) {}

WString::WString(const WString& other) : text_(CopyText(other.text_)) {}

WString& WString::operator=(const WString& other) {
    Assign(other);
    return *this;
}

WString::~WString() { Clear(); }

void WString::Assign(const wchar_t* text) {
    // Copy first: the text may lie inside our own block.
    wchar_t* copy = CopyText(text);
    Clear();
    text_ = copy;
}

void WString::Assign(const WString& other) {
    if (&other != this) {
        Assign(other.text_);
    }
}

void WString::Append(const wchar_t* text) {
    if (text == nullptr || text[0] == L'\0') {
        return;
    }
    const size_t currentLength = Length();
    const size_t addedLength = std::wcslen(text);
    wchar_t* block = AllocateText(currentLength + addedLength);
    if (text_ != nullptr) {
        std::memcpy(block, text_, currentLength * sizeof(wchar_t));
    }
    std::memcpy(block + currentLength, text, (addedLength + 1) * sizeof(wchar_t));
    // The old block goes only after the copy, so appending our own text works.
    ::operator delete(text_);
    text_ = block;
}

void WString::Append(const WString& other) { Append(other.Text()); }

void WString::Clear() {
    ::operator delete(text_);
    text_ = nullptr;
}

const wchar_t* WString::Text() const { return text_ != nullptr ? text_ : L""; }

bool WString::IsEmpty() const { return text_ == nullptr || text_[0] == L'\0'; }

size_t WString::Length() const { return text_ != nullptr ? std::wcslen(text_) : 0; }

void WString::Format(const wchar_t* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    FormatV(format, arguments);
    va_end(arguments);
}

void WString::FormatV(const wchar_t* format, va_list arguments) {
    wchar_t buffer[kFormatBufferLength];
    buffer[kFormatBufferLength - 1] = L'\0';
    // The Microsoft runtime's _vsnwprintf, whatever printf flavour the compiler
    // prefers: every format of the program reads %s and %c as UTF-16.
    int count = _vsnwprintf(buffer, kFormatBufferLength - 1, format, arguments);
    if (count < 0 && std::wcslen(buffer) == kFormatBufferLength - 1) {
        count = static_cast<int>(kFormatBufferLength - 1);  // cut to the buffer
    }
    if (count <= 0) {
        return;
    }
    // Formatting is complete, so our own text may have been one of the arguments.
    Clear();
    text_ = CopyText(buffer);
}

void WString::FormatResString(unsigned id, ...) {
    const wchar_t* format = LoadResString(id);
    va_list arguments;
    va_start(arguments, id);
    FormatV(format, arguments);
    va_end(arguments);
}
