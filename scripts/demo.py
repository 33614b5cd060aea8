"""The main job against a demonstration desktop: arrange the icons of a desktop
under Wine in groups as a person would, save them, scramble them, compare the
desktop with its layout, restore it, compare again, and show the positions at
each step, with a picture of the three desktops side by side;
then list the stored layouts and take the restore back with undo, twice; let
the watcher put the icons back after the shell announces a restart, and put
back a file that an editor replaced (deleted and written again); last, a
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

# Where a person might keep them: work on the left, the trip on the right, notes
# along the bottom.
ARRANGEMENT = {"Budget 2026.xlsx": (40, 40), "Invoice.pdf": (115, 40), "Project plan.docx": (40, 130),
               "Holiday photos.zip": (1000, 60), "B\u00fcro.txt": (1090, 60), "Readme.txt": (420, 760),
               "Notes.txt": (510, 760), "Todo.txt": (600, 760)}
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"


def run_kelvane(*arguments):
    print(f"\n$ Kelvane64.exe {' '.join(arguments)}")
    result = subprocess.run([LOADER, KELVANE, *arguments], stdin=subprocess.DEVNULL,
                            capture_output=True, text=True, encoding="utf-8")
    for stream in (result.stdout, result.stderr):
        if stream:
            print("  " + stream.rstrip("\n").replace("\n", "\n  "))
    print(f"  (exit code {result.returncode})")


def places(items):
    """Where each icon stands, whatever its index."""
    return sorted((text, x, y) for _, x, y, text in items)


def watch_a_shell_restart(fixture, saved):
    """The watcher puts the icons back by itself once the shell announces that
    it has started again, and puts back a file made again."""
    print("\n$ Kelvane64.exe watch /w 1        (in the background)")
    watcher = subprocess.Popen([LOADER, KELVANE, "watch", "/w", "1"], stdin=subprocess.DEVNULL,
                               stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, encoding="utf-8")
    lines = [watcher.stdout.readline(), watcher.stdout.readline()]  # the banner, then what it watches
    for (index, _, _, _), (_, x, y, _) in zip(saved, reversed(saved)):
        fixture.ask(f"move {index} {x} {y}")
    show("Scrambled again; the shell announces that it has started (TaskbarCreated):", fixture.items())
    fixture.ask("announce")
    deadline = time.time() + 60
    while places(fixture.items()) != places(saved) and time.time() < deadline:
        time.sleep(0.2)
    # An editor saves through a temporary file: the document is deleted and
    # written again, and the shell shows the new one on the first free spot.
    print('\nAn editor saves "Notes.txt" by writing it anew (deleted, then made again).')
    fixture.ask(r"recreate-files C:\KelvaneDemo\Notes.txt")
    deadline = time.time() + 60
    time.sleep(0.5)
    while places(fixture.items()) != places(saved) and time.time() < deadline:
        time.sleep(0.2)
    run_kelvane("watch", "/stop")
    lines += watcher.stdout.readlines()
    watcher.wait(timeout=60)
    print("  The watcher printed:\n  " + "  ".join(lines).rstrip("\n"))
    print(f"  (exit code {watcher.returncode})")
    after = fixture.items()
    show("After the watcher:", after)
    return places(after) == places(saved)


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


def screenshot(name):
    path = os.path.join(os.environ["KELVANE_BUILD_DIR"], name)
    subprocess.run(["import", "-display", os.environ["DISPLAY"], "-window", "root", path], capture_output=True)
    return path


def three_panels(panels):
    """The arranged, scrambled and restored desktops side by side, labelled."""
    picture = os.path.join(os.environ["KELVANE_BUILD_DIR"], "demo-desktop.png")
    arguments = ["montage", "-font", FONT, "-pointsize", "22"]
    for label, path in panels:
        arguments += ["-label", label, path]
    subprocess.run(arguments + ["-tile", "3x1", "-geometry", "640x512+8+8", picture], capture_output=True)
    for _, path in panels:
        if os.path.exists(path):
            os.remove(path)
    if os.path.exists(picture):
        print(f"\nThe desktop arranged, scrambled and restored: {picture}")


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
        for index, _, _, text in fixture.items():
            x, y = ARRANGEMENT[text]
            fixture.ask(f"move {index} {x} {y}")
        before = fixture.items()
        show("Demonstration desktop (Wine's shell view of C:\\KelvaneDemo), arranged in groups:", before)
        panels = [("1. Arranged", screenshot("demo-arranged.png"))]
        run_kelvane("save", "/y")

        # Scramble: the icons swap places, so that every stored spot is taken by
        # another icon, which the restore must first move out of the way.
        for (index, _, _, _), (_, x, y, _) in zip(before, reversed(before)):
            fixture.ask(f"move {index} {x} {y}")
        show("After scrambling:", fixture.items())
        panels.append(("2. Scrambled", screenshot("demo-scrambled.png")))
        run_kelvane("status")

        run_kelvane("restore", "/y")
        after = fixture.items()
        show("After restore:", after)
        panels.append(("3. Restored", screenshot("demo-restored.png")))
        three_panels(panels)
        run_kelvane("status")
        run_kelvane("query")
        run_kelvane("list")

        # Every restore keeps the arrangement it replaced: undo brings the
        # scrambled desktop back, and a second undo the restored one.
        run_kelvane("undo", "/y")
        show("After undo:", fixture.items())
        run_kelvane("undo", "/y")
        undone_twice = fixture.items()

        restored = sorted(before) == sorted(after) == sorted(undone_twice)
        print("\nEvery icon is back where it was saved." if restored else "\nSome icons are not back!")
        watched = watch_a_shell_restart(fixture, before)
        print("\nThe watcher put every icon back." if watched else "\nThe watcher left icons out of place!")
    finally:
        fixture.close()
    kept = kept_by_the_shell()
    print("\nThe shell kept the restored places." if kept else "\nThe shell lost the restored places!")
    # What a user pastes into a report.
    run_kelvane("doctor")
    return 0 if restored and watched and kept else 1


if __name__ == "__main__":
    sys.exit(main())
