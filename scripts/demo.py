"""The main job against a demonstration desktop: save the icons of a desktop
under Wine, scramble them, restore them, and show the positions at each step;
then list the stored layouts and take the restore back with undo, twice; let
the watcher put the icons back after the shell announces a restart; last, a
restore that a shell keeping its own record of the icons' places (as Windows 10
1809 and later do) keeps through its refresh."""

import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "console"))
from wine_programs import KELVANE, LOADER, Fixture, register_stand_in, unregister_stand_in  # noqa: E402

DEMO_FILES = ["Readme.txt", "Budget 2026.xlsx", "Holiday photos.zip", "Notes.txt", "B\u00fcro.txt",
              "Invoice.pdf", "Project plan.docx", "Todo.txt"]


def run_kelvane(*arguments):
    print(f"\n$ Kelvane64.exe {' '.join(arguments)}")
    result = subprocess.run([LOADER, KELVANE, *arguments], stdin=subprocess.DEVNULL,
                            capture_output=True, text=True, encoding="utf-8")
    for stream in (result.stdout, result.stderr):
        if stream:
            print("  " + stream.rstrip("\n").replace("\n", "\n  "))
    print(f"  (exit code {result.returncode})")


def watch_a_shell_restart(fixture, saved):
    """The watcher puts the icons back by itself once the shell announces that
    it has started again."""
    print("\n$ Kelvane64.exe watch /w 1        (in the background)")
    watcher = subprocess.Popen([LOADER, KELVANE, "watch", "/w", "1"], stdin=subprocess.DEVNULL,
                               stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, encoding="utf-8")
    lines = [watcher.stdout.readline(), watcher.stdout.readline()]  # the banner, then what it watches
    for (index, _, _, _), (_, x, y, _) in zip(saved, reversed(saved)):
        fixture.ask(f"move {index} {x} {y}")
    show("Scrambled again; the shell announces that it has started (TaskbarCreated):", fixture.items())
    fixture.ask("announce")
    deadline = time.time() + 60
    while sorted(fixture.items()) != sorted(saved) and time.time() < deadline:
        time.sleep(0.2)
    run_kelvane("watch", "/stop")
    lines += watcher.stdout.readlines()
    watcher.wait(timeout=60)
    print("  The watcher printed:\n  " + "  ".join(lines).rstrip("\n"))
    print(f"  (exit code {watcher.returncode})")
    after = fixture.items()
    show("After the watcher:", after)
    return sorted(after) == sorted(saved)


def kept_by_the_shell():
    """Windows 10 1809 and later keep their own record of where the icons stand
    and put them back from it later; a restore tells that record too. Wine's
    shell has no such record, so the tests' stand-in plays it: moves sent to its
    list view from outside are lost at its refresh unless the record was told."""
    folder = os.path.join(os.environ["WINEPREFIX"], "drive_c", "KelvaneKept")
    os.makedirs(folder, exist_ok=True)
    for name in DEMO_FILES[:4]:
        open(os.path.join(folder, name), "w").close()
    register_stand_in()
    fixture = Fixture("--shell-folder", r"C:\KelvaneKept", "--stand-in")
    try:
        saved = fixture.items()
        show("A desktop whose shell keeps its own record (a stand-in for Windows 10 1809 and later):", saved)
        run_kelvane("save", "/y", "/n", "Kept")
        for (index, _, _, _), (_, x, y, _) in zip(saved, reversed(saved)):
            fixture.ask(f"move {index} {x} {y}")
        run_kelvane("restore", "/y", "/n", "Kept")
        fixture.ask("refresh")
        after = fixture.items()
        show("After the restore and then the shell's refresh from its record:", after)
        return sorted(after) == sorted(saved)
    finally:
        fixture.close()
        unregister_stand_in()


def show(title, items):
    print(f"\n{title}")
    for index, x, y, text in items:
        print(f"  {index:2}  ({x:5}, {y:5})  {text}")


def main():
    folder = os.path.join(os.environ["WINEPREFIX"], "drive_c", "KelvaneDemo")
    os.makedirs(folder, exist_ok=True)
    for name in DEMO_FILES:
        open(os.path.join(folder, name), "w").close()

    fixture = Fixture("--shell-folder", r"C:\KelvaneDemo")
    try:
        before = fixture.items()
        show("Demonstration desktop (Wine's shell view of C:\\KelvaneDemo):", before)
        run_kelvane("save", "/y")

        # Scramble: the icons swap places, so that every stored spot is taken by
        # another icon, which the restore must first move out of the way.
        for (index, _, _, _), (_, x, y, _) in zip(before, reversed(before)):
            fixture.ask(f"move {index} {x} {y}")
        show("After scrambling:", fixture.items())

        run_kelvane("restore", "/y")
        after = fixture.items()
        show("After restore:", after)
        run_kelvane("query")
        run_kelvane("list")

        # Every restore keeps the arrangement it replaced: undo brings the
        # scrambled desktop back, and a second undo the restored one.
        run_kelvane("undo", "/y")
        show("After undo:", fixture.items())
        run_kelvane("undo", "/y")
        undone_twice = fixture.items()

        screenshot = os.path.join(os.environ["KELVANE_BUILD_DIR"], "demo-desktop.png")
        subprocess.run(["import", "-display", os.environ["DISPLAY"], "-window", "root", screenshot],
                       capture_output=True)
        if os.path.exists(screenshot):
            print(f"\nScreenshot of the restored desktop: {screenshot}")

        restored = sorted(before) == sorted(after) == sorted(undone_twice)
        print("\nEvery icon is back where it was saved." if restored else "\nSome icons are not back!")
        watched = watch_a_shell_restart(fixture, before)
        print("\nThe watcher put every icon back." if watched else "\nThe watcher left icons out of place!")
    finally:
        fixture.close()
    kept = kept_by_the_shell()
    print("\nThe shell kept the restored places." if kept else "\nThe shell lost the restored places!")
    return 0 if restored and watched and kept else 1


if __name__ == "__main__":
    sys.exit(main())
