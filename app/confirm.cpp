#include "app/confirm.h"

#include <windows.h>
#include <conio.h>

#include "app/console_output.h"
#include "text/wstring.h"

namespace {

class ConsoleKeyboard : public KeyboardInput {
public:
    wchar_t ReadKey() override {
        // Only a console gives keys. A redirected or closed standard input (a
        // script, a scheduled task) has none, and the runtime's read would then
        // fall back to the console device or fail depending on the platform.
        HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
        DWORD previousMode = 0;
        if (input == nullptr || input == INVALID_HANDLE_VALUE || !GetConsoleMode(input, &previousMode)) {
            return kNoConsoleKey;
        }
        // Raw mode for the read, so Ctrl+C is an ordinary key and nothing echoes.
        SetConsoleMode(input, 0);
        const wint_t key = _getwch();
        SetConsoleMode(input, previousMode);
        return static_cast<wchar_t>(key);
    }

    void Beep() override { MessageBeep(0xFFFFFFFF); }
};

// Keeps the console input raw for a whole question, so that Ctrl+C is a key like
// any other: also when it is typed between two reads (while a refused key beeps),
// and on consoles that turn it into a signal whatever the mode, as a terminal
// under Wine does.
class RawConsoleInput {
public:
    RawConsoleInput() : input_(GetStdHandle(STD_INPUT_HANDLE)) {
        held_ = input_ != nullptr && input_ != INVALID_HANDLE_VALUE && GetConsoleMode(input_, &previousMode_) &&
                SetConsoleMode(input_, 0);
        if (held_) SetConsoleCtrlHandler(nullptr, TRUE);
    }
    RawConsoleInput(const RawConsoleInput&) = delete;
    RawConsoleInput& operator=(const RawConsoleInput&) = delete;
    ~RawConsoleInput() {
        if (held_) {
            SetConsoleMode(input_, previousMode_);
            SetConsoleCtrlHandler(nullptr, FALSE);
        }
    }

private:
    HANDLE input_;
    DWORD previousMode_ = 0;
    bool held_ = false;
};

class ConsoleQuestion : public QuestionPrompt {
public:
    bool Ask(const wchar_t* question) override;
};

}  // namespace

KeyboardInput& KeyboardInput::Real() {
    static ConsoleKeyboard console;
    return console;
}

wchar_t ReadKeyNoEcho() { return KeyboardInput::Current().ReadKey(); }

bool ConsoleQuestion::Ask(const wchar_t* question) {
    // Joined, not formatted: a formatted text is cut at 1023 characters, and a
    // question can list many names or a long path.
    WString prompt(question);
    prompt.Append(L" [y/n]? ");
    PrintText(OutputStream::Out, prompt.Text());
    const RawConsoleInput rawInput;
    for (;;) {
        const wchar_t key = ReadKeyNoEcho();
        if (key == L'y' || key == L'Y') {
            PrintText(OutputStream::Out, L"y\n");
            return true;
        }
        if (key == L'n' || key == L'N') {
            PrintText(OutputStream::Out, L"n\n");
            return false;
        }
        if (key == kNoConsoleKey) {
            PrintText(OutputStream::Out, L"n\n");
            PrintText(OutputStream::Err,
                      L"No console input to answer the question: nothing was changed. Use /y to answer yes without a "
                      L"console.\n");
            return false;
        }
        KeyboardInput::Current().Beep();
    }
}

QuestionPrompt& QuestionPrompt::Real() {
    static ConsoleQuestion console;
    return console;
}

bool AskYesNo(const wchar_t* question) { return QuestionPrompt::Current().Ask(question); }
