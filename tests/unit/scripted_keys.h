#pragma once

#include <string>

#include "app/confirm.h"

// Keys the test types, and the beeps they cause, for the test's lifetime.
class ScriptedKeys : public KeyboardInput {
public:
    explicit ScriptedKeys(std::wstring keys) : keys_(std::move(keys)) {}

    wchar_t ReadKey() override {
        // Past the script there is no console input left.
        return next_ < keys_.size() ? keys_[next_++] : kNoConsoleKey;
    }
    void Beep() override { ++beeps; }

    int beeps = 0;
    size_t KeysRead() const { return next_; }

private:
    std::wstring keys_;
    size_t next_ = 0;
    KeyboardInput::Scope installed_{this};
};
