#include "actions/shell_access.h"

#include "app/console_output.h"

bool OpenShellProcess(RemoteBuffers& buffers, HWND listView) {
    switch (buffers.Open(listView)) {
        case ShellAccess::Granted:
            return true;
        case ShellAccess::NoProcess:
            PrintText(OutputStream::Err, L"Could not get read access to the Desktop ListView memory.\n");
            break;
        case ShellAccess::ShellIs64Bit:
            PrintText(OutputStream::Err,
                      L"The desktop shell is a 64-bit process: use Kelvane64.exe, not this 32-bit Kelvane.exe.\n");
            break;
        case ShellAccess::ShellIs32Bit:
            PrintText(OutputStream::Err,
                      L"The desktop shell is a 32-bit process: use Kelvane.exe, not this 64-bit Kelvane64.exe.\n");
            break;
        case ShellAccess::WidthUnknown:
            PrintText(
                OutputStream::Err,
                L"Could not tell whether the desktop shell is a 32-bit or a 64-bit process: nothing was changed.\n");
            break;
    }
    return false;
}

bool AllocateShellBlocks(RemoteBuffers& buffers, std::initializer_list<RemoteBlock> order) {
    if (buffers.Allocate(order)) {
        return true;
    }
    PrintText(OutputStream::Err, L"Could not get access to the Desktop ListView memory.\n");
    return false;
}
