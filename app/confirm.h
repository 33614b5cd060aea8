#pragma once

#include "text/seam.h"

// The key read returns this code unit when there is no console input to read.
constexpr wchar_t kNoConsoleKey = 0xFFFF;

// The console beneath the yes-or-no question and the menu; tests replace it.
class KeyboardInput : public Seam<KeyboardInput> {
public:
    static KeyboardInput& Real();
    virtual ~KeyboardInput() = default;
    virtual wchar_t ReadKey() = 0;
    virtual void Beep() = 0;
};

// Waits for one key press without echo and without Enter. Extended keys come as
// two code units (0 or 0xE0, then the scan code); Ctrl+C is the code unit 3.
[[nodiscard]] wchar_t ReadKeyNoEcho();

// Where a yes-or-no question is put: at the console unless another is in force
// (the windowless program puts it in a message box).
class QuestionPrompt : public Seam<QuestionPrompt> {
public:
    static QuestionPrompt& Real();
    virtual ~QuestionPrompt() = default;
    virtual bool Ask(const wchar_t* question) = 0;
};

// Asks the question where QuestionPrompt puts it; true for yes. At the console
// it prints "<question> [y/n]? " and waits for y or n, beeping at every other
// key; without console input it counts as no and says how to answer yes
// without one.
[[nodiscard]] bool AskYesNo(const wchar_t* question);
