#pragma once

#include <string>

// The full path of this program's file, however long.
std::wstring ProgramPath();

// True in the windowless program (the Windows subsystem's build), which has no
// console.
bool IsWindowlessProgram();
