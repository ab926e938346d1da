"""Drives the real nimbra program as a person would: through the
accessibility bus (find windows by title, controls by role and name, press
buttons, type into fields), on a simulated stick, and checks what it shows
and what it leaves on the stick. Run by tests/e2e/run.sh inside a private
X server and D-Bus session.

Usage: scenarios.py NIMBRA NIMBRA_CLI [SCENARIO...]
"""

import json
import os
import shutil
import struct
import subprocess
import sys
import time

import pyatspi

NIMBRA, CLI = sys.argv[1], sys.argv[2]
WORK = os.environ["NIMBRA_E2E_WORK"]
PASSWORD = "correct horse"
HINT = "the horse"
TITLE = "Nimbra- Orvane"
SHOTS = os.environ.get("NIMBRA_E2E_SHOTS", os.path.join(os.getcwd(), "e2e-failures"))

# Exit codes of the program.
EXIT_NORMAL, EXIT_STOPPED, EXIT_FORCED, EXIT_RUNNING = 0, 1, 2, 3


class Failure(Exception):
    pass


def wait_for(what, probe, timeout=20.0, step=0.1):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        try:
            found = probe()
        except Failure:
            raise
        except Exception:  # the tree changes under us while windows come and go
            found = None
        if found:
            return found
        time.sleep(step)
    raise Failure("timed out waiting for " + what)


def walk(node, depth=0):
    if node is None or depth > 40:
        return
    yield node
    try:
        children = [node.getChildAtIndex(i) for i in range(node.childCount)]
    except Exception:
        return
    for child in children:
        yield from walk(child, depth + 1)


def showing(node):
    try:
        return node.getState().contains(pyatspi.STATE_SHOWING)
    except Exception:
        return False


class Stick:
    """A folder that the device simulation presents as a USB stick."""

    def __init__(self, name):
        self.root = os.path.join(WORK, name)
        os.makedirs(self.root, exist_ok=True)
        self.devices = os.path.join(WORK, name + "-devices.json")
        self.plug()

    def plug(self, present=True):
        volumes = [{"root": self.root, "type": "removable"}] if present else []
        doc = {"devices": [{"id": "USB#VID_0951&PID_1666#E2E0001#",
                            "disks": [{"vendor": "Simulated", "product": "Stick", "type": "removable",
                                       "volumes": volumes}]}]} if present else {"devices": []}
        tmp = self.devices + ".tmp"
        with open(tmp, "w") as f:
            json.dump(doc, f)
        os.replace(tmp, self.devices)

    @property
    def key_file(self):
        return os.path.join(self.root, "Encrypted Data", "secparams.enc")

    def slot(self, number):
        """The 32-bit value of a property slot of the key file; None when absent."""
        try:
            with open(self.key_file, "rb") as f:
                f.seek(51200 + 512 * number)
                record = f.read(512)
        except FileNotFoundError:
            return None
        if len(record) < 16 or record[:8] != b"PROP%04d" % number:
            return None
        return struct.unpack_from("<i", record, 12)[0]

    def cli(self, *args):
        pw = os.path.join(WORK, "password")
        with open(pw, "w") as f:
            f.write(PASSWORD)
        env = dict(os.environ, NIMBRA_DEVICE_SIM=self.devices)
        return subprocess.run([CLI, "--root", self.root, "--password-file", pw, *args], env=env,
                              capture_output=True, text=True, timeout=60)


