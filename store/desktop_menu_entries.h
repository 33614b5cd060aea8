#pragma once

#include <vector>

#include "text/wstring.h"

// The entries of the menu of the desktop's background for the current user:
// one subkey each, whose "command" subkey's default value is the command line
// the entry runs.
constexpr wchar_t kDesktopMenuKey[] = L"Software\\Classes\\DesktopBackground\\Shell";

// An entry that `menu /install` adds: its subkey, the text the menu shows and
// the arguments it runs the program with.
struct KelvaneMenuEntry {
    const wchar_t* key;
    const wchar_t* text;
    const wchar_t* arguments;
};
inline constexpr KelvaneMenuEntry kKelvaneMenuEntries[] = {
    {L"KelvaneSave", L"Save icon layout", L"save /y"},
    {L"KelvaneRestore", L"Restore icon layout", L"restore /y"},
    {L"KelvaneUndo", L"Undo icon layout restore", L"undo /y"},
};

// The command line an entry runs the program with.
[[nodiscard]] WString MenuEntryCommand(const KelvaneMenuEntry& entry, const wchar_t* programPath);

// Writes the entry for the program, with the program's icon, replacing one
// written before; false when the registry refused.
[[nodiscard]] bool WriteMenuEntry(const KelvaneMenuEntry& entry, const wchar_t* programPath);

// Removes the entry and everything under it; `removed` says whether it was
// there. False when the registry refused.
[[nodiscard]] bool RemoveMenuEntry(const KelvaneMenuEntry& entry, bool& removed);

// The names of the entries whose command line runs a Kelvane program, in the
// registry's enumeration order; read without creating anything.
[[nodiscard]] std::vector<WString> FindKelvaneMenuEntries();
