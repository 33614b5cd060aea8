#pragma once

#include <string>

// The full path of this program's file, however long.
std::wstring ProgramPath();
