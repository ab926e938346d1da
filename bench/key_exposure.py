#!/usr/bin/env python3
"""Where key material lies in a running nimbra-cli: how many copies of the raw
master key (and of file keys, and of the password) sit outside locked memory.

  key_exposure.py import [--cli PATH] [--mib 400] [--snapshots 4] [--slow MS] [--no-gcore] [--check] [--dir DIR]
  key_exposure.py passwd [--cli PATH] [--at-login] [--no-gcore] [--check] [--dir DIR]

import: sets up a store with `init` on a temporary root (settings of their own,
C.UTF-8, as the CLI tests run it), then `add`s a folder of MIB MiB (pooled
small files and two large ones). At SNAPSHOTS points of the import the process
is stopped and every readable mapping is read through /proc/PID/mem; each
occurrence of the raw master key is counted by where it lies: in locked pages
(smaps "Locked:" above 0) or not, and in pages left out of core dumps (VmFlags
"dd"). The master key comes from the key file, unwrapped with the password
(SHA-256(password as UTF-16LE || wrap salt), AES-256-CBC). File keys are
unwrapped from the headers of the stored files present at each snapshot. With
gdb's gcore, a core image of the stopped process is written and searched too.

passwd: `passwd` with the current password from --password-file, stopped
while it waits for the new one on standard input (with --at-login: stopped by
gdb where the login checks it); counts the current password's UTF-16LE and
UTF-8 copies the same way.

--check fails (exit 1) when any copy lies in pages that a core dump takes
(all but those marked "dd"); CTest runs both modes so (key_exposure_*).
Needs the right to read the process's memory (root, or CAP_SYS_PTRACE: the
program makes itself undumpable). Exits 77 when that is refused.
"""

import argparse
import os
import re
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time

try:
    from cryptography.hazmat.primitives import hashes
    from cryptography.hazmat.primitives.ciphers import Cipher, algorithms, modes
except ImportError:
    print("needs the Python package cryptography (Debian: python3-cryptography)")
    sys.exit(77)

KEY_FILE = "secparams.enc"
STORE = "Encrypted Data"
RECORD = 8  # the record's offset in the key file


def sha256(*parts):
    h = hashes.Hash(hashes.SHA256())
    for p in parts:
        h.update(p)
    return h.finalize()


def cbc_decrypt(key, iv, data):
    d = Cipher(algorithms.AES(key), modes.CBC(iv)).decryptor()
    return d.update(data) + d.finalize()


def master_key(root, password):
    with open(os.path.join(root, STORE, KEY_FILE), "rb") as f:
        record = f.read()[RECORD:]
    wrap_key = sha256(password.encode("utf-16-le"), record[42:46])
    return cbc_decrypt(wrap_key, record[46:62], record[62:94])


def file_keys(root, master):
    """The file keys of every encrypted file under the store now."""
    keys = set()
    for folder, _, names in os.walk(os.path.join(root, STORE)):
        for name in names:
            if name.startswith(KEY_FILE):
                continue
            try:
                with open(os.path.join(folder, name), "rb") as f:
                    head = f.read(200)
            except OSError:
                continue
            if len(head) < 44 or struct.unpack_from("<H", head, 2)[0] not in (4, 5):
                continue
            block_length = struct.unpack_from("<I", head, 40)[0]
            block = head[44:44 + block_length]
            if block_length not in (84, 100) or len(block) < block_length:
                continue
            k = struct.unpack_from("<H", block, 8)[0]
            keys.add(cbc_decrypt(master[:k] if k == 16 else master, block[16:32], block[32:32 + k]))
    return keys


def regions(pid):
    """(start, end, name, locked, dontdump) of every readable mapping."""
    out = []
    current = None
    with open(f"/proc/{pid}/smaps") as f:
        for line in f:
            m = re.match(r"^([0-9a-f]+)-([0-9a-f]+) (\S+) \S+ \S+ \S+\s*(.*)$", line)
            if m:
                current = {"start": int(m[1], 16), "end": int(m[2], 16), "perms": m[3], "name": m[4],
                           "locked": False, "dd": False, "rss": 0}
                out.append(current)
            elif line.startswith("Rss:"):
                current["rss"] = int(line.split()[1])
            elif line.startswith("Locked:"):
                current["locked"] = int(line.split()[1]) > 0
            elif line.startswith("VmFlags:"):
                current["dd"] = " dd" in " " + line.split(":", 1)[1]
    # Nothing resident, or a sanitizer's shadow (terabytes that hold no data).
    return [r for r in out if "r" in r["perms"] and r["name"] not in ("[vvar]", "[vsyscall]", "[vvar_vclock]")
            and r["rss"] > 0 and r["end"] - r["start"] <= 8 << 30]


