#pragma once

#include <windows.h>
#include <shlobj.h>

#include <cstdint>
#include <memory>

#include "desktop/com_apartment.h"
#include "text/wstring.h"

// The desktop folder, root of the shell namespace; released when it goes. The
// thread that holds it is in a single-threaded COM apartment for as long, as
// the shell expects of its namespace's callers: an item served by a namespace
// extension is then named alike in every action.
class DesktopFolder {
public:
    DesktopFolder() = default;
    DesktopFolder(const DesktopFolder&) = delete;
    DesktopFolder& operator=(const DesktopFolder&) = delete;
    ~DesktopFolder();

    // False on a failure code; a pointer that came back anyway is released.
    [[nodiscard]] bool Obtain();
    IShellFolder* get() const { return folder_; }

private:
    // Declared first: the folder is released before the apartment is left.
    ComApartment apartment_;
    IShellFolder* folder_ = nullptr;
};

// One item identifier of up to 65535 bytes and its two-byte terminator: the
// local copy of an item's ID list, reused for every item of a walk.
constexpr size_t kIdListBufferSize = 65537;
using IdListBuffer = std::unique_ptr<uint8_t[]>;

// Null when the memory cannot be had; the action then ends without a message.
[[nodiscard]] IdListBuffer AllocateIdListBuffer();

enum class IdListCopy { Copied, HeaderReadFailed, ListReadFailed };

// Copies the first identifier of the ID list at a shell-side address into the
// buffer, with a terminator after it: the item's ID list relative to its folder.
// On Copied, firstIdSize holds the identifier's size (0 for an empty list).
[[nodiscard]] IdListCopy CopyFirstItemId(HANDLE process, uint64_t remoteIdList, uint8_t* idListBuffer,
                                         size_t* firstIdSize);

enum class IdentityOutcome { Found, HeaderReadFailed, ListReadFailed, NoIdentity };

// Copies the item's ID list as CopyFirstItemId does and asks the namespace what
// it is: its file-system name, else its class identifier as a
// braced GUID. An empty name counts as found; the caller decides.
[[nodiscard]] IdentityOutcome GetItemIdentity(HANDLE process, uint64_t remoteIdList, IShellFolder* desktopFolder,
                                              uint8_t* idListBuffer, WString& identity);

// {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}, 38 characters, upper-case hexadecimal.
void FormatGuid(WString& text, const GUID& guid);
