#include "store/layout_store.h"

#include <algorithm>
#include <cwchar>
#include <vector>

#include "store/display_record.h"
#include "store/stored_values.h"
#include "store/whole_layout.h"
#include "text/res_string.h"

namespace {

constexpr size_t kMaxKeyNameLength = 255;

bool RegistryNameBefore(const wchar_t* left, const wchar_t* right) { return CompareRegistryNames(left, right) < 0; }

bool StoredBefore(const StoredValue& left, const StoredValue& right) {
    return RegistryNameBefore(left.name.Text(), right.name.Text());
}

bool StoredNameBefore(const StoredValue& value, const wchar_t* name) {
    return RegistryNameBefore(value.name.Text(), name);
}

// Moves a record onto its own spelling over a stored value the registry takes
// for it: that value must go first. A failed write puts the stored record back
// as it was, so the icon stays in the layout. True when the record is written.
bool Respell(RegKey& key, const IconRecord& record, const StoredValue& stored) {
    if (!key.DeleteValue(stored.name.Text())) {
        return false;
    }
    if (record.WriteIconRecord(key)) {
        return true;
    }
    if (stored.record) {
        (void)stored.record->WriteIconRecord(key);
    }
    return false;
}

// Whether the value may be the record of an icon that a save could not read.
bool OfUnreadIcon(const StoredValue& value, const UnreadIcons& unread) {
    return unread.someWithoutText ||
           (value.record && std::any_of(unread.texts.begin(), unread.texts.end(), [&value](const WString& text) {
                return CompareRegistryNames(text.Text(), value.record->displayText.Text()) == 0;
            }));
}

// Every value of the open key, in enumeration order; false when the key could
// not be listed to its end.
bool ReadEveryValue(RegKey& key, std::vector<StoredValue>& stored) {
    return ReadStoredValues(key, [&stored](const StoredValue& value) {
        stored.push_back(value);
        return true;
    });
}

// Writes the records over the values the key holds (`stored`, read from it).
StoreOutcome WriteOver(RegKey& key, std::vector<StoredValue>& stored, const IconRecordList& records,
                       const UnreadIcons& unread) {
    std::sort(stored.begin(), stored.end(), StoredBefore);
    size_t written = 0;
    for (const IconRecord& record : records) {
        const auto same = std::lower_bound(stored.begin(), stored.end(), record.ValueName(), StoredNameBefore);
        const bool respelt = same != stored.end() && CompareRegistryNames(same->name.Text(), record.ValueName()) == 0 &&
                             std::wcscmp(same->name.Text(), record.ValueName()) != 0;
        written += (respelt ? Respell(key, record, *same) : record.WriteIconRecord(key)) ? 1 : 0;
    }
    if (written < records.size()) {
        return written == 0 ? StoreOutcome::NothingWritten : StoreOutcome::PartlyWritten;
    }
    std::vector<const wchar_t*> recordNames;
    recordNames.reserve(records.size());
    for (const IconRecord& record : records) {
        recordNames.push_back(record.ValueName());
    }
    std::sort(recordNames.begin(), recordNames.end(), RegistryNameBefore);
    bool allRemoved = true;
    for (const StoredValue& value : stored) {
        if (!std::binary_search(recordNames.begin(), recordNames.end(), value.name.Text(), RegistryNameBefore) &&
            !OfUnreadIcon(value, unread)) {
            allRemoved = key.DeleteValue(value.name.Text()) && allRemoved;
        }
    }
    return allRemoved ? StoreOutcome::Stored : StoreOutcome::StaleKept;
}

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
    // The first value too large for a record's buffers ends the loading; values
    // of other types are passed over.
    (void)ReadStoredValues(key, [&list](const StoredValue& value) {
        if (value.record) {
            list.push_back(*value.record);
        }
        return value.fits;
    });
    return !list.empty();
}

StoreResult StoreLayout(const wchar_t* layoutName, const IconRecordList& records, LayoutChange change,
                        const UnreadIcons& unread) {
    RegKey key(LoadResString(kStoreBaseKeyId), kStoreWriteAccess, 0);
    std::vector<StoredValue> stored;
    if (!key.Descend(layoutName) || !ReadEveryValue(key, stored)) {
        return {StoreOutcome::NothingWritten, true};
    }
    // The version holds the values that write back to the same bytes, as an export does.
    IconRecordList held;
    for (const StoredValue& value : stored) {
        if (!value.problem) {
            held.push_back(*value.record);
        }
    }
    const bool versionKept = KeepLayoutVersion(layoutName, held, records, change);
    return {WriteOver(key, stored, records, unread), versionKept};
}

StoreOutcome StoreRecords(RegKey& key, const IconRecordList& records, const UnreadIcons& unread) {
    std::vector<StoredValue> stored;
    return ReadEveryValue(key, stored) ? WriteOver(key, stored, records, unread) : StoreOutcome::NothingWritten;
}

DeleteResult DeleteLayout(const wchar_t* storedName) {
    if (storedName[0] == L'\0') {
        return {false, true};
    }
    IconRecordList held;
    std::vector<SkippedValue> skipped;
    const bool versionKept =
        ReadWholeLayout(storedName, held, skipped) && KeepLayoutVersion(storedName, held, {}, LayoutChange::Delete);
    RegKey key(LoadResString(kStoreBaseKeyId), kStoreWriteAccess, 0);
    const bool deleted = key.DeleteSubKey(storedName);
    // The version keeps the display; a record left behind would describe the
    // icons of a later layout of that name.
    if (deleted) {
        (void)RecordLayoutDisplay(storedName, {});
    }
    return {deleted, versionKept};
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
