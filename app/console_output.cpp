#include "app/console_output.h"

#include <windows.h>

#include <cwchar>
#include <string>

#include "text/utf8.h"
#include "text/wstring.h"

namespace {

class StandardStreams : public OutputSink {
public:
    void Write(OutputStream stream, const wchar_t* text) override {
        HANDLE handle = GetStdHandle(stream == OutputStream::Out ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
        if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
            return;
        }
        const int length = static_cast<int>(std::wcslen(text));
        if (length == 0) {
            return;
        }
        DWORD mode = 0;
        if (GetConsoleMode(handle, &mode)) {
            DWORD written = 0;
            WriteConsoleW(handle, text, static_cast<DWORD>(length), &written, nullptr);
            return;
        }
        // Redirected: files and pipes get UTF-8.
        const std::string utf8 = EncodeUtf8(text, static_cast<size_t>(length));
        DWORD written = 0;
        WriteFile(handle, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
    }
};

}  // namespace

OutputSink& OutputSink::Real() {
    static StandardStreams standardStreams;
    return standardStreams;
}

void PrintText(OutputStream stream, const wchar_t* text) {
    OutputSink::Current().Write(stream, text != nullptr ? text : L"");
}

void Print(OutputStream stream, const wchar_t* format, ...) {
    WString text;
    va_list arguments;
    va_start(arguments, format);
    text.FormatV(format, arguments);
    va_end(arguments);
    PrintText(stream, text.Text());
}
