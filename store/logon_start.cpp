#include "store/logon_start.h"

#include "store/reg_key.h"

namespace {

constexpr REGSAM kLogonStartAccess = KEY_QUERY_VALUE | KEY_SET_VALUE;

}  // namespace

bool RegisterLogonStart(const wchar_t* commandLine) {
    RegKey key(kLogonStartKey, kLogonStartAccess, 0);
    return key.SetString(kLogonStartValue, commandLine);
}

bool ReadLogonStart(WString& commandLine) {
    RegKey key(kLogonStartKey, KEY_QUERY_VALUE, 0, KeyOpening::ExistingOnly);
    return key.ReadString(kLogonStartValue, commandLine);
}

bool UnregisterLogonStart() {
    RegKey key(kLogonStartKey, kLogonStartAccess, 0);
    return key.DeleteValue(kLogonStartValue);
}