class Program:
    """One running nimbra, and its windows on the accessibility bus."""

    def __init__(self, stick, name="nimbra"):
        self.stick = stick
        env = dict(os.environ, NIMBRA_DEVICE_SIM=stick.devices, QT_QPA_PLATFORM="xcb",
                   QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1",
                   XDG_CONFIG_HOME=os.path.join(WORK, "config"), LANG="en_US.UTF-8", LANGUAGE="en")
        self.log = open(os.path.join(WORK, name + ".log"), "w")
        self.process = subprocess.Popen([NIMBRA, "-l=" + stick.root], env=env, stdout=self.log,
                                        stderr=subprocess.STDOUT)
        self.app = None

    def application(self):
        if self.app is None:
            desktop = pyatspi.Registry.getDesktop(0)
            for i in range(desktop.childCount):
                app = desktop.getChildAtIndex(i)
                try:
                    if app is not None and app.get_process_id() == self.process.pid:
                        self.app = app
                except Exception:
                    continue
        return self.app

    def windows(self):
        app = self.application()
        if app is None:
            return []
        return [app.getChildAtIndex(i) for i in range(app.childCount)]

    def window(self, title, containing=None, timeout=20.0):
        """A showing window by exact title (and a control it must hold)."""
        def probe():
            self.check_alive()
            for w in self.windows():
                if w is not None and w.name == title and showing(w):
                    if containing is None or self.find(w, *containing, must=False) is not None:
                        return w
            return None
        return wait_for("window '%s'" % title, probe, timeout)

    def alert(self, expected=None, button="OK", timeout=20.0):
        """The showing message box (with `expected` in a text and `button`);
        returns (window, its texts)."""
        def probe():
            self.check_alive()
            for w in self.windows():
                if w is None or not showing(w) or w.getRoleName() not in ("alert", "dialog"):
                    continue
                texts = [n.name for n in walk(w) if n.getRoleName() == "label" and n.name]
                if expected is not None and not any(expected in t for t in texts):
                    continue
                if self.find(w, "push button", button, must=False) is not None:
                    return w, texts
            return None
        return wait_for("a message box saying %r" % expected, probe, timeout)

    def find(self, root, role, name, must=True):
        for node in walk(root):
            try:
                if node.getRoleName() == role and name in (None, node.name) and showing(node):
                    return node
            except Exception:
                continue
        if must:
            raise Failure("no %s '%s' in '%s'" % (role, name, root.name))
        return None

    @staticmethod
    def press(node):
        action = node.queryAction()
        for i in range(action.nActions):
            if action.getName(i) in ("Press", "press", "click"):
                action.doAction(i)
                return
        action.doAction(0)

    def press_button(self, window, name):
        button = wait_for("button '%s' enabled" % name,
                          lambda: (lambda b: b if b and b.getState().contains(pyatspi.STATE_ENABLED) else None)(
                              self.find(window, "push button", name, must=False)))
        self.press(button)

    @staticmethod
    def type_into(node, text):
        editable = node.queryEditableText()
        editable.setTextContents(text)

    def answer(self, expected_text=None, button="OK"):
        box, texts = self.alert(expected_text, button)
        self.press_button(box, button)
        wait_for("the box to close", lambda: not showing(box) or box.childCount == 0, timeout=10)
        return texts

    def check_alive(self):
        if self.process.poll() is not None:
            raise Failure("nimbra ended early with code %d" % self.process.returncode)

    def wait_exit(self, timeout=30):
        try:
            return self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise Failure("nimbra did not end")

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        self.log.close()


def screenshot(name):
    os.makedirs(SHOTS, exist_ok=True)
    path = os.path.join(SHOTS, name + ".png")
    subprocess.run(["import", "-window", "root", path], capture_output=True, timeout=30)
    return path


def first_run(program):
    chooser = program.window(TITLE, ("combo box", None))
    program.press_button(chooser, "OK")
    agreement = program.window(TITLE, ("push button", "I Accept"))
    program.press_button(agreement, "I Accept")
    wizard = program.window(TITLE + " - Setup")
    back = program.find(wizard, "push button", "< Back")
    assert not back.getState().contains(pyatspi.STATE_ENABLED), "Back is enabled on the first page"
    program.press_button(wizard, "Next >")
    password = wait_for("password field", lambda: program.find(wizard, "password text", "Password:", must=False))
    program.type_into(password, PASSWORD)
    program.type_into(program.find(wizard, "password text", "Confirm password:"), "different")
    wait_for("the mismatch shown", lambda: program.find(wizard, "label", "The confirmation does not match the password.",
                                                         must=False))
    program.type_into(program.find(wizard, "password text", "Confirm password:"), PASSWORD)
    program.type_into(program.find(wizard, "text", "Password hint:"), HINT)
    program.press_button(wizard, "Next >")
    wait_for("the end page", lambda: program.find(wizard, "label", "Setup complete", must=False), timeout=60)
    program.press_button(wizard, "Finish")


def login(program, password):
    dialog = program.window("Nimbra Login")
    field = program.find(dialog, "password text", "Password:")
    program.type_into(field, password)
    program.press_button(dialog, "Log in")
    return dialog


def close_main_window(program):
    frame = program.window(TITLE, ("push button", "Close"))
    program.press(program.find(frame, "push button", "Close"))


