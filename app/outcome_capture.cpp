#include "app/outcome_capture.h"

void OutcomeCapture::Write(OutputStream stream, const wchar_t* text) {
    target_.Write(stream, text);
    std::wstring& line = openLine_[stream == OutputStream::Out ? 0 : 1];
    for (const wchar_t* at = text; *at != L'\0'; ++at) {
        if (*at != L'\n') {
            line += *at;
            continue;
        }
        if (stream == OutputStream::Err) {
            if (failure_.empty()) failure_ = line;
        } else if (!bannerPassed_) {
            bannerPassed_ = true;
        } else if (!line.empty()) {
            summary_ = line;
        }
        line.clear();
    }
}
