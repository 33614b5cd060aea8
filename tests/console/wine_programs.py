"""Starting the Windows programs of the build from Linux-side tests: the desktop
fixture (driven over its standard input and output) and Kelvane in a tmux
terminal, as a user at a console runs it."""

import itertools
import os
import shutil
import subprocess
import tempfile
import time

# The build under test and the Wine loader of its width; reg.exe and other
# helpers run with the 64-bit loader in the same prefix.
BUILD_DIR = os.environ["KELVANE_BUILD_DIR"]
LOADER = os.environ.get("KELVANE_LOADER", "/usr/lib/wine/wine64")
WINE64 = "/usr/lib/wine/wine64"
KELVANE = os.path.join(BUILD_DIR, os.environ.get("KELVANE_EXE_NAME", "Kelvane64.exe"))
FIXTURE = os.path.join(BUILD_DIR, "tests", "desktop_fixture.exe")
STAND_IN_SERVER = os.path.join(BUILD_DIR, "tests", "shell_stand_in.dll")


class Fixture:
    """The desktop fixture in its own process, answering one line per command."""

    def __init__(self, *arguments):
        self.process = subprocess.Popen(
            [LOADER, FIXTURE, *arguments],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
            text=True, encoding="utf-8", bufsize=1)
        line = self.process.stdout.readline().strip()
        if line != "ready":
            raise RuntimeError(f"fixture did not start: {line!r}")

    def ask(self, command):
        self.process.stdin.write(command + "\n")
        self.process.stdin.flush()
        return self.process.stdout.readline().rstrip("\n")

    def items(self):
        self.process.stdin.write("items\n")
        self.process.stdin.flush()
        items = []
        for line in iter(self.process.stdout.readline, ""):
            line = line.rstrip("\n")
            if line == ".":
                break
            index, x, y, text = line.split("\t", 3)
            items.append((int(index), int(x), int(y), text))
        return items

    def message_count(self):
        """How many list-view messages from other processes it has answered."""
        self.process.stdin.write("count\n")
        self.process.stdin.flush()
        total = 0
        for line in iter(self.process.stdout.readline, ""):
            line = line.rstrip("\n")
            if line == ".":
                break
            total += int(line.split("\t")[1])
        return total

    def regions(self):
        """The allocation bases of its committed private memory, where other
        processes' blocks live."""
        return set(self.ask("regions").split())

    def close(self):
        try:
            self.ask("quit")
        except (BrokenPipeError, OSError):
            pass
        try:
            self.process.wait(timeout=15)
        except subprocess.TimeoutExpired:
            self.process.kill()


class Terminal:
    """A tmux session running one command; the screen is read back as text.

    Each terminal has a tmux server of its own: a server shared between
    terminals exits when its last session is killed, and a session started
    while it is still shutting down fails with "server exited unexpectedly".
    """

    _count = itertools.count()

    def __init__(self, command, width=120, height=30):
        self.name = f"kelvane{os.getpid()}-{next(Terminal._count)}"
        self.dir = tempfile.mkdtemp(prefix="kelvane-tmux.")
        self.exit_file = os.path.join(self.dir, "exit")
        shell = f"{command}; echo $? > {self.exit_file}; sleep 600"
        self.tmux = ["tmux", "-L", self.name]
        subprocess.run([*self.tmux, "new-session", "-d", "-s", self.name, "-x", str(width), "-y", str(height),
                        "bash", "-c", shell], check=True, env=dict(os.environ, LANG="C.UTF-8"))

    def screen(self):
        return subprocess.run([*self.tmux, "capture-pane", "-p", "-t", self.name],
                              capture_output=True, text=True, check=True).stdout

    def keys(self, *keys):
        subprocess.run([*self.tmux, "send-keys", "-t", self.name, *keys], check=True)

    def wait_for(self, text, timeout=60):
        deadline = time.time() + timeout
        while time.time() < deadline:
            screen = self.screen()
            if text in screen:
                return screen
            time.sleep(0.2)
        raise AssertionError(f"{text!r} did not appear; the screen shows:\n{self.screen()}")

    def has_ended(self):
        return os.path.exists(self.exit_file) and os.path.getsize(self.exit_file) > 0

    def exit_code(self, timeout=60):
        deadline = time.time() + timeout
        while time.time() < deadline:
            if os.path.exists(self.exit_file):
                with open(self.exit_file) as f:
                    content = f.read().strip()
                if content:
                    return int(content)
            time.sleep(0.2)
        raise AssertionError("the program did not end")

    def close(self):
        subprocess.run([*self.tmux, "kill-server"], capture_output=True)
        shutil.rmtree(self.dir, ignore_errors=True)


