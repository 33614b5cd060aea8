#include "app/timestamped_output.h"

#include <windows.h>

#include <string>

#include "text/local_time.h"
#include "text/wstring.h"

namespace {

size_t StreamIndex(OutputStream stream) { return stream == OutputStream::Out ? 0 : 1; }

WString LocalTimestamp() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    WString stamp = LocalTimeText(now);
    stamp.Append(L" ");
    return stamp;
}

}  // namespace

void TimestampedOutput::Write(OutputStream stream, const wchar_t* text) {
    bool& atLineStart = atLineStart_[StreamIndex(stream)];
    std::wstring stamped;
    for (const wchar_t* unit = text; *unit != L'\0'; ++unit) {
        if (atLineStart && stamps_) {
            stamped += LocalTimestamp().Text();
            atLineStart = false;
        }
        stamped += *unit;
        atLineStart = *unit == L'\n';
    }
    target_.Write(stream, stamped.c_str());
}

void TimestampedOutput::EndOpenLines() {
    for (OutputStream stream : {OutputStream::Out, OutputStream::Err}) {
        if (!atLineStart_[StreamIndex(stream)]) {
            Write(stream, L"\n");
        }
    }
}
