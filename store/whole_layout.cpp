#include "store/whole_layout.h"

#include "text/res_string.h"

bool ReadWholeLayout(const wchar_t* storedName, IconRecordList& records, std::vector<SkippedValue>& skipped) {
    records.clear();
    skipped.clear();
    RegKey key(LoadResString(kStoreBaseKeyId), kStoreReadAccess, 0);
    if (!key.Descend(storedName)) {
        return false;
    }
    return ReadStoredValues(key, [&records, &skipped](const StoredValue& value) {
        if (value.problem) {
            skipped.push_back({value.name, *value.problem});
        } else {
            records.push_back(*value.record);
        }
        return true;
    });
}
