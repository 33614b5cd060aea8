#pragma once

#include <cstdarg>

#include "text/seam.h"

enum class OutputStream { Out, Err };

// Where the program's text goes. The default writes to the process's standard
// streams: UTF-16 to a console, UTF-8 to a file or pipe, unbuffered either way so
// that a prompt is on the screen before a key is read. Tests install their own.
class OutputSink : public Seam<OutputSink> {
public:
    static OutputSink& Real();
    virtual ~OutputSink() = default;
    virtual void Write(OutputStream stream, const wchar_t* text) = 0;
};

// Writes text as it stands: never read as a format.
void PrintText(OutputStream stream, const wchar_t* text);

// Formats with the program's own format (see WString::Format), then writes.
void Print(OutputStream stream, const wchar_t* format, ...);
