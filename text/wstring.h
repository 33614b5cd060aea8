#pragma once

#include <cstdarg>
#include <cstddef>

// Owning UTF-16 string. The only field is a pointer to an exact-size heap block
// holding the text and its terminating zero; the empty value is the null pointer,
// so an empty text never owns a block.
class WString {
public:
    WString() = default;
    explicit WString(const wchar_t* text);
    WString(const WString& other);
    WString& operator=(const WString& other);
    ~WString();

    void Assign(const wchar_t* text);
    void Assign(const WString& other);
    void Append(const wchar_t* text);
    void Append(const WString& other);
    void Clear();

    // The held text, or a static empty literal for the empty value.
    const wchar_t* Text() const;
    bool IsEmpty() const;
    size_t Length() const;

    // printf-style formatting with Microsoft's wide semantics: %s takes a UTF-16
    // string and %c a UTF-16 character. A result longer than the 1023-character
    // work buffer is cut there. When nothing is written the value stays unchanged.
    void Format(const wchar_t* format, ...);
    void FormatV(const wchar_t* format, va_list arguments);
    void FormatResString(unsigned id, ...);

private:
    wchar_t* text_ = nullptr;
};
