#pragma once

#include <string>

// Sends the program's lookups of the shell's window list to the stand-in shell
// server (shell_stand_in.dll of this build's width) for its own lifetime:
// in the test prefix's HKEY_LOCAL_MACHINE (Wine reads TreatAs only there), in
// the registry view of this build's width, the shell's class is treated as the
// stand-in's class, whose in-process server is that DLL. The destructor takes
// both keys away again, so that the programs run afterwards meet Wine's own
// shell. Throws std::runtime_error when the keys cannot be written.
class StandInRegistration {
public:
    explicit StandInRegistration(const std::wstring& serverPath);
    ~StandInRegistration();

    StandInRegistration(const StandInRegistration&) = delete;
    StandInRegistration& operator=(const StandInRegistration&) = delete;
};

// The stand-in shell server beside the running test program.
std::wstring StandInServerBesideTest();
