#pragma once

#include <windows.h>

#include <vector>

#include "store/reg_key.h"
#include "text/wstring.h"

// The layouts the store holds: the subkeys of its base key, which stays open
// for the object's lifetime (opening creates it when it is missing, unless told
// ExistingOnly). Names come in the registry's enumeration order, the order the
// menu numbers them in.
class StoredLayouts {
public:
    explicit StoredLayouts(KeyOpening opening = KeyOpening::CreateMissing);

    // Whether the base key was opened: an ExistingOnly store that was never
    // written has none, and lists nothing.
    [[nodiscard]] bool Opened() const { return baseKey_.handle != nullptr; }

    // The first stored layout, in enumeration order, whose name equals `name`
    // but for the case of A to Z; its name as stored goes to storedName. False
    // when there is none or the store cannot be listed.
    [[nodiscard]] bool Find(const wchar_t* name, WString& storedName);

    // Every stored name, in enumeration order, up to the first that cannot be read.
    [[nodiscard]] std::vector<WString> List();

    // The name at a position of the enumeration, read afresh; false past the end
    // or when it cannot be read.
    [[nodiscard]] bool NameAt(DWORD index, WString& storedName);

    // The stored layout that a save under `name` would write into although a
    // restore by that name would not find it: the registry takes names differing
    // in the case of any letter for one name, a restore only those differing in
    // the case of A to Z. False when there is none, or when the store cannot be
    // listed.
    [[nodiscard]] bool FindCaseTwin(const wchar_t* name, WString& storedName);

private:
    RegKey baseKey_;
};
