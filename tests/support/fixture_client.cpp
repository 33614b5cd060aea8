#include "support/fixture_client.h"

#include "support/current_exe.h"
#include "support/fixture_wake.h"
#include "support/process_start.h"
#include "support/utf8.h"

#include <cstdlib>
#include <sstream>
#include <stdexcept>

namespace {

const DWORD kAnswerTimeoutMilliseconds = 10000;
const DWORD kExitTimeoutMilliseconds = 10000;

struct Pipe {
    UniqueHandle read;
    UniqueHandle write;
};

// Both ends start inheritable; the caller makes its own end private again so
// the child holds the only copy of the other.
Pipe CreateInheritablePipe() {
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    HANDLE read = nullptr;
    HANDLE write = nullptr;
    if (!CreatePipe(&read, &write, &inheritable, 0)) throw std::runtime_error("cannot create a pipe");
    return {UniqueHandle(read), UniqueHandle(write)};
}

void KeepPrivate(const UniqueHandle& handle) { SetHandleInformation(handle.Get(), HANDLE_FLAG_INHERIT, 0); }

// The fixture reports to our standard error; a copy is made inheritable
// whatever the original handle allows.
UniqueHandle InheritableStandardError() {
    HANDLE copy = nullptr;
    DuplicateHandle(GetCurrentProcess(), GetStdHandle(STD_ERROR_HANDLE), GetCurrentProcess(), &copy, 0, TRUE,
                    DUPLICATE_SAME_ACCESS);
    return UniqueHandle(copy);
}

std::vector<std::string> SplitOn(const std::string& text, char separator, size_t maxParts) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (parts.size() + 1 < maxParts) {
        const size_t found = text.find(separator, start);
        if (found == std::string::npos) break;
        parts.push_back(text.substr(start, found - start));
        start = found + 1;
    }
    parts.push_back(text.substr(start));
    return parts;
}

// Message codes come as "0x100C" (base 16 accepts the prefix), the rest in decimal.
long ToNumber(const std::string& text, const std::string& context, int base = 10) {
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, base);
    if (text.empty() || *end != '\0')
        throw std::runtime_error("fixture: unexpected answer to " + context + ": " + text);
    return value;
}

}  // namespace

std::wstring FixtureBesideTest() { return CurrentExeDirectory() + L"\\desktop_fixture.exe"; }

DesktopFixture::DesktopFixture(const std::wstring& fixturePath, const std::vector<std::wstring>& args,
                               DWORD readyTimeoutMilliseconds) {
    Pipe commands = CreateInheritablePipe();
    Pipe answers = CreateInheritablePipe();
    KeepPrivate(commands.write);
    KeepPrivate(answers.read);
    const UniqueHandle errors = InheritableStandardError();

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = commands.read.Get();
    startup.hStdOutput = answers.write.Get();
    startup.hStdError = errors.Get();

    process_ = StartProcess(fixturePath, args, startup);
    toFixture_ = std::move(commands.write);
    fromFixture_ = std::move(answers.read);

    try {
        const std::string first = ReadLine("ready", readyTimeoutMilliseconds);
        if (first != "ready") throw std::runtime_error("fixture: expected 'ready', got '" + first + "'");
    } catch (...) {
        // No destructor runs for a half-made object: end the fixture here.
        TerminateProcess(process_.Get(), 1);
        WaitForSingleObject(process_.Get(), 5000);
        throw;
    }
}

DesktopFixture::~DesktopFixture() {
    if (!IsRunning()) return;
    const std::string quit = "quit\n";
    DWORD written = 0;
    WriteFile(toFixture_.Get(), quit.data(), static_cast<DWORD>(quit.size()), &written, nullptr);
    if (WaitForSingleObject(process_.Get(), 5000) != WAIT_OBJECT_0) {
        TerminateProcess(process_.Get(), 1);
        WaitForSingleObject(process_.Get(), 5000);
    }
}

std::vector<FixtureItem> DesktopFixture::Items() {
    std::vector<FixtureItem> items;
    for (const std::string& line : AskForList("items")) {
        const std::vector<std::string> fields = SplitOn(line, '\t', 4);
        if (fields.size() != 4) throw std::runtime_error("fixture: malformed item line: " + line);
        items.push_back({static_cast<int>(ToNumber(fields[0], "items")), static_cast<int>(ToNumber(fields[1], "items")),
                         static_cast<int>(ToNumber(fields[2], "items")), FromUtf8(fields[3])});
    }
    return items;
}

std::wstring DesktopFixture::Identity(int index) { return FromUtf8(Ask("identity " + std::to_string(index))); }

void DesktopFixture::Move(int index, int x, int y) {
    const std::string command = "move " + std::to_string(index) + " " + std::to_string(x) + " " + std::to_string(y);
    const std::string answer = Ask(command);
    if (answer != "ok") throw std::runtime_error("fixture: " + command + " answered " + answer);
}

