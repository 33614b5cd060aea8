#pragma once

#include <string>

#include "app/console_output.h"

// Collects what the code under test prints, per stream, for the test's lifetime.
class CapturedOutput : public OutputSink {
public:
    void Write(OutputStream stream, const wchar_t* text) override { (stream == OutputStream::Out ? out : err) += text; }

    std::wstring out;
    std::wstring err;

private:
    OutputSink::Scope installed_{this};
};
