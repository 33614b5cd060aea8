#include "app/message_box_question.h"

#include <windows.h>

#include "text/wstring.h"

bool MessageBoxQuestion::Ask(const wchar_t* question) {
    // Joined, not formatted: a question can be longer than a formatted text.
    WString prompt(question);
    prompt.Append(L" [y/n]? ");
    log_.Write(OutputStream::Out, prompt.Text());
    // A program started without a window of its own would open its box behind
    // the window in front.
    const bool yes = MessageBoxW(nullptr, question, L"Kelvane", MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND) == IDYES;
    log_.Write(OutputStream::Out, yes ? L"y\n" : L"n\n");
    return yes;
}
