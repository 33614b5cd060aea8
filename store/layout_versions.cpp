#include "store/layout_versions.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <string>

#include "store/display_record.h"
#include "store/layout_store.h"
#include "store/reg_key.h"
#include "text/res_string.h"
#include "text/whole_number.h"

namespace {

constexpr wchar_t kIconsKey[] = L"Icons";
constexpr wchar_t kKeptValue[] = L"Kept";
constexpr wchar_t kReplacedByValue[] = L"Replaced by";
constexpr wchar_t kDisplayValue[] = L"Display";
constexpr int kMaxSequence = 2147483647;

WString ChildPath(const WString& path, const wchar_t* name) {
    WString child(path);
    child.Append(L"\\");
    child.Append(name);
    return child;
}

WString VersionsKeyPath() {
    WString path(LoadResString(kStoreBaseKeyId));
    path.Append(L" Versions");
    return path;
}

const wchar_t* ChangeWord(LayoutChange change) {
    switch (change) {
        case LayoutChange::Save:
            return L"save";
        case LayoutChange::Watch:
            return L"watch";
        case LayoutChange::Import:
            return L"import";
        case LayoutChange::Delete:
            return L"delete";
    }
    return L"";
}

struct VersionKey {
    int sequence;
    WString name;
};

// The version keys of a layout's open versions key, oldest first; a subkey not
// named by a sequence number is passed over.
std::vector<VersionKey> VersionKeys(RegKey& layoutVersions) {
    std::vector<VersionKey> keys;
    wchar_t name[kNameBufferLength];
    for (DWORD index = 0; layoutVersions.EnumSubKey(index, name, kNameBufferLength); ++index) {
        int sequence = 0;
        if (ParseWholeNumber(name, 1, kMaxSequence, sequence)) {
            keys.push_back({sequence, WString(name)});
        }
    }
    std::sort(keys.begin(), keys.end(),
              [](const VersionKey& left, const VersionKey& right) { return left.sequence < right.sequence; });
    return keys;
}

// Reads the version at the path; false when it holds no time of keeping, as a
// version written only in part does.
bool ReadVersion(const WString& path, LayoutVersion& version) {
    RegKey key(path.Text(), kStoreReadAccess, 0);
    bool kept = false;
    WString name;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    for (DWORD index = 0; key.ReadValue(index, name, type, data) == RegKey::ValueRead::Read; ++index) {
        if (CompareRegistryNames(name.Text(), kKeptValue) == 0 && type == REG_QWORD && data.size() == 8) {
            ULONGLONG ticks = 0;
            std::memcpy(&ticks, data.data(), sizeof(ticks));
            version.kept.dwLowDateTime = static_cast<DWORD>(ticks);
            version.kept.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
            kept = true;
        } else if (CompareRegistryNames(name.Text(), kReplacedByValue) == 0 && type == REG_SZ) {
            // The stored text need not end with a zero.
            const std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), data.size() / sizeof(wchar_t));
            version.replacedBy.Assign(text.c_str());
        } else if (CompareRegistryNames(name.Text(), kDisplayValue) == 0 && type == REG_SZ) {
            const std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), data.size() / sizeof(wchar_t));
            (void)ParseDisplayRecordText(text.c_str(), version.display);
        }
    }
    if (!kept) {
        return false;
    }
    RegKey icons(ChildPath(path, kIconsKey).Text(), kStoreReadAccess, 0);
    (void)LoadRecords(icons, version.records);
    return true;
}

// Writes a version whole: the records first and the time of keeping last, so
// that a version written in part is never read as one.
bool WriteVersion(const WString& path, const IconRecordList& records, const wchar_t* layoutName, LayoutChange change) {
    RegKey icons(ChildPath(path, kIconsKey).Text(), kStoreWriteAccess, 0);
    if (icons.handle == nullptr || StoreRecords(icons, records) != StoreOutcome::Stored) {
        return false;
    }
    RegKey version(path.Text(), kStoreWriteAccess, 0);
    DisplayConfig display;
    if (LoadDisplayRecord(layoutName, display) &&
        !version.SetString(kDisplayValue, DisplayRecordText(display).c_str())) {
        return false;
    }
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return version.SetString(kReplacedByValue, ChangeWord(change)) &&
           version.SetQword(kKeptValue, static_cast<ULONGLONG>(now.dwHighDateTime) << 32 | now.dwLowDateTime);
}

// The name of the subkey that the registry takes for `name`; false when none.
bool FindKeptName(RegKey& versions, const wchar_t* name, WString& keptName) {
    wchar_t kept[kNameBufferLength];
    for (DWORD index = 0; versions.EnumSubKey(index, kept, kNameBufferLength); ++index) {
        if (CompareRegistryNames(kept, name) == 0) {
            keptName.Assign(kept);
            return true;
        }
    }
    return false;
}

}  // namespace

bool KeepLayoutVersion(const wchar_t* layoutName, const IconRecordList& stored, const IconRecordList& replacing,
                       LayoutChange change) {
    if (stored.empty() || SameRecords(stored, replacing)) {
        return true;
    }
    RegKey layoutVersions(VersionsKeyPath().Text(), kStoreWriteAccess, 0);
    if (!layoutVersions.Descend(layoutName)) {
        return false;
    }
    std::vector<VersionKey> keys = VersionKeys(layoutVersions);
    for (auto newest = keys.rbegin(); newest != keys.rend(); ++newest) {
        LayoutVersion version;
        if (ReadVersion(ChildPath(layoutVersions.path, newest->name.Text()), version)) {
            if (SameRecords(stored, version.records)) {
                return true;
            }
            break;
        }
    }
    if (!keys.empty() && keys.back().sequence == kMaxSequence) {
        return false;
    }
    VersionKey added{keys.empty() ? 1 : keys.back().sequence + 1, WString()};
    added.name.Format(L"%010d", added.sequence);
    if (!WriteVersion(ChildPath(layoutVersions.path, added.name.Text()), stored, layoutName, change)) {
        (void)layoutVersions.DeleteSubKey(added.name.Text());
        return false;
    }
    keys.push_back(added);
    bool dropped = true;
    for (size_t oldest = 0; oldest + kMaxLayoutVersions < keys.size(); ++oldest) {
        dropped = layoutVersions.DeleteSubKey(keys[oldest].name.Text()) && dropped;
    }
    return dropped;
}

std::vector<LayoutVersion> LoadLayoutVersions(const wchar_t* name, WString& keptName) {
    std::vector<LayoutVersion> versions;
    RegKey layoutVersions(VersionsKeyPath().Text(), kStoreReadAccess, 0, KeyOpening::ExistingOnly);
    if (!FindKeptName(layoutVersions, name, keptName) || !layoutVersions.Descend(keptName.Text())) {
        return versions;
    }
    const std::vector<VersionKey> keys = VersionKeys(layoutVersions);
    for (auto newest = keys.rbegin(); newest != keys.rend(); ++newest) {
        LayoutVersion version;
        if (ReadVersion(ChildPath(layoutVersions.path, newest->name.Text()), version)) {
            versions.push_back(version);
        }
    }
    return versions;
}

std::vector<WString> VersionedLayoutNames() {
    std::vector<WString> names;
    RegKey versions(VersionsKeyPath().Text(), kStoreReadAccess, 0, KeyOpening::ExistingOnly);
    wchar_t name[kNameBufferLength];
    for (DWORD index = 0; versions.EnumSubKey(index, name, kNameBufferLength); ++index) {
        names.emplace_back(name);
    }
    return names;
}
