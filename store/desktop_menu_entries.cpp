#include "store/desktop_menu_entries.h"

#include "store/reg_key.h"

namespace {

// Registry key names are at most 255 characters.
constexpr DWORD kKeyNameLength = 256;

// Whether the text holds "kelvane" in any case of A to Z: every build's file
// name does.
bool NamesKelvane(const wchar_t* text) {
    static constexpr wchar_t kName[] = L"kelvane";
    for (const wchar_t* start = text; *start != L'\0'; ++start) {
        size_t matched = 0;
        while (kName[matched] != L'\0' && (start[matched] | 0x20) == kName[matched]) {
            ++matched;
        }
        if (kName[matched] == L'\0') {
            return true;
        }
    }
    return false;
}

WString EntryPath(const KelvaneMenuEntry& entry) {
    WString path(kDesktopMenuKey);
    path.Append(L"\\");
    path.Append(entry.key);
    return path;
}

}  // namespace

WString MenuEntryCommand(const KelvaneMenuEntry& entry, const wchar_t* programPath) {
    WString commandLine(L"\"");
    commandLine.Append(programPath);
    commandLine.Append(L"\" ");
    commandLine.Append(entry.arguments);
    return commandLine;
}

bool WriteMenuEntry(const KelvaneMenuEntry& entry, const wchar_t* programPath) {
    WString icon(L"\"");
    icon.Append(programPath);
    icon.Append(L"\",0");
    RegKey key(EntryPath(entry).Text(), KEY_SET_VALUE | KEY_CREATE_SUB_KEY, 0);
    if (!key.SetString(L"", entry.text) || !key.SetString(L"Icon", icon.Text()) || !key.Descend(L"command")) {
        return false;
    }
    return key.SetString(L"", MenuEntryCommand(entry, programPath).Text());
}

bool RemoveMenuEntry(const KelvaneMenuEntry& entry, bool& removed) {
    removed = RegKey(EntryPath(entry).Text(), KEY_QUERY_VALUE, 0, KeyOpening::ExistingOnly).handle != nullptr;
    if (!removed) {
        return true;
    }
    RegKey menu(kDesktopMenuKey, KEY_ALL_ACCESS, 0, KeyOpening::ExistingOnly);
    return menu.DeleteSubKey(entry.key);
}

std::vector<WString> FindKelvaneMenuEntries() {
    std::vector<WString> entries;
    RegKey menu(kDesktopMenuKey, KEY_READ, 0, KeyOpening::ExistingOnly);
    wchar_t name[kKeyNameLength];
    for (DWORD index = 0; menu.EnumSubKey(index, name, kKeyNameLength); ++index) {
        WString commandPath(kDesktopMenuKey);
        commandPath.Append(L"\\");
        commandPath.Append(name);
        commandPath.Append(L"\\command");
        RegKey command(commandPath.Text(), KEY_QUERY_VALUE, 0, KeyOpening::ExistingOnly);
        WString commandLine;
        if (command.ReadString(L"", commandLine) && NamesKelvane(commandLine.Text())) {
            entries.emplace_back(name);
        }
    }
    return entries;
}
