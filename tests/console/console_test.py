"""The question and the menu at a real console: Kelvane64.exe under Wine in a
tmux terminal, against the desktop fixture."""

import os
import subprocess
import unittest

from wine_programs import KELVANE, WINE64, Fixture, Terminal, delete_store, registry_layouts


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
        self.terminal = Terminal(f"{WINE64} {KELVANE} {quoted}")
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


if __name__ == "__main__":
    unittest.main(verbosity=2)
