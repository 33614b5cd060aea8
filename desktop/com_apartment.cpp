#include "desktop/com_apartment.h"

#include <objbase.h>

// S_FALSE (already in this kind of apartment) counts too: each success is
// matched by one CoUninitialize. RPC_E_CHANGED_MODE is a failure, never matched.
ComApartment::ComApartment() : entered_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}

ComApartment::~ComApartment() {
    if (entered_) {
        CoUninitialize();
    }
}
