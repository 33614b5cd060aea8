#pragma once

#include <windows.h>

// The calling thread's membership of a single-threaded COM apartment, for the
// object's lifetime. A thread that is in a multithreaded apartment already
// stays there: the object then leaves alone what it did not begin.
class ComApartment {
public:
    ComApartment();
    ~ComApartment();
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    bool entered_;
};
