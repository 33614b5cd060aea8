#include "store/layout_store.h"

#include <algorithm>
#include <cwchar>
#include <vector>

#include "store/stored_values.h"
#include "text/res_string.h"

namespace {

constexpr size_t kMaxKeyNameLength = 255;

bool RegistryNameBefore(const wchar_t* left, const wchar_t* right) { return CompareRegistryNames(left, right) < 0; }

}  // namespace

bool LoadLayout(const wchar_t* layoutName, IconRecordList& list) {
    RegKey key(LoadResString(kStoreBaseKeyId), kStoreReadAccess, 0);
    // Whether the descent worked shows in the loading: a failed one leaves no key
    // open (or, for an empty name, the base key, which holds no values), so the
    // layout loads empty and the caller reports that.
    (void)key.Descend(layoutName);
    return LoadRecords(key, list);
}

bool LoadRecords(RegKey& key, IconRecordList& list) {
    list.clear();
    // The first value too large for a record's buffers ends the loading, as it
    // always has; values of other types are passed over.
    (void)ReadStoredValues(key, [&list](const StoredValue& value) {
        if (value.record) {
            list.push_back(*value.record);
        }
        return value.fits;
    });
    return !list.empty();
}

bool StoreLayout(const wchar_t* layoutName, const IconRecordList& records) {
    RegKey key(LoadResString(kStoreBaseKeyId), kStoreWriteAccess, 0);
    return key.Descend(layoutName) && StoreRecords(key, records);
}

bool StoreRecords(RegKey& key, const IconRecordList& records) {
    std::vector<WString> storedNames;
    if (!ReadStoredValues(key, [&storedNames](const StoredValue& value) {
            storedNames.push_back(value.name);
            return true;
        })) {
        return false;
    }
    bool allWritten = true;
    for (const IconRecord& record : records) {
        allWritten = record.WriteIconRecord(key) && allWritten;
    }
    if (!allWritten) {
        return false;
    }
    std::vector<const wchar_t*> recordNames;
    recordNames.reserve(records.size());
    for (const IconRecord& record : records) {
        recordNames.push_back(record.ValueName());
    }
    std::sort(recordNames.begin(), recordNames.end(), RegistryNameBefore);
    bool allRemoved = true;
    for (const WString& name : storedNames) {
        if (!std::binary_search(recordNames.begin(), recordNames.end(), name.Text(), RegistryNameBefore)) {
            allRemoved = key.DeleteValue(name.Text()) && allRemoved;
        }
    }
    return allRemoved;
}

bool DeleteLayout(const wchar_t* storedName) {
    RegKey key(LoadResString(kStoreBaseKeyId), kStoreWriteAccess, 0);
    return storedName[0] != L'\0' && key.DeleteSubKey(storedName);
}

const wchar_t* LayoutNameProblem(const wchar_t* layoutName) {
    if (std::wcschr(layoutName, L'\\') != nullptr) {
        return L"A layout name cannot contain a backslash.";
    }
    if (std::wcslen(layoutName) > kMaxKeyNameLength) {
        return L"A layout name cannot be longer than 255 characters.";
    }
    return nullptr;
}
