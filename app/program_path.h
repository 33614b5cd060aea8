#pragma once

#include <string>

// The full path of this program's file, however long.
std::wstring ProgramPath();

// True in the windowless program (the Windows subsystem's build), which has no
// console.
bool IsWindowlessProgram();

// The program the shell is to start by itself (at log-on, from the desktop's
// menu): the windowless program ("<name>w.exe"), which shows no console, when
// this is it or it stands beside this one; this program otherwise.
std::wstring LaunchProgramPath();
