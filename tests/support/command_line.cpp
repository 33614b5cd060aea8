#include "support/command_line.h"

namespace {

void AppendQuoted(std::wstring& commandLine, const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        commandLine += argument;
        return;
    }

    // Backslashes are literal unless they precede a quote; there they escape
    // each other, so a run of them before a quote (or before the closing
    // quote) is doubled.
    commandLine += L'"';
    size_t backslashes = 0;
    for (const wchar_t character : argument) {
        if (character == L'\\') {
            ++backslashes;
            continue;
        }
        if (character == L'"') {
            commandLine.append(backslashes * 2 + 1, L'\\');
        } else {
            commandLine.append(backslashes, L'\\');
        }
        backslashes = 0;
        commandLine += character;
    }
    commandLine.append(backslashes * 2, L'\\');
    commandLine += L'"';
}

}  // namespace

std::wstring BuildCommandLine(const std::wstring& exePath, const std::vector<std::wstring>& args) {
    // The program name is split by different rules (no escapes at all), and
    // a path cannot contain quotes: quoting it whole is always right.
    std::wstring commandLine = L"\"" + exePath + L"\"";
    for (const std::wstring& argument : args) {
        commandLine += L' ';
        AppendQuoted(commandLine, argument);
    }
    return commandLine;
}
