#include "store/whole_layout.h"

#include <cstring>

#include "store/layout_store.h"
#include "text/res_string.h"

namespace {

// The record the value holds, or the reason it holds none.
bool ToRecord(const WString& name, DWORD type, const std::vector<BYTE>& data, IconRecord& record,
              ValueProblem& problem) {
    if (name.Length() >= kNameBufferLength) {
        problem = ValueProblem::NameTooLong;
        return false;
    }
    if (type == REG_DWORD) {
        if (data.size() != sizeof(uint32_t)) {
            problem = ValueProblem::DwordSize;
            return false;
        }
        const uint32_t packed = data[0] | (data[1] << 8) | (data[2] << 16) | (static_cast<uint32_t>(data[3]) << 24);
        int32_t x = 0;
        int32_t y = 0;
        UnpackPosition(packed, x, y);
        // PackPosition gives back the same 32 bits for every value: nothing is lost.
        record.SetTextOnly(name.Text(), x, y);
        return true;
    }
    if (type != REG_BINARY) {
        problem = ValueProblem::OtherType;
        return false;
    }
    if (data.size() > kMaxRecordDataSize) {
        problem = ValueProblem::DataTooLong;
        return false;
    }
    if (data.size() < kMinRecordDataSize) {
        problem = ValueProblem::DataTooShort;
        return false;
    }
    uint8_t buffer[kRecordReadBufferSize] = {};
    std::memcpy(buffer, data.data(), data.size());
    record.keyName.Assign(name);
    DecodeRecordData(buffer, record.x, record.y, record.displayText);
    // A save writes exactly the text and one zero unit: anything else would come
    // back from the record as other bytes.
    if (data.size() != 2 * record.displayText.Length() + kMinRecordDataSize) {
        problem = ValueProblem::TextNotEnded;
        return false;
    }
    return true;
}

}  // namespace

bool ReadWholeLayout(const wchar_t* storedName, IconRecordList& records, std::vector<SkippedValue>& skipped) {
    records.clear();
    skipped.clear();
    RegKey key(LoadResString(kStoreBaseKeyId), kStoreReadAccess, 0);
    if (!key.Descend(storedName)) {
        return false;
    }
    WString name;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    for (DWORD index = 0;; ++index) {
        switch (key.ReadValue(index, name, type, data)) {
            case RegKey::ValueRead::End:
                return true;
            case RegKey::ValueRead::Failed:
                return false;
            case RegKey::ValueRead::Read:
                break;
        }
        IconRecord record;
        ValueProblem problem = ValueProblem::OtherType;
        if (ToRecord(name, type, data, record, problem)) {
            records.push_back(record);
        } else {
            skipped.push_back({name, problem});
        }
    }
}