void DesktopFixture::Recreate(const std::vector<Remade>& items) {
    std::string command = "recreate";
    for (const Remade& item : items)
        command += " " + std::to_string(item.index) + " " + std::to_string(item.x) + " " + std::to_string(item.y);
    const std::string answer = Ask(command);
    if (answer != "ok") throw std::runtime_error("fixture: recreate answered " + answer);
}

void DesktopFixture::RecreateFiles(const std::vector<std::wstring>& paths) {
    std::string command = "recreate-files";
    for (const std::wstring& path : paths)
        command += " " + ToUtf8(path);
    const std::string answer = Ask(command);
    if (answer != "ok") throw std::runtime_error("fixture: recreate-files answered " + answer);
}

RECT DesktopFixture::Rect(int index) {
    const std::string command = "rect " + std::to_string(index);
    std::istringstream answer(Ask(command));
    RECT bounds{};
    if (!(answer >> bounds.left >> bounds.top >> bounds.right >> bounds.bottom))
        throw std::runtime_error("fixture: unexpected answer to " + command);
    return bounds;
}

SIZE DesktopFixture::Spacing() {
    std::istringstream answer(Ask("spacing"));
    SIZE spacing{};
    if (!(answer >> spacing.cx >> spacing.cy)) throw std::runtime_error("fixture: unexpected answer to spacing");
    return spacing;
}

HWND DesktopFixture::ListView() {
    const std::string answer = Ask("hwnd");
    char* end = nullptr;
    const unsigned long long value = std::strtoull(answer.c_str(), &end, 10);
    if (answer.empty() || *end != '\0') throw std::runtime_error("fixture: unexpected answer to hwnd: " + answer);
    return reinterpret_cast<HWND>(static_cast<uintptr_t>(value));
}

std::map<UINT, unsigned> DesktopFixture::MessageCounts() {
    std::map<UINT, unsigned> counts;
    for (const std::string& line : AskForList("count")) {
        const std::vector<std::string> fields = SplitOn(line, '\t', 2);
        if (fields.size() != 2) throw std::runtime_error("fixture: malformed count line: " + line);
        counts[static_cast<UINT>(ToNumber(fields[0], "count", 16))] =
            static_cast<unsigned>(ToNumber(fields[1], "count"));
    }
    return counts;
}

void DesktopFixture::AutoArrange(bool on) {
    const std::string answer = Ask(on ? "auto-arrange on" : "auto-arrange off");
    if (answer != "ok") throw std::runtime_error("fixture: auto-arrange answered " + answer);
}

void DesktopFixture::Redraw(bool on) {
    const std::string answer = Ask(on ? "redraw 1" : "redraw 0");
    if (answer != "ok") throw std::runtime_error("fixture: redraw answered " + answer);
}

void DesktopFixture::ResetCounts() {
    const std::string answer = Ask("reset-counts");
    if (answer != "ok") throw std::runtime_error("fixture: reset-counts answered " + answer);
}

void DesktopFixture::Pace(DWORD milliseconds) {
    const std::string answer = Ask("pace " + std::to_string(milliseconds));
    if (answer != "ok") throw std::runtime_error("fixture: pace answered " + answer);
}

void DesktopFixture::AnnounceShellStart() {
    const std::string answer = Ask("announce");
    if (answer != "ok") throw std::runtime_error("fixture: announce answered " + answer);
}

void DesktopFixture::QuitAfter(unsigned messages) {
    const std::string answer = Ask("quit-after " + std::to_string(messages));
    if (answer != "ok") throw std::runtime_error("fixture: quit-after answered " + answer);
}

void DesktopFixture::StallAfter(unsigned messages) {
    const std::string answer = Ask("stall-after " + std::to_string(messages));
    if (answer != "ok") throw std::runtime_error("fixture: stall-after answered " + answer);
}

void DesktopFixture::StallIn(UINT message, unsigned nth) {
    const std::string answer = Ask("stall-in " + std::to_string(message) + " " + std::to_string(nth));
    if (answer != "ok") throw std::runtime_error("fixture: stall-in answered " + answer);
}

void DesktopFixture::Wake() {
    const UniqueHandle wake(
        OpenEventW(EVENT_MODIFY_STATE, FALSE, FixtureWakeEventName(GetProcessId(process_.Get())).c_str()));
    if (!wake || !SetEvent(wake.Get())) throw std::runtime_error("fixture: cannot wake it" + ExitDescription());
}

