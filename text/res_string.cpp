#include "text/res_string.h"

namespace {

constexpr int kBufferCount = 3;
constexpr int kBufferLength = 256;

HINSTANCE resourceModule = nullptr;
wchar_t buffers[kBufferCount][kBufferLength];
int lastBuffer = -1;

}  // namespace

void SetResourceModule(HINSTANCE module) { resourceModule = module; }

const wchar_t* LoadResString(unsigned id) {
    lastBuffer = (lastBuffer + 1) % kBufferCount;
    wchar_t* buffer = buffers[lastBuffer];
    // A missing id leaves an empty text rather than the previous occupant.
    buffer[0] = L'\0';
    LoadStringW(resourceModule, id, buffer, kBufferLength);
    return buffer;
}
