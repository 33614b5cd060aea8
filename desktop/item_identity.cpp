#include "desktop/item_identity.h"

#include <cstring>
#include <new>

#include "desktop/shell_platform.h"

namespace {

static_assert(sizeof(WIN32_FIND_DATAW) == 592 && offsetof(WIN32_FIND_DATAW, cFileName) == 44);
static_assert(sizeof(SHDESCRIPTIONID) == 20 && offsetof(SHDESCRIPTIONID, clsid) == 4);

}  // namespace

DesktopFolder::~DesktopFolder() {
    if (folder_ != nullptr) {
        folder_->Release();
    }
}

bool DesktopFolder::Obtain() {
    const HRESULT result = ShellPlatform::Current().GetDesktopFolder(&folder_);
    if (FAILED(result)) {
        if (folder_ != nullptr) {
            folder_->Release();
            folder_ = nullptr;
        }
        return false;
    }
    return true;
}

IdListBuffer AllocateIdListBuffer() { return IdListBuffer(new (std::nothrow) uint8_t[kIdListBufferSize]); }

IdListCopy CopyFirstItemId(HANDLE process, uint64_t remoteIdList, uint8_t* idListBuffer, size_t* firstIdSize) {
    const void* remote = reinterpret_cast<const void*>(static_cast<uintptr_t>(remoteIdList));
    uint8_t header[3] = {};
    if (!ShellPlatform::Current().Read(process, remote, header, sizeof(header))) {
        return IdListCopy::HeaderReadFailed;
    }
    *firstIdSize = header[0] | (header[1] << 8);
    if (!ShellPlatform::Current().Read(process, remote, idListBuffer, *firstIdSize)) {
        return IdListCopy::ListReadFailed;
    }
    // Only the first identifier is copied; the terminator makes it a whole list.
    idListBuffer[*firstIdSize] = 0;
    idListBuffer[*firstIdSize + 1] = 0;
    return IdListCopy::Copied;
}

IdentityOutcome GetItemIdentity(HANDLE process, uint64_t remoteIdList, IShellFolder* desktopFolder,
                                uint8_t* idListBuffer, WString& identity) {
    identity.Clear();
    size_t firstIdSize = 0;
    switch (CopyFirstItemId(process, remoteIdList, idListBuffer, &firstIdSize)) {
        case IdListCopy::HeaderReadFailed:
            return IdentityOutcome::HeaderReadFailed;
        case IdListCopy::ListReadFailed:
            return IdentityOutcome::ListReadFailed;
        case IdListCopy::Copied:
            break;
    }
    const auto idList = reinterpret_cast<PCUITEMID_CHILD>(idListBuffer);

    WIN32_FIND_DATAW findData;
    std::memset(&findData, 0, sizeof(findData));
    if (SUCCEEDED(ShellPlatform::Current().GetDataFromIdList(desktopFolder, idList, SHGDFIL_FINDDATA, &findData,
                                                             sizeof(findData)))) {
        findData.cFileName[MAX_PATH - 1] = L'\0';
        identity.Assign(findData.cFileName);
        return IdentityOutcome::Found;
    }
    SHDESCRIPTIONID description;
    std::memset(&description, 0, sizeof(description));
    if (SUCCEEDED(ShellPlatform::Current().GetDataFromIdList(desktopFolder, idList, SHGDFIL_DESCRIPTIONID, &description,
                                                             sizeof(description)))) {
        FormatGuid(identity, description.clsid);
        return IdentityOutcome::Found;
    }
    return IdentityOutcome::NoIdentity;
}

void FormatGuid(WString& text, const GUID& guid) {
    text.Format(L"{%-08.8X-%-04.4X-%-04.4X-%-02.2X%-02.2X-%02.2X%-02.2X%-02.2X%-02.2X%-02.2X%-02.2X}",
                static_cast<unsigned>(guid.Data1), static_cast<unsigned>(guid.Data2), static_cast<unsigned>(guid.Data3),
                guid.Data4[0], guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6],
                guid.Data4[7]);
}
