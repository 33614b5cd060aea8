#include "store/reg_key.h"

#include "store/registry_platform.h"

#include <cwchar>
#include <memory>

namespace {

// The registry's limit on a value name, terminating zero included.
constexpr DWORD kMaxValueNameLength = 16384;
// Data up to this size is read in one call; larger data takes a second one.
constexpr DWORD kFirstReadDataSize = 1024;

}  // namespace

RegKey::RegKey(const wchar_t* keyPath, REGSAM keyAccess, DWORD keyOptions, KeyOpening keyOpening)
    : path(keyPath), options(keyOptions), access(keyAccess), opening(keyOpening) {
    Create();
}

RegKey::~RegKey() {
    if (handle != nullptr) {
        RegistryPlatform::Current().CloseKey(handle);
        handle = nullptr;
    }
}

bool RegKey::Create() {
    if (opening == KeyOpening::ExistingOnly) {
        return RegistryPlatform::Current().OpenKey(HKEY_CURRENT_USER, path.Text(), access, &handle) == ERROR_SUCCESS;
    }
    SECURITY_ATTRIBUTES security = {};
    security.nLength = sizeof(security);
    security.lpSecurityDescriptor = nullptr;
    security.bInheritHandle = TRUE;
    return RegistryPlatform::Current().CreateKey(HKEY_CURRENT_USER, path.Text(), options, access, &security, &handle) ==
           ERROR_SUCCESS;
}

bool RegKey::Descend(const wchar_t* name) {
    if (handle == nullptr || name == nullptr || name[0] == L'\0') {
        return false;
    }
    RegistryPlatform::Current().CloseKey(handle);
    handle = nullptr;
    path.Append(L"\\");
    path.Append(name);
    if (!Create()) {
        handle = nullptr;
        return false;
    }
    return true;
}

bool RegKey::EnumSubKey(DWORD index, wchar_t* name, DWORD capacity) {
    DWORD length = capacity;
    return RegistryPlatform::Current().EnumKey(handle, index, name, &length) == ERROR_SUCCESS;
}

bool RegKey::ReadString(const wchar_t* name, WString& text) {
    if (handle == nullptr) {
        return false;
    }
    // The value may grow between the call that gives its size and the read. The
    // buffer keeps room for a zero past the data.
    DWORD size = 0;
    DWORD type = 0;
    std::vector<BYTE> data;
    LSTATUS status;
    do {
        data.resize(size + sizeof(wchar_t));
        status = RegistryPlatform::Current().QueryValue(handle, name, &type, data.data(), &size);
    } while (status == ERROR_MORE_DATA);
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return false;
    }
    // Stored strings need not end with their zero: one is put past the data.
    data.resize(size - size % sizeof(wchar_t) + sizeof(wchar_t), 0);
    data[data.size() - 1] = 0;
    data[data.size() - 2] = 0;
    text.Assign(reinterpret_cast<const wchar_t*>(data.data()));
    return true;
}

bool RegKey::SetDword(const wchar_t* name, DWORD value) {
    if (handle == nullptr) {
        return false;
    }
    return RegistryPlatform::Current().SetValue(handle, name, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                                                sizeof(value)) == ERROR_SUCCESS;
}

bool RegKey::SetQword(const wchar_t* name, ULONGLONG value) {
    if (handle == nullptr) {
        return false;
    }
    return RegistryPlatform::Current().SetValue(handle, name, REG_QWORD, reinterpret_cast<const BYTE*>(&value),
                                                sizeof(value)) == ERROR_SUCCESS;
}

bool RegKey::SetBinary(const wchar_t* name, const void* data, DWORD size) {
    if (handle == nullptr) {
        return false;
    }
    return RegistryPlatform::Current().SetValue(handle, name, REG_BINARY, static_cast<const BYTE*>(data), size) ==
           ERROR_SUCCESS;
}

bool RegKey::SetString(const wchar_t* name, const wchar_t* text) {
    if (handle == nullptr) {
        return false;
    }
    const DWORD size = static_cast<DWORD>((std::wcslen(text) + 1) * sizeof(wchar_t));
    return RegistryPlatform::Current().SetValue(handle, name, REG_SZ, reinterpret_cast<const BYTE*>(text), size) ==
           ERROR_SUCCESS;
}

bool RegKey::DeleteValue(const wchar_t* name) {
    if (handle == nullptr) {
        return false;
    }
    const LSTATUS status = RegistryPlatform::Current().DeleteValue(handle, name);
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

bool RegKey::DeleteSubKey(const wchar_t* name) {
    if (handle == nullptr) {
        return false;
    }
    return RegistryPlatform::Current().DeleteTree(handle, name) == ERROR_SUCCESS;
}

RegKey::ValueRead RegKey::ReadValue(DWORD index, WString& name, DWORD& type, std::vector<BYTE>& data) {
    const std::unique_ptr<wchar_t[]> nameBuffer(new wchar_t[kMaxValueNameLength]);
    // The data may grow between a call that gives its size and the next: ask
    // again until it fits.
    DWORD dataSize = kFirstReadDataSize;
    for (;;) {
        DWORD nameLength = kMaxValueNameLength;
        data.resize(dataSize);
        DWORD size = dataSize;
        const LSTATUS status = RegistryPlatform::Current().EnumValue(handle, index, nameBuffer.get(), &nameLength,
                                                                     &type, data.data(), &size);
        if (status == ERROR_NO_MORE_ITEMS) {
            return ValueRead::End;
        }
        if (status == ERROR_MORE_DATA) {
            dataSize = size;
            continue;
        }
        if (status != ERROR_SUCCESS) {
            return ValueRead::Failed;
        }
        data.resize(size);
        name.Assign(nameBuffer.get());
        return ValueRead::Read;
    }
}

int CompareRegistryNames(const wchar_t* left, const wchar_t* right) {
    return CompareStringOrdinal(left, -1, right, -1, TRUE) - CSTR_EQUAL;
}