def registry_layouts():
    """The stored layout names, as Wine's own reg.exe lists them."""
    result = subprocess.run([WINE64, "reg", "query", r"HKCU\Software\Brenlow\DeskTop"],
                            capture_output=True, text=True, encoding="utf-8", errors="replace")
    prefix = "HKEY_CURRENT_USER\\Software\\Brenlow\\DeskTop\\"
    return sorted(line.strip()[len(prefix):] for line in result.stdout.splitlines()
                  if line.strip().startswith(prefix))


def registry_values(layout):
    """The values of a stored layout, as Wine's reg.exe lists them: {name: data}."""
    result = subprocess.run([WINE64, "reg", "query", rf"HKCU\Software\Brenlow\DeskTop\{layout}"],
                            capture_output=True, text=True, encoding="utf-8", errors="replace")
    values = {}
    for line in result.stdout.splitlines():
        fields = line.strip().split("    ")
        if len(fields) == 3 and fields[1].startswith("REG_"):
            values[fields[0]] = fields[2]
    return values


def delete_store():
    subprocess.run([WINE64, "reg", "delete", r"HKCU\Software\Brenlow", "/f"], capture_output=True)


def write_layouts(layouts):
    """Stores layouts through Wine's reg.exe in one import: {name: {value: (x, y)}},
    each value a text-only record (REG_DWORD, y in the high half)."""
    lines = ["Windows Registry Editor Version 5.00", ""]
    for name, values in layouts.items():
        lines.append(f"[HKEY_CURRENT_USER\\Software\\Brenlow\\DeskTop\\{name}]")
        for value, (x, y) in values.items():
            lines.append(f'"{value}"=dword:{((y & 0xFFFF) << 16) | (x & 0xFFFF):08x}')
        lines.append("")
    import_registry(lines, WINE64)


def import_registry(lines, loader):
    """Imports the lines of a .reg file with Wine's reg.exe run by the loader
    given: a 32-bit reg.exe writes the 32-bit registry view."""
    with tempfile.NamedTemporaryFile("w", suffix=".reg", delete=False, encoding="utf-16") as f:
        f.write("\r\n".join(lines) + "\r\n")
        path = f.name
    try:
        subprocess.run([loader, "reg", "import", path], capture_output=True, check=True)
    finally:
        os.unlink(path)


# The shell's window list and the stand-in shell server's class; the same as in
# tests/shell_stand_in/stand_in_protocol.h.
SHELL_WINDOWS_CLASS = "{9BA05972-F6A8-11CF-A442-00A0C90A8F39}"
STAND_IN_CLASS = "{5C4E0B8A-3D51-4F0B-9B7A-2E6D14A0C7F3}"
CLASSES = r"HKEY_LOCAL_MACHINE\Software\Classes\CLSID"


def register_stand_in():
    """Sends the program's lookups of the shell's window list to the stand-in
    shell server of the build's width: reg.exe runs under the build's own
    loader, so the keys land in the registry view the program reads."""
    server = "Z:" + STAND_IN_SERVER.replace("/", "\\").replace("\\", "\\\\")
    lines = ["Windows Registry Editor Version 5.00", "",
             f"[{CLASSES}\\{STAND_IN_CLASS}\\InprocServer32]", f'@="{server}"', '"ThreadingModel"="Both"', "",
             f"[{CLASSES}\\{SHELL_WINDOWS_CLASS}\\TreatAs]", f'@="{STAND_IN_CLASS}"', ""]
    import_registry(lines, LOADER)


def unregister_stand_in():
    for key in (f"{CLASSES}\\{SHELL_WINDOWS_CLASS}\\TreatAs", f"{CLASSES}\\{STAND_IN_CLASS}"):
        subprocess.run([LOADER, "reg", "delete", key, "/f"], capture_output=True)

