#pragma once

#include <map>
#include <string>

#include "store/registry_platform.h"
#include "unit/fault_budget.h"

// The real registry, failing the calls a test picks: each call is offered to the
// predicate, and a call it accepts fails with ERROR_ACCESS_DENIED before it
// reaches the registry.
class FaultyRegistry : public RegistryPlatform {
public:
    enum class Kind { CreateKey, EnumKey, EnumValue, SetValue, DeleteValue };
    struct Call {
        Kind kind;
        std::wstring path;  // CreateKey, SetValue, DeleteValue: the key's path below HKEY_CURRENT_USER
        DWORD index;        // EnumKey, EnumValue
    };
    using Predicate = FaultBudget<Call>::Predicate;

    // Fails the first `count` calls the predicate accepts (all of them when 0).
    explicit FaultyRegistry(Predicate fails, int count = 1) : budget_(std::move(fails), count) {}

    LSTATUS CreateKey(HKEY parent, const wchar_t* path, DWORD options, REGSAM access, SECURITY_ATTRIBUTES* security,
                      HKEY* key) override {
        if (Fails({Kind::CreateKey, path, 0})) return ERROR_ACCESS_DENIED;
        const LSTATUS status = RegistryPlatform::CreateKey(parent, path, options, access, security, key);
        if (status == ERROR_SUCCESS) paths_[*key] = path;
        return status;
    }
    LSTATUS EnumKey(HKEY key, DWORD index, wchar_t* name, DWORD* nameLength) override {
        if (Fails({Kind::EnumKey, L"", index})) return ERROR_ACCESS_DENIED;
        return RegistryPlatform::EnumKey(key, index, name, nameLength);
    }
    LSTATUS EnumValue(HKEY key, DWORD index, wchar_t* name, DWORD* nameLength, DWORD* type, BYTE* data,
                      DWORD* dataSize) override {
        if (Fails({Kind::EnumValue, L"", index})) return ERROR_ACCESS_DENIED;
        return RegistryPlatform::EnumValue(key, index, name, nameLength, type, data, dataSize);
    }
    LSTATUS SetValue(HKEY key, const wchar_t* name, DWORD type, const BYTE* data, DWORD size) override {
        if (Fails({Kind::SetValue, paths_[key], 0})) return ERROR_ACCESS_DENIED;
        return RegistryPlatform::SetValue(key, name, type, data, size);
    }
    LSTATUS DeleteValue(HKEY key, const wchar_t* name) override {
        if (Fails({Kind::DeleteValue, paths_[key], 0})) return ERROR_ACCESS_DENIED;
        return RegistryPlatform::DeleteValue(key, name);
    }

    int failures() const { return budget_.failures; }

private:
    bool Fails(const Call& call) { return budget_.Fails(call); }

    FaultBudget<Call> budget_;
    std::map<HKEY, std::wstring> paths_;  // of the keys opened while installed
    RegistryPlatform::Scope installed_{this};
};