def count(read_chunks, patterns):
    """Occurrences of each pattern (name -> bytes) in a stream of chunks."""
    hits = {name: 0 for name in patterns}
    overlap = max(len(p) for p in patterns.values()) - 1
    carry = b""
    for chunk in read_chunks:
        if chunk is None:  # a hole: nothing runs across it
            carry = b""
            continue
        data = carry + chunk
        for name, p in patterns.items():
            i = data.find(p)
            while i != -1:
                if i + len(p) > len(carry):  # not already counted in the previous chunk
                    hits[name] += 1
                i = data.find(p, i + 1)
        carry = data[-overlap:] if overlap else b""
    return hits


def mapping_chunks(fd, start, end, size=8 << 20):
    pos = start
    while pos < end:
        n = min(size, end - pos)
        try:
            yield os.pread(fd, n, pos)
        except OSError:
            yield None
        pos += n


def file_chunks(path, size=8 << 20):
    with open(path, "rb") as f:
        while chunk := f.read(size):
            yield chunk


def scan(pid, patterns):
    """Per pattern: hits in locked pages, outside them, and in pages left out of dumps."""
    totals = {name: {"locked": 0, "unlocked": 0, "dontdump": 0, "where": {}} for name in patterns}
    fd = os.open(f"/proc/{pid}/mem", os.O_RDONLY)
    try:
        for r in regions(pid):
            hits = count(mapping_chunks(fd, r["start"], r["end"]), patterns)
            for name, n in hits.items():
                if not n:
                    continue
                t = totals[name]
                t["locked" if r["locked"] else "unlocked"] += n
                if r["dd"]:
                    t["dontdump"] += n
                if not r["locked"]:
                    label = r["name"] or "[anon]"
                    t["where"][label] = t["where"].get(label, 0) + n
    finally:
        os.close(fd)
    return totals


def core_hits(pid, patterns, workdir):
    if not shutil.which("gcore"):
        return None
    prefix = os.path.join(workdir, "core")
    done = subprocess.run(["gcore", "-o", prefix, str(pid)], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                          timeout=120)
    path = f"{prefix}.{pid}"
    if done.returncode != 0 or not os.path.exists(path):
        return None
    try:
        return count(file_chunks(path), patterns)
    finally:
        os.unlink(path)


def environment(config):
    env = dict(os.environ)
    env.update({"LANG": "C.UTF-8", "XDG_CONFIG_HOME": config})
    for name in ("LC_ALL", "LC_MESSAGES", "LANGUAGE"):
        env.pop(name, None)
    return env


def set_up(cli, root, env, password):
    with open(os.path.join(root, "pw"), "w") as f:
        f.write(password + "\n")
    done = subprocess.run([cli, "--root", root, "init"], input=f"{password}\n{password}\n".encode(), env=env,
                          capture_output=True)
    if done.returncode != 0:
        sys.exit(f"init failed: {done.stderr.decode()}")


def stored_bytes(root):
    total = 0
    for folder, _, names in os.walk(os.path.join(root, STORE)):
        for name in names:
            try:
                total += os.lstat(os.path.join(folder, name)).st_size
            except OSError:
                pass
    return total


def may_read(pid):
    try:
        fd = os.open(f"/proc/{pid}/mem", os.O_RDONLY)
        os.close(fd)
        return True
    except OSError:
        return False


def report(label, totals, core, names):
    for name in names:
        t = totals[name]
        line = (f"{label:>10} {name:<12} locked {t['locked']:>3}  outside locked {t['unlocked']:>3}"
                f"  in dd pages {t['dontdump']:>3}")
        if core is not None:
            line += f"  in core image {core[name]:>3}"
        if t["where"]:
            line += "  (outside: " + ", ".join(f"{k} {v}" for k, v in sorted(t["where"].items())) + ")"
        print(line, flush=True)


