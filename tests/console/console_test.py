"""The question and the menu at a real console: Kelvane64.exe under Wine in a
tmux terminal, against the desktop fixture."""

import os
import random
import subprocess
import time
import unittest

from wine_programs import (KELVANE, LOADER, Fixture, Terminal, delete_store, register_stand_in, registry_layouts,
                           registry_values, unregister_stand_in, write_layouts)


class ConsoleQuestion(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = os.path.join(os.environ["WINEPREFIX"], "drive_c", "console-desk")
        os.makedirs(cls.folder, exist_ok=True)
        for name in ("alpha.txt", "beta.txt"):
            open(os.path.join(cls.folder, name), "w").close()
        cls.fixture = Fixture("--shell-folder", r"C:\console-desk")

    @classmethod
    def tearDownClass(cls):
        cls.fixture.close()

    def setUp(self):
        delete_store()
        self.terminal = None

    def tearDown(self):
        if self.terminal:
            self.terminal.close()

    def run_in_terminal(self, *arguments):
        quoted = " ".join(f"'{argument}'" for argument in arguments)
        self.terminal = Terminal(f"{LOADER} {KELVANE} {quoted}")
        return self.terminal

    def test_save_question_refuses_other_keys_and_takes_no(self):
        terminal = self.run_in_terminal("save", "/n", "Tmux Layout")
        screen = terminal.wait_for("[y/n]?")
        lines = screen.splitlines()
        question = next(i for i, line in enumerate(lines) if line.startswith("Save Icon Locations for:"))
        self.assertEqual("Tmux Layout [y/n]?", lines[question + 1].rstrip())

        terminal.keys("j")
        terminal.keys("Up")
        terminal.keys("C-c")
        self.assertNotIn("[y/n]? n", terminal.screen())
        self.assertNotIn("[y/n]? j", terminal.screen())
        terminal.keys("N")
        screen = terminal.wait_for("[y/n]? n")
        self.assertEqual(0, terminal.exit_code())
        self.assertEqual([], registry_layouts())

    def test_save_question_answered_yes_saves(self):
        terminal = self.run_in_terminal("save", "/n", "Tmux Yes")
        terminal.wait_for("[y/n]?")
        terminal.keys("Y")
        terminal.wait_for("[y/n]? y")
        self.assertEqual(0, terminal.exit_code())
        self.assertEqual(["Tmux Yes"], registry_layouts())


class QueryMenu(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        folder = os.path.join(os.environ["WINEPREFIX"], "drive_c", "query-desk")
        os.makedirs(folder, exist_ok=True)
        open(os.path.join(folder, "alpha.txt"), "w").close()
        cls.fixture = Fixture("--shell-folder", r"C:\query-desk")

    @classmethod
    def tearDownClass(cls):
        cls.fixture.close()

    def setUp(self):
        delete_store()
        self.fixture.ask("move 0 40 40")
        self.terminal = None

    def tearDown(self):
        if self.terminal:
            self.terminal.close()

    def query(self, *arguments):
        self.terminal = Terminal(f"{LOADER} {KELVANE} query {' '.join(arguments)}", height=50)
        return self.terminal.wait_for("Choose Layout:")

    def alpha_position(self):
        return self.fixture.items()[0][1:3]

    def menu_lines(self, screen):
        lines = [line.rstrip() for line in screen.splitlines()]
        start = next(i for i, line in enumerate(lines) if line.startswith("Current Resolution: "))
        end = next(i for i, line in enumerate(lines) if line.startswith("Choose Layout:"))
        return lines[start:end + 1]

    def test_menu_in_enumeration_order_and_keys_that_choose_nothing(self):
        write_layouts({"Travel": {"alpha.txt": (300, 30)}, "home": {"alpha.txt": (100, 30)},
                       "Office": {"alpha.txt": (200, 30)}})
        for key in ("5", "A"):
            screen = self.query()
            lines = self.menu_lines(screen)
            self.assertRegex(lines[0], r"^Current Resolution: Layout \d+ x \d+$")
            self.assertEqual(["", "1) home", "2) Office", "3) Travel", "Choose Layout:"], lines[1:])
            self.terminal.keys(key)
            self.terminal.wait_for(f"Choose Layout: {key}")
            self.assertEqual(0, self.terminal.exit_code())
            self.assertNotIn("Restore Icon Locations", self.terminal.screen())
            self.assertEqual((40, 40), self.alpha_position())
            self.terminal.close()

    def test_chosen_layout_is_asked_for_then_restored(self):
        write_layouts({"Home": {"alpha.txt": (100, 30)}, "Office": {"alpha.txt": (200, 30)}})
        self.query()
        self.terminal.keys("2")
        screen = self.terminal.wait_for("[y/n]?")
        lines = [line.rstrip() for line in screen.splitlines()]
        at = lines.index("Choose Layout: 2")
        self.assertEqual(["", "Restore Icon Locations for:", "\tOffice [y/n]?"],
                         [line.replace("        ", "\t", 1) if line.startswith(" ") else line
                          for line in lines[at + 1:at + 4]])
        self.terminal.keys("n")
        self.terminal.wait_for("[y/n]? n")
        self.assertEqual(0, self.terminal.exit_code())
        self.assertEqual((40, 40), self.alpha_position())
        self.terminal.close()

        self.query()
        self.terminal.keys("2")
        self.terminal.wait_for("[y/n]?")
        self.terminal.keys("y")
        self.terminal.wait_for("Desktop Restored: 1 icons")
        self.assertIn("Layout: Office", self.terminal.screen())
        self.assertEqual(0, self.terminal.exit_code())
        self.assertEqual((200, 30), self.alpha_position())

    def test_a_desktop_that_arranges_itself_is_not_asked_about(self):
        write_layouts({"Home": {"alpha.txt": (100, 30)}})
        self.fixture.ask("auto-arrange on")
        try:
            arranged = self.alpha_position()
            self.query()
            self.terminal.keys("1")
            screen = self.terminal.wait_for("restore again.")
            self.assertIn('turn off "Auto arrange icons"', screen.replace("\n", ""))
            self.assertEqual(0, self.terminal.exit_code())
            self.assertNotIn("Restore Icon Locations", screen)
            self.assertEqual(arranged, self.alpha_position())
        finally:
            self.fixture.ask("auto-arrange off")

    def test_thirty_five_layouts_fill_the_menu(self):
        write_layouts({f"L{n:02}": {"alpha.txt": (n * 10, 50)} for n in range(1, 36)})
        screen = self.query("/y")
        lines = self.menu_lines(screen)
        self.assertEqual("9) L09", lines[10])
        self.assertEqual("a) L10", lines[11])
        self.assertEqual("z) L35", lines[36])
        self.terminal.keys("z")
        self.terminal.wait_for("Desktop Restored: 1 icons")
        self.assertNotIn("[y/n]?", self.terminal.screen())
        self.assertEqual((350, 50), self.alpha_position())

    def test_more_layouts_than_keys_choose_nothing(self):
        write_layouts({f"L{n:02}": {"alpha.txt": (n * 10, 50)} for n in range(1, 37)})
        screen = self.query("/y")
        lines = self.menu_lines(screen)
        self.assertEqual("z) L35", lines[36])
        self.assertEqual("L36", lines[37].strip())
        self.terminal.keys("1")
        self.assertEqual(0, self.terminal.exit_code())
        self.assertTrue(self.terminal.screen().rstrip().endswith("Choose Layout:"), "no echo")
        self.assertEqual((40, 40), self.alpha_position())


class ManageQuestions(unittest.TestCase):
    """The questions of delete, an overwriting export, import and undo at a
    console: no changes nothing and ends with exit code 1, yes does the work."""

    @classmethod
    def setUpClass(cls):
        folder = os.path.join(os.environ["WINEPREFIX"], "drive_c", "manage-desk")
        os.makedirs(folder, exist_ok=True)
        open(os.path.join(folder, "alpha.txt"), "w").close()
        cls.fixture = Fixture("--shell-folder", r"C:\manage-desk")
        cls.file = os.path.join(os.environ["WINEPREFIX"], "drive_c", "manage-layouts.json")

    @classmethod
    def tearDownClass(cls):
        cls.fixture.close()

    def setUp(self):
        delete_store()
        self.fixture.ask("move 0 40 40")
        self.terminal = None

    def tearDown(self):
        if self.terminal:
            self.terminal.close()
        if os.path.exists(self.file):
            os.unlink(self.file)

    def ask(self, *arguments):
        quoted = " ".join(f"'{argument}'" for argument in arguments)
        self.terminal = Terminal(f"{LOADER} {KELVANE} {quoted}")
        return [line.rstrip() for line in self.terminal.wait_for("[y/n]?").splitlines()]

    def answer(self, key, exit_code):
        self.terminal.keys(key)
        self.terminal.wait_for(f"[y/n]? {key.lower()}")
        self.assertEqual(exit_code, self.terminal.exit_code())
        self.terminal.close()
        self.terminal = None

    def alpha_position(self):
        return self.fixture.items()[0][1:3]

    def test_delete_question(self):
        write_layouts({"Keep": {"alpha.txt": (100, 30)}, "Other": {"alpha.txt": (200, 30)}})
        lines = self.ask("delete", "/n", "keep")
        at = lines.index("Delete Icon Locations for:")
        self.assertEqual("Keep [y/n]?", lines[at + 1].strip())
        self.answer("n", 1)
        self.assertEqual(["Keep", "Other"], registry_layouts())
        self.ask("delete", "/n", "keep")
        self.terminal.keys("j")
        self.answer("y", 0)
        self.assertEqual(["Other"], registry_layouts())

    def test_export_question_before_overwriting(self):
        write_layouts({"Keep": {"alpha.txt": (100, 30)}})
        with open(self.file, "w") as f:
            f.write("keep me")
        lines = self.ask("export", "/f", r"C:\manage-layouts.json")
        self.assertIn("Overwrite the file:", lines)
        self.answer("N", 1)
        with open(self.file) as f:
            self.assertEqual("keep me", f.read())
        self.ask("export", "/f", r"C:\manage-layouts.json")
        self.answer("y", 0)
        with open(self.file, encoding="utf-8") as f:
            self.assertIn('"name": "Keep"', f.read())

    def test_import_question_before_replacing(self):
        write_layouts({"Keep": {"alpha.txt": (100, 30)}})
        subprocess.run([LOADER, KELVANE, "export", "/f", r"C:\manage-layouts.json"], capture_output=True, check=True)
        write_layouts({"Keep": {"alpha.txt": (300, 30)}})
        lines = self.ask("import", "/f", r"C:\manage-layouts.json")
        at = lines.index("Replace Icon Locations for:")
        self.assertEqual("Keep [y/n]?", lines[at + 1].strip())
        self.answer("n", 1)
        self.assertEqual((300, 30), self.restore_and_read("Keep"))
        self.ask("import", "/f", r"C:\manage-layouts.json")
        self.answer("Y", 0)
        self.assertEqual((100, 30), self.restore_and_read("Keep"))

    def test_undo_question(self):
        write_layouts({"Home": {"alpha.txt": (200, 30)}})
        self.restore_and_read("Home")
        lines = self.ask("undo")
        self.assertIn("Undo the last restore [y/n]?", lines)
        self.answer("n", 1)
        self.assertEqual((200, 30), self.alpha_position())
        self.ask("undo")
        self.answer("y", 0)
        self.assertEqual((40, 40), self.alpha_position())

    def restore_and_read(self, name):
        subprocess.run([LOADER, KELVANE, "restore", "/y", "/n", name], capture_output=True, check=True)
        return self.alpha_position()


class InterruptedWalk(unittest.TestCase):
    """Ctrl+C while a save or a restore walks a few hundred icons: the walk stops
    at its next icon, releases its blocks, leaves the store as it was, says so in
    one line, and the process ends as one stopped by Ctrl+C."""

    ICONS = 300
    # Wine hands the low byte of a Windows exit code to Linux: 0xC000013A, the
    # code of a console program stopped by Ctrl+C, arrives as 0x3A.
    STOPPED_EXIT_STATUS = 0xC000013A & 0xFF

    @classmethod
    def setUpClass(cls):
        cls.fixture = Fixture("--synthetic-count", str(cls.ICONS))
        cls.places = {text: (x, y) for _, x, y, text in cls.fixture.items()}

    @classmethod
    def tearDownClass(cls):
        cls.fixture.close()

    def setUp(self):
        delete_store()
        self.terminal = None

    def tearDown(self):
        self.fixture.ask("pace 0")
        if self.terminal:
            self.terminal.close()

    def interrupt(self, *arguments):
        """Runs the program with its walk slowed down, presses Ctrl+C once the walk
        is under way, and returns the screen after the program ended."""
        self.regions_before = self.fixture.regions()
        self.fixture.ask("reset-counts")
        # Ten milliseconds a message: the walk takes many seconds, so the key
        # arrives while it runs whatever the load on the machine.
        self.fixture.ask("pace 10")
        for attempt in range(3):
            self.terminal = Terminal(f"{LOADER} {KELVANE} {' '.join(arguments)}")
            if self.walk_began():
                break
            # Now and then Wine loses a new process in its own start-up: such a
            # run is started again, as the suite's harness does.
            print(f"\n  {arguments[0]} ended before its walk (attempt {attempt + 1}):\n{self.terminal.screen()}",
                  flush=True)
            self.terminal.close()
            self.terminal = None
        else:
            self.fail("the program never began its walk")
        pressed = time.time()
        self.terminal.keys("C-c")
        self.assertEqual(self.STOPPED_EXIT_STATUS, self.terminal.exit_code(timeout=60))
        print(f"\n  {arguments[0]}: ended {time.time() - pressed:.2f} s after Ctrl+C", flush=True)
        self.fixture.ask("pace 0")
        self.assertEqual(self.regions_before, self.fixture.regions(), "blocks were left in the desktop's process")
        return self.terminal.screen()

    def walk_began(self):
        deadline = time.time() + 120
        while self.fixture.message_count() < 30:
            if self.terminal.has_ended():
                return False
            self.assertLess(time.time(), deadline, f"the walk did not begin:\n{self.terminal.screen()}")
            time.sleep(0.05)
        return True

    def test_interrupted_save_keeps_the_previous_layout(self):
        write_layouts({"Kept": {"Old icon": (5, 6)}})
        previous = registry_values("Kept")
        screen = self.interrupt("save", "/y", "/n", "Kept")
        self.assertEqual(1, screen.count("The save was interrupted: the layout Kept was not changed."), screen)
        self.assertEqual(previous, registry_values("Kept"))
        # A walk that ran to its end would have sent every item's three messages.
        self.assertLess(self.fixture.message_count(), 3 * self.ICONS)

    def test_interrupted_restore_stops_between_icons(self):
        write_layouts({"Back": self.places})
        stored = registry_values("Back")
        texts = list(self.places)
        shuffled = texts[:]
        random.Random(3).shuffle(shuffled)
        for index, _, _, text in self.fixture.items():
            x, y = self.places[shuffled[texts.index(text)]]
            self.fixture.ask(f"move {index} {x} {y}")
        screen = self.interrupt("restore", "/y", "/n", "Back")
        self.assertEqual(1, screen.count("The restore was interrupted before its last icons; the stored layouts were "
                                         "left as they were."), screen)
        self.assertEqual(stored, registry_values("Back"))
        back = sum(1 for _, x, y, text in self.fixture.items() if (x, y) == self.places[text])
        self.assertLess(back, self.ICONS, "the restore ran to its end")


class QueryKeptByShell(unittest.TestCase):
    """The layout chosen from the menu is committed to the shell's own record
    of icon positions too: the fixture plays that shell (--stand-in) and the
    test prefix sends the program to the stand-in shell server."""

    @classmethod
    def setUpClass(cls):
        folder = os.path.join(os.environ["WINEPREFIX"], "drive_c", "kept-desk")
        os.makedirs(folder, exist_ok=True)
        open(os.path.join(folder, "alpha.txt"), "w").close()
        register_stand_in()
        cls.fixture = Fixture("--shell-folder", r"C:\kept-desk", "--stand-in")

    @classmethod
    def tearDownClass(cls):
        cls.fixture.close()
        unregister_stand_in()

    def test_chosen_layout_survives_the_shells_refresh(self):
        delete_store()
        write_layouts({"Kept": {"alpha.txt": (300, 200)}})
        self.assertEqual("ok", self.fixture.ask("move 0 40 40"))
        terminal = Terminal(f"{LOADER} {KELVANE} query /y")
        try:
            terminal.wait_for("Choose Layout:")
            terminal.keys("1")
            terminal.wait_for("Desktop Restored: 1 icons")
            self.assertEqual(0, terminal.exit_code())
        finally:
            terminal.close()
        self.assertEqual((300, 200), self.fixture.items()[0][1:3])
        self.assertEqual("ok", self.fixture.ask("refresh"))
        self.assertEqual((300, 200), self.fixture.items()[0][1:3], "the shell keeps the restored place")
        self.assertEqual("made 3 live 0", self.fixture.ask("stand-in objects"))
        delete_store()


class ConsoleWatcher(unittest.TestCase):
    """The watcher at a console: Ctrl+C stops it, with exit code 0."""

    def setUp(self):
        delete_store()
        folder = os.path.join(os.environ["WINEPREFIX"], "drive_c", "watch-desk")
        os.makedirs(folder, exist_ok=True)
        open(os.path.join(folder, "alpha.txt"), "w").close()
        self.fixture = Fixture("--shell-folder", r"C:\watch-desk")
        self.terminal = None

    def tearDown(self):
        if self.terminal:
            self.terminal.close()
        self.fixture.close()

    def test_ctrl_c_stops_the_watcher_after_it_restored(self):
        self.fixture.ask("move 0 40 40")
        subprocess.run([LOADER, KELVANE, "save", "/y"], capture_output=True, check=True)
        self.terminal = Terminal(f"{LOADER} {KELVANE} watch /w 1")
        self.terminal.wait_for("Ctrl+C")
        self.fixture.ask("move 0 300 200")
        self.assertEqual("ok", self.fixture.ask("announce"))
        self.terminal.wait_for("Desktop Restored: 1 icons")
        self.assertEqual((40, 40), self.fixture.items()[0][1:3])
        self.terminal.keys("C-c")
        self.assertEqual(0, self.terminal.exit_code())
        self.assertIn("The watcher stopped.", self.terminal.screen())


if __name__ == "__main__":
    unittest.main(verbosity=2)