StallReport DesktopFixture::LastStall() {
    std::istringstream answer(Ask("stall-report"));
    StallReport report;
    std::string word;
    if (!(answer >> word) || word != "blocks") throw std::runtime_error("fixture: unexpected answer to stall-report");
    // Addresses, in hexadecimal; a long has only 32 bits here.
    while (answer >> word && word != "freed-writes")
        report.blocks.insert(static_cast<uintptr_t>(std::strtoull(word.c_str(), nullptr, 16)));
    if (!(answer >> report.freedWrites)) throw std::runtime_error("fixture: unexpected answer to stall-report");
    return report;
}

void DesktopFixture::Refresh() {
    const std::string answer = Ask("refresh");
    if (answer != "ok") throw std::runtime_error("fixture: refresh answered " + answer);
}

void DesktopFixture::StandIn(const std::string& command) {
    const std::string answer = Ask("stand-in " + command);
    if (answer != "ok") throw std::runtime_error("fixture: stand-in " + command + " answered " + answer);
}

DesktopFixture::StandInObjects DesktopFixture::StandInObjectCount() {
    std::istringstream answer(Ask("stand-in objects"));
    std::string made;
    std::string live;
    StandInObjects objects;
    if (!(answer >> made >> objects.made >> live >> objects.live) || made != "made" || live != "live")
        throw std::runtime_error("fixture: unexpected answer to stand-in objects");
    return objects;
}

std::map<std::string, unsigned> DesktopFixture::StandInCalls() {
    std::map<std::string, unsigned> calls;
    for (const std::string& line : AskForList("stand-in calls")) {
        const std::vector<std::string> fields = SplitOn(line, '\t', 2);
        if (fields.size() != 2) throw std::runtime_error("fixture: malformed stand-in call line: " + line);
        calls[fields[0]] = static_cast<unsigned>(ToNumber(fields[1], "stand-in calls"));
    }
    return calls;
}

void DesktopFixture::Quit() {
    const std::string answer = Ask("quit");
    if (answer != "ok") throw std::runtime_error("fixture: quit answered " + answer);
    if (WaitForSingleObject(process_.Get(), kExitTimeoutMilliseconds) != WAIT_OBJECT_0)
        throw std::runtime_error("fixture: still running after quit");
}

bool DesktopFixture::IsRunning() const { return WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT; }

std::string DesktopFixture::Ask(const std::string& command) {
    Send(command);
    std::string answer = ReadLine(command, kAnswerTimeoutMilliseconds);
    if (answer.compare(0, 6, "error ") == 0) throw std::runtime_error("fixture: " + command + ": " + answer);
    return answer;
}

std::vector<std::string> DesktopFixture::AskForList(const std::string& command) {
    std::vector<std::string> lines;
    for (std::string line = Ask(command); line != "."; line = ReadLine(command, kAnswerTimeoutMilliseconds))
        lines.push_back(line);
    return lines;
}

void DesktopFixture::Send(const std::string& command) {
    const std::string line = command + "\n";
    DWORD written = 0;
    if (!WriteFile(toFixture_.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr) ||
        written != line.size())
        throw std::runtime_error("fixture: cannot send '" + command + "'" + ExitDescription());
}

// Polls rather than blocks: a blocking read would hang forever if the
// fixture died while something else (a Wine service) still held the pipe.
std::string DesktopFixture::ReadLine(const std::string& waitingFor, DWORD timeoutMilliseconds) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMilliseconds;
    for (;;) {
        const size_t newline = received_.find('\n');
        if (newline != std::string::npos) {
            std::string line = received_.substr(0, newline);
            received_.erase(0, newline + 1);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            return line;
        }

        DWORD available = 0;
        const bool open = PeekNamedPipe(fromFixture_.Get(), nullptr, 0, nullptr, &available, nullptr);
        if (available > 0) {
            std::string chunk(available, '\0');
            DWORD read = 0;
            if (ReadFile(fromFixture_.Get(), chunk.data(), available, &read, nullptr)) received_.append(chunk, 0, read);
            continue;
        }
        // Once the process has ended, whatever it wrote is already in the pipe.
        const bool exited = WaitForSingleObject(process_.Get(), 1) == WAIT_OBJECT_0;
        if (!open || exited) {
            PeekNamedPipe(fromFixture_.Get(), nullptr, 0, nullptr, &available, nullptr);
            if (available > 0) continue;
            throw std::runtime_error("fixture: no answer to '" + waitingFor + "'" + ExitDescription());
        }
        if (GetTickCount64() >= deadline)
            throw std::runtime_error("fixture: no answer to '" + waitingFor + "' within " +
                                     std::to_string(timeoutMilliseconds) + " ms");
    }
}

std::string DesktopFixture::ExitDescription() const {
    DWORD exitCode = 0;
    if (IsRunning() || !GetExitCodeProcess(process_.Get(), &exitCode)) return "";
    return " (it exited with code " + std::to_string(exitCode) + ")";
}
