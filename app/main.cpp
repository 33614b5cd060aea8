#include <windows.h>

#include "app/command_line.h"
#include "text/res_string.h"

int wmain(int argc, wchar_t** argv) {
    SetResourceModule(GetModuleHandleW(nullptr));
    return RunCommandLine(argc, argv);
}