def run_import(args, cli, work, env):
    root = os.path.join(work, "root")
    source = os.path.join(work, "source")
    os.makedirs(root)
    os.makedirs(source)
    password = "Nb-" + os.urandom(8).hex()
    set_up(cli, root, env, password)
    master = master_key(root, password)

    # Pooled small files around two large ones, MIB MiB in all.
    small_count = max(8, args.mib // 3 * 2)  # a third of the bytes in 512 KiB files
    block = os.urandom(1 << 20)
    for i in range(small_count):
        with open(os.path.join(source, f"a{i:04d}.bin"), "wb") as f:
            f.write(block[: 1 << 19])
    large = max(1, (args.mib - small_count // 2) // 2)
    for name in ("m-large.bin", "z-large.bin"):
        with open(os.path.join(source, name), "wb") as f:
            for _ in range(large):
                f.write(block)
    total = sum(os.path.getsize(os.path.join(source, n)) for n in os.listdir(source))
    print(f"import of {total / 1048576:.0f} MiB ({small_count} files of 512 KiB, 2 of {large} MiB)", flush=True)

    run_env = dict(env)
    if args.slow:
        run_env["NIMBRA_FAULT"] = f"slow:{args.slow}"
    process = subprocess.Popen([cli, "--root", root, "--password-file", os.path.join(root, "pw"), "-q", "add",
                                source], env=run_env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    names = ["master key", "master half", "file keys"]
    exposed = 0  # copies of a key in pages that a core dump takes
    try:
        taken = 0
        while taken < args.snapshots and process.poll() is None:
            if stored_bytes(root) < total * (taken + 1) / (args.snapshots + 1):
                time.sleep(0.02)
                continue
            os.kill(process.pid, signal.SIGSTOP)
            try:
                if not may_read(process.pid):
                    print("cannot read the process's memory (needs root or CAP_SYS_PTRACE)")
                    return 77
                keys = file_keys(root, master)
                patterns = {"master key": master, "master half": master[:16]}
                for n, k in enumerate(sorted(keys)):
                    patterns[f"file key {n}"] = k
                totals = scan(process.pid, patterns)
                core = core_hits(process.pid, patterns, work) if args.gcore else None
            finally:
                os.kill(process.pid, signal.SIGCONT)
            merged = {n: totals[n] for n in ("master key", "master half")}
            files = {"locked": 0, "unlocked": 0, "dontdump": 0, "where": {}}
            for n, t in totals.items():
                if n.startswith("file key"):
                    for field in ("locked", "unlocked", "dontdump"):
                        files[field] += t[field]
                    for k, v in t["where"].items():
                        files["where"][k] = files["where"].get(k, 0) + v
            merged["file keys"] = files
            if core is not None:
                core = {"master key": core["master key"], "master half": core["master half"],
                        "file keys": sum(v for n, v in core.items() if n.startswith("file key"))}
            taken += 1
            label = f"{100 * stored_bytes(root) // total}%"
            print(f"snapshot {taken} at {label} of the import; {len(keys)} file keys known", flush=True)
            report(label, merged, core, names)
            exposed += sum(merged[n]["locked"] + merged[n]["unlocked"] - merged[n]["dontdump"] for n in ("master key", "file keys"))
    finally:
        _, err = process.communicate(timeout=600)
    if process.returncode != 0:
        sys.exit(f"add failed ({process.returncode}): {err.decode()}")
    if taken == 0:
        sys.exit("the import ended before the first snapshot: raise --mib or --slow")
    if args.check and exposed:
        print(f"FAIL: {exposed} copies of a key outside the locked arena")
        return 1
    return 0


def run_passwd(args, cli, work, env):
    root = os.path.join(work, "root")
    os.makedirs(root)
    password = "Nb-" + os.urandom(8).hex()
    set_up(cli, root, env, password)
    new = "Nb-" + os.urandom(8).hex()
    command = [cli, "--root", root, "--password-file", os.path.join(root, "pw"), "passwd"]
    patterns = {"UTF-16LE": password.encode("utf-16-le"), "UTF-8": password.encode()}
    core = None
    if args.at_login:
        # Stopped by gdb where the login checks the password.
        flag = os.path.join(work, "stopped")
        done = os.path.join(work, "done")
        core_path = os.path.join(work, "login-core")
        steps = ["set pagination off", "set confirm off", "set startup-with-shell off",
                 "break nbr::SecParams::VerifyRecord", "run"]
        if args.gcore:
            steps.append(f"gcore {core_path}")
        steps += [f"python open('{flag}', 'w').write(str(gdb.selected_inferior().pid))",
                  f"shell while [ ! -e {done} ]; do sleep 0.1; done", "delete", "continue"]
        process = subprocess.Popen(["gdb", "-q", "-batch", "-nx"] + [a for step in steps for a in ("-ex", step)]
                                   + ["--args"] + command, env=env, stdin=subprocess.PIPE,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        moment = "at the login's check of the current password"
    else:
        process = subprocess.Popen(command, env=env, stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.PIPE)
        moment = "waiting for the new password"
    try:
        if args.at_login:
            deadline = time.time() + 60
            while not os.path.exists(flag) or not open(flag).read():
                if time.time() > deadline or process.poll() is not None:
                    sys.exit("gdb did not stop passwd at the login")
                time.sleep(0.05)
            pid = int(open(flag).read())
            try:
                if not may_read(pid):
                    print("cannot read the process's memory (needs root or CAP_SYS_PTRACE)")
                    return 77
                totals = scan(pid, patterns)
                if args.gcore and os.path.exists(core_path):
                    core = count(file_chunks(core_path), patterns)
            finally:
                open(done, "w").close()
        else:
            # Logged in and waiting for the new password on standard input.
            pid = process.pid
            deadline = time.time() + 30
            while time.time() < deadline:
                with open(f"/proc/{pid}/stat") as f:
                    state = f.read().rsplit(")", 1)[1].split()[0]
                if state == "S" and os.path.getsize(os.path.join(root, STORE, KEY_FILE)) > 0:
                    time.sleep(0.5)
                    break
                time.sleep(0.05)
            os.kill(pid, signal.SIGSTOP)
            try:
                if not may_read(pid):
                    print("cannot read the process's memory (needs root or CAP_SYS_PTRACE)")
                    return 77
                totals = scan(pid, patterns)
                core = core_hits(pid, patterns, work) if args.gcore else None
            finally:
                os.kill(pid, signal.SIGCONT)
        print(f"passwd, {moment}: copies of the current password", flush=True)
        report("passwd", totals, core, list(patterns))
        exposed = sum(t["locked"] + t["unlocked"] - t["dontdump"] for t in totals.values())
    finally:
        _, err = process.communicate(f"{new}\n{new}\n".encode(), timeout=60)
    if process.returncode != 0:
        sys.exit(f"passwd failed ({process.returncode}): {err.decode()}")
    if args.check and exposed:
        print(f"FAIL: {exposed} copies of the password outside the locked arena")
        return 1
    return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("mode", choices=("import", "passwd"))
    parser.add_argument("--cli", default="build/release/src/nimbra-cli")
    parser.add_argument("--mib", type=int, default=400)
    parser.add_argument("--snapshots", type=int, default=4)
    parser.add_argument("--slow", type=int, default=5, help="NIMBRA_FAULT=slow:MS, so that the snapshots find it at work")
    parser.add_argument("--no-gcore", dest="gcore", action="store_false")
    parser.add_argument("--dir", default="/dev/shm")
    parser.add_argument("--at-login", action="store_true", help="passwd: stop it under gdb in the password check")
    parser.add_argument("--check", action="store_true",
                        help="fail (exit 1) when a copy lies in pages a core dump would take (not \"dd\")")
    args = parser.parse_args()
    cli = os.path.abspath(args.cli)
    if not os.access(cli, os.X_OK):
        sys.exit(f"no nimbra-cli at {cli}")
    work = tempfile.mkdtemp(prefix="nimbra-keys-", dir=args.dir)
    try:
        env = environment(os.path.join(work, "config"))
        return run_import(args, cli, work, env) if args.mode == "import" else run_passwd(args, cli, work, env)
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
