#!/usr/bin/python3
"""The stick's launcher adds a menu entry that the desktop reads back as the
exact stick path, for folder names with every character the entry's quoting
has to carry, and refuses, with a message and nothing written, a folder whose
name no entry can carry (a line break lets a name add keys of its own).

Usage: tst_launcher.py SOURCE_DIR. Exit 77 (skipped) without GLib's Python
bindings; desktop-file-validate is used when present."""

import os
import shutil
import subprocess
import sys
import tempfile
import time

try:
    import gi
    gi.require_version("Gio", "2.0")
    from gi.repository import Gio
except (ImportError, ValueError) as error:
    print(f"skipped: GLib's Python bindings are missing ({error}); install python3-gi and gir1.2-glib-2.0")
    sys.exit(77)

SOURCE = sys.argv[1]
LAUNCHER = os.path.join(SOURCE, "resources", "stick", "Nimbra")
ENTRY = os.path.join(SOURCE, "resources", "stick", "nimbra.desktop")
VALIDATE = shutil.which("desktop-file-validate")

CARRIED = [
    "plain",
    "with spaces",
    'double"quote',
    "single'quote",
    "per%cent %f %%u",
    "dollar $HOME ${x}",
    "back`tick`",
    "back\\slash\\\\n",
    "semi;colon=and[brackets]",
    "ünïcødé 名前",
    "mixed \"$`\\%' all",
]
REFUSED = ["line\nbreak", "ends with a break\n", "tab\there", "bell\a"]

failures = []


def stick(root, name):
    """A stick in root/name: the launcher, the entry template, and a stand-in
    for the program that writes down the arguments it was started with."""
    folder = os.path.join(root, name)
    os.makedirs(os.path.join(folder, "share", "applications"))
    shutil.copy(LAUNCHER, folder)
    shutil.copy(ENTRY, os.path.join(folder, "share", "applications"))
    program = os.path.join(folder, "nimbra")
    with open(program, "w") as f:
        f.write('#!/bin/sh\nfor a in "$@"; do printf "%s\\0" "$a"; done > "$NIMBRA_TEST_ARGS"\n')
    os.chmod(program, 0o755)
    return folder


def install(folder, data):
    env = dict(os.environ, XDG_DATA_HOME=data)
    return subprocess.run([os.path.join(folder, "Nimbra"), "--install-launcher"], env=env,
                          capture_output=True, text=True)


with tempfile.TemporaryDirectory() as root:
    for number, name in enumerate(CARRIED):
        data = os.path.join(root, f"data{number}")
        folder = stick(root, name)
        entry = os.path.join(data, "applications", "nimbra.desktop")
        done = install(folder, data)
        if done.returncode != 0 or not os.path.isfile(entry):
            failures.append(f"{name!r}: install failed: {done.stderr}")
            continue
        if VALIDATE:
            check = subprocess.run([VALIDATE, entry], capture_output=True, text=True)
            # Hints are suggestions; errors and warnings fail.
            said = [line for line in check.stdout.splitlines() if ": hint: " not in line]
            if check.returncode != 0 or said:
                failures.append(f"{name!r}: desktop-file-validate: {check.stdout}{check.stderr}")
        try:
            info = Gio.DesktopAppInfo.new_from_filename(entry)
        except TypeError:  # the bindings' way of saying NULL
            info = None
        if info is None:
            failures.append(f"{name!r}: GLib refuses the entry:\n{open(entry).read()}")
            continue
        # Started as the desktop starts it: the program sees the stick path,
        # whole and unchanged, and nothing else.
        record = os.path.join(root, f"args{number}")
        context = Gio.AppLaunchContext()
        context.setenv("NIMBRA_TEST_ARGS", record)
        if not info.launch([], context):
            failures.append(f"{name!r}: GLib could not start the entry")
            continue
        deadline = time.monotonic() + 10
        while not os.path.exists(record) and time.monotonic() < deadline:
            time.sleep(0.05)
        time.sleep(0.1)
        args = open(record, "rb").read().split(b"\0")[:-1] if os.path.exists(record) else None
        wanted = [b"-l=" + os.fsencode(os.path.realpath(folder))]
        if args != wanted:
            failures.append(f"{name!r}: started with {args}, wanted {wanted}")

    for number, name in enumerate(REFUSED):
        data = os.path.join(root, f"refused{number}")
        folder = stick(root, name)
        done = install(folder, data)
        if done.returncode == 0 or "control character" not in done.stderr:
            failures.append(f"{name!r}: installed (exit {done.returncode}), or no message: {done.stderr!r}")
        if os.path.exists(os.path.join(data, "applications")) and os.listdir(os.path.join(data, "applications")):
            failures.append(f"{name!r}: an entry was written")

for failure in failures:
    print("FAIL:", failure)
print(f"{len(CARRIED)} folder names carried, {len(REFUSED)} refused, {len(failures)} failures"
      + ("" if VALIDATE else " (desktop-file-validate missing: GLib's reading only)"))
sys.exit(1 if failures else 0)
