#include "store/stored_layouts.h"

#include "store/layout_store.h"
#include "text/ascii_case.h"
#include "text/res_string.h"

StoredLayouts::StoredLayouts(KeyOpening opening)
    : baseKey_(LoadResString(kStoreBaseKeyId), kStoreReadAccess, 0, opening) {}

bool StoredLayouts::Find(const wchar_t* name, WString& storedName) {
    wchar_t stored[kNameBufferLength];
    for (DWORD index = 0; baseKey_.EnumSubKey(index, stored, kNameBufferLength); ++index) {
        if (EqualsIgnoringAsciiCase(stored, name)) {
            storedName.Assign(stored);
            return true;
        }
    }
    return false;
}

std::vector<WString> StoredLayouts::List() {
    std::vector<WString> names;
    wchar_t stored[kNameBufferLength];
    for (DWORD index = 0; baseKey_.EnumSubKey(index, stored, kNameBufferLength); ++index) {
        names.emplace_back(stored);
    }
    return names;
}

bool StoredLayouts::NameAt(DWORD index, WString& storedName) {
    wchar_t stored[kNameBufferLength];
    if (!baseKey_.EnumSubKey(index, stored, kNameBufferLength)) {
        return false;
    }
    storedName.Assign(stored);
    return true;
}

bool StoredLayouts::FindCaseTwin(const wchar_t* name, WString& storedName) {
    wchar_t stored[kNameBufferLength];
    for (DWORD index = 0; baseKey_.EnumSubKey(index, stored, kNameBufferLength); ++index) {
        if (CompareRegistryNames(stored, name) == 0 && !EqualsIgnoringAsciiCase(stored, name)) {
            storedName.Assign(stored);
            return true;
        }
    }
    return false;
}
