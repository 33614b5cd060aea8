#include "store/undo_store.h"

#include "store/layout_store.h"
#include "text/res_string.h"

namespace {

WString UndoKeyPath() {
    WString path(LoadResString(kStoreBaseKeyId));
    path.Append(L" Undo");
    return path;
}

}  // namespace

bool StoreUndoArrangement(const IconRecordList& records) {
    RegKey key(UndoKeyPath().Text(), kStoreWriteAccess, 0);
    return key.handle != nullptr && StoreRecords(key, records) == StoreOutcome::Stored;
}

bool LoadUndoArrangement(IconRecordList& records, KeyOpening opening) {
    RegKey key(UndoKeyPath().Text(), kStoreReadAccess, 0, opening);
    return LoadRecords(key, records);
}