def scenario_first_run(stick):
    """First run, a wrong then a right login, a second copy, a clean close."""
    program = Program(stick, "first")
    try:
        first_run(program)
        login(program, "wrong password")
        program.answer("The password is wrong")
        assert stick.slot(0) == 1, "the failed login was not counted: %r" % stick.slot(0)
        login(program, PASSWORD)
        wait_for("the login to end", lambda: not program.find(program.window(TITLE), "password text", "Password:",
                                                                 must=False))
        wait_for("slot 1 = 0 while running", lambda: stick.slot(1) == 0)
        assert stick.slot(0) == 0, "the counter was not reset"

        second = subprocess.run([NIMBRA, "-l=" + stick.root], timeout=30, capture_output=True,
                                env=dict(os.environ, NIMBRA_DEVICE_SIM=stick.devices, QT_QPA_PLATFORM="xcb"))
        assert second.returncode == EXIT_RUNNING, "a second copy ended with %d" % second.returncode
        program.window(TITLE)  # the first one is untouched

        close_main_window(program)
        code = program.wait_exit()
        assert code == EXIT_NORMAL, "exit code %d after a normal close" % code
        assert stick.slot(1) == 1, "no clean-shutdown mark: %r" % stick.slot(1)
        listing = stick.cli("ls")
        assert listing.returncode == 0, "the store does not open with the password: " + listing.stderr
    finally:
        program.kill()


def scenario_stick_pulled(stick):
    """The stick pulled while running: message 139, the end, the next start cleans up."""
    program = Program(stick, "pulled")
    try:
        login(program, PASSWORD)
        wait_for("slot 1 = 0 while running", lambda: stick.slot(1) == 0)
        stick.plug(False)
        program.answer("was removed")
        code = program.wait_exit()
        assert code == EXIT_FORCED, "exit code %d after the stick was pulled" % code
    finally:
        stick.plug(True)
        program.kill()
    assert stick.slot(1) == 0, "the unclean end is not recorded"

    program = Program(stick, "after-pull")
    try:
        login(program, PASSWORD)
        program.answer("did not end properly")
        close_main_window(program)
        assert program.wait_exit() == EXIT_NORMAL
        assert stick.slot(1) == 1
    finally:
        program.kill()


def scenario_nine_then_right(stick):
    """Nine wrong logins warn once; the tenth attempt, right, logs in."""
    program = Program(stick, "nine")
    try:
        for attempt in range(1, 10):
            login(program, "wrong%d" % attempt)
            program.answer("The password is wrong")
            if attempt == 9:
                program.answer("only one attempt is left")
        assert stick.slot(0) == 9
        login(program, PASSWORD)
        wait_for("the counter reset", lambda: stick.slot(0) == 0)
        close_main_window(program)
        assert program.wait_exit() == EXIT_NORMAL
    finally:
        program.kill()


def scenario_reset(stick):
    """The reset button, declined and then confirmed, destroys the store."""
    program = Program(stick, "reset")
    try:
        dialog = program.window("Nimbra Login")
        program.press_button(dialog, "Reset")
        program.answer("Do you want to reset", button="No")
        dialog = program.window("Nimbra Login")
        program.press_button(dialog, "Reset")
        program.answer("Do you want to reset", button="Yes")
        program.answer("has been reset")
        code = program.wait_exit()
        assert code != EXIT_NORMAL, "a reset ended as a normal close"
    finally:
        program.kill()
    assert stick.cli("ls").returncode != 0, "the store still opens after the reset"

    # The next start is a first run again; declining the agreement ends it.
    program = Program(stick, "after-reset")
    try:
        chooser = program.window(TITLE, ("combo box", None))
        program.press_button(chooser, "OK")
        agreement = program.window(TITLE, ("push button", "Decline"))
        program.press_button(agreement, "Decline")
        assert program.wait_exit() == EXIT_STOPPED
    finally:
        program.kill()


SCENARIOS = [scenario_first_run, scenario_stick_pulled, scenario_nine_then_right, scenario_reset]


def main():
    # The accessibility bus must be up before the program starts.
    subprocess.run(["dbus-send", "--session", "--print-reply=literal", "--dest=org.a11y.Bus", "/org/a11y/bus",
                    "org.a11y.Bus.GetAddress"], capture_output=True, timeout=30)
    wanted = sys.argv[3:]
    stick = Stick("stick")
    failed = 0
    for scenario in SCENARIOS:
        name = scenario.__name__[len("scenario_"):]
        if wanted and name not in wanted:
            continue
        started = time.monotonic()
        try:
            scenario(stick)
            print("PASS %s (%.1f s)" % (name, time.monotonic() - started), flush=True)
        except (Failure, AssertionError) as error:
            failed += 1
            shot = screenshot(name)
            print("FAIL %s: %s (screenshot %s)" % (name, error, shot), flush=True)
            for log in sorted(os.listdir(WORK)):
                if log.endswith(".log"):
                    with open(os.path.join(WORK, log)) as f:
                        text = f.read().strip()
                    if text:
                        print("--- %s\n%s" % (log, text[-2000:]), flush=True)
            break  # the later scenarios build on the stick this one left
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
