#include "store/layout_store.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <vector>

#include "text/ascii_case.h"
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
    uint8_t data[kRecordReadBufferSize];
    wchar_t name[kNameBufferLength];
    for (DWORD index = 0;; ++index) {
        std::memset(data, 0, sizeof(data));
        DWORD dataSize = kMaxRecordDataSize;
        DWORD type = REG_NONE;
        if (!key.EnumValue(index, name, kNameBufferLength, &type, data, &dataSize)) {
            break;
        }
        IconRecord record;
        if (type == REG_DWORD) {
            const uint32_t packed = data[0] | (data[1] << 8) | (data[2] << 16) | (static_cast<uint32_t>(data[3]) << 24);
            int32_t x = 0;
            int32_t y = 0;
            UnpackPosition(packed, x, y);
            record.SetTextOnly(name, x, y);
        } else if (type == REG_BINARY) {
            record.keyName.Assign(name);
            DecodeRecordData(data, record.x, record.y, record.displayText);
        } else {
            continue;
        }
        list.push_back(record);
    }
    return !list.empty();
}

bool StoreLayout(const wchar_t* layoutName, const IconRecordList& records) {
    RegKey key(LoadResString(kStoreBaseKeyId), kStoreWriteAccess, 0);
    return key.Descend(layoutName) && StoreRecords(key, records);
}

bool StoreRecords(RegKey& key, const IconRecordList& records) {
    std::vector<WString> storedNames;
    if (!key.ValueNames(storedNames)) {
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
