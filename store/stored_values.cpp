#include "store/stored_values.h"

#include <cstring>
#include <vector>

#include "store/layout_store.h"

namespace {

uint32_t PackedAt(const uint8_t* data) {
    return data[0] | (data[1] << 8) | (data[2] << 16) | (static_cast<uint32_t>(data[3]) << 24);
}

// The value's record and the reason it is not one a save writes, in the order
// the export names the reasons.
StoredValue Judge(const WString& name, DWORD type, const std::vector<BYTE>& data) {
    StoredValue value;
    value.name = name;
    value.fits = name.Length() < kNameBufferLength && data.size() <= kMaxRecordDataSize;
    if (value.fits && (type == REG_DWORD || type == REG_BINARY)) {
        uint8_t buffer[kRecordReadBufferSize] = {};
        std::memcpy(buffer, data.data(), data.size());
        IconRecord record;
        if (type == REG_DWORD) {
            int32_t x = 0;
            int32_t y = 0;
            UnpackPosition(PackedAt(buffer), x, y);
            // PackPosition gives back the same 32 bits for every value: nothing is lost.
            record.SetTextOnly(name.Text(), x, y);
        } else {
            record.keyName.Assign(name);
            DecodeRecordData(buffer, record.x, record.y, record.displayText);
        }
        value.record = record;
    }
    if (name.Length() >= kNameBufferLength) {
        value.problem = ValueProblem::NameTooLong;
    } else if (type == REG_DWORD) {
        if (data.size() != sizeof(uint32_t)) value.problem = ValueProblem::DwordSize;
    } else if (type != REG_BINARY) {
        value.problem = ValueProblem::OtherType;
    } else if (data.size() > kMaxRecordDataSize) {
        value.problem = ValueProblem::DataTooLong;
    } else if (data.size() < kMinRecordDataSize) {
        value.problem = ValueProblem::DataTooShort;
    } else if (data.size() != 2 * value.record->displayText.Length() + kMinRecordDataSize) {
        // A save writes exactly the text and one zero unit: anything else would
        // come back from the record as other bytes.
        value.problem = ValueProblem::TextNotEnded;
    }
    return value;
}

}  // namespace

bool ReadStoredValues(RegKey& key, const std::function<bool(const StoredValue&)>& take) {
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
        if (!take(Judge(name, type, data))) {
            return true;
        }
    }
}
