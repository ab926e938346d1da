#!/usr/bin/env python3
"""Writes the small generated seeds under fuzz/seeds/NAME (the encrypted-file
fixtures under tests/data seed the header harnesses as they are). Run by hand
from the repository's top; the outputs are committed."""
import hashlib
import hmac
import json
import os
import struct

from cryptography.hazmat.primitives.ciphers import Cipher, algorithms, modes

HERE = os.path.dirname(os.path.abspath(__file__))
LANG = os.path.join(HERE, "..", "lang")


def seed(harness, name, data):
    folder = os.path.join(HERE, "seeds", harness)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode("utf-8"))


# Folder lists: "D/1/0/" + UTF-16LE name + 0x0000 + LF.
def record(kind, ident, write_time, name):
    return kind + b"/" + str(ident).encode() + b"/" + str(write_time).encode() + b"/" + name.encode("utf-16-le") + b"\0\0\n"

seed("manifest", "three", record(b"D", 1, 0, "Docs") + record(b"F", 2, 133200000000000000, "report.doc")
     + record(b"F", 5, 7, "\u010a/\n tricky"))
seed("manifest", "empty", b"")
seed("manifest", "limits", record(b"F", 4294967295, 18446744073709551615, "last") + record(b"D", 0, 0, ""))
seed("manifest", "spaced", b" \r\n F /12/ 3/" + "x".encode("utf-16-le") + b"\0\0 trailing\n\n")
seed("manifest", "odd_name", b"F/3/0/\x41\x00\x00\xd8\x00\x00\n")

# The key record under the password "fuzz-password" (UTF-16LE), as the
# layout describes it: verifier, wrapped master key and integrity code.
PASSWORD = "fuzz-password".encode("utf-16-le")
MAGIC = bytes.fromhex("AA78010012F5125D")
RECORD_LENGTH = 30986
master = bytes(range(64, 96))
rec = bytearray(RECORD_LENGTH)
struct.pack_into("<IH", rec, 0, RECORD_LENGTH, 1)
rec[6:10] = b"\x01\x02\x03\x04"
rec[10:42] = hashlib.sha256(PASSWORD + bytes(rec[6:10])).digest()
rec[42:46] = b"\x05\x06\x07\x08"
rec[46:62] = bytes(range(16))
wrap_key = hashlib.sha256(PASSWORD + bytes(rec[42:46])).digest()
enc = Cipher(algorithms.AES(wrap_key), modes.CBC(bytes(rec[46:62]))).encryptor()
rec[62:94] = enc.update(master) + enc.finalize()
rec[94:110] = bytes(range(200, 216))
rec[30950:30954] = b"\x09\x0a\x0b\x0c"
mac_key = hashlib.sha256(master + bytes(rec[30950:30954])).digest()
rec[30954:30986] = hmac.new(mac_key, bytes(rec[0:30954]), hashlib.sha256).digest()
seed("key_record", "good", MAGIC + bytes(rec))
seed("key_record", "no_magic", bytes(8) + bytes(rec))
seed("key_record", "cut", MAGIC + bytes(rec[:1000]))

# The property area: 512-byte records "PROPnnnn", a length, data.
def prop(slot, data, stored=None):
    out = bytearray(512)
    out[0:8] = b"PROP%04d" % slot
    struct.pack_into("<I", out, 8, len(data) if stored is None else stored)
    out[12:12 + len(data)] = data
    return bytes(out)

seed("key_properties", "usual", prop(0, struct.pack("<i", 2)) + prop(1, struct.pack("<i", 1)) + bytes(512)
     + prop(3, "my hint\0".encode("utf-16-le")))
seed("key_properties", "limits", prop(0, struct.pack("<i", -1)) + prop(1, b"", 500) + prop(2, b"x" * 500)
     + prop(3, b"", 501))
seed("key_properties", "wrong_tags", prop(1, b"abcd") + prop(0, b"abcd")[:300])

# Drop lists: 20-byte header (offset, point, non-client flag, wide flag), paths.
def drop(paths, wide=True, x=10, y=-20):
    head = struct.pack("<IiiII", 20, x, y, 0, 1 if wide else 0)
    if wide:
        body = b"".join(p.encode("utf-16-le") + b"\0\0" for p in paths) + b"\0\0"
    else:
        body = b"".join(p.encode("latin-1") + b"\0" for p in paths) + b"\0"
    return head + body

seed("drop_list", "wide", drop(["/home/alice/report.doc", "/home/alice/Fotos \u00e9t\u00e9"]))
seed("drop_list", "narrow", drop(["/tmp/a.txt", "/tmp/b\xe9.txt"], wide=False))
seed("drop_list", "cut", drop(["/tmp/cut-short"])[:-4])
seed("drop_list", "offset", struct.pack("<IiiII", 24, 0, 0, 1, 1) + b"pad!" + "x".encode("utf-16-le") + b"\0\0\0\0")

# Language packs and their texts: small packs cut from the real ones, and
# every text that holds a placeholder.
texts = []
for pack in sorted(os.listdir(LANG)):
    with open(os.path.join(LANG, pack), encoding="utf-8") as f:
        entries = list(json.load(f).items())
    for start in range(0, len(entries), 10):
        part = dict(entries[start:start + 10])
        seed("language_pack", "%s-%03d" % (pack[4:7], start), json.dumps(part, ensure_ascii=False))
    texts += [text for _, text in entries if "%" in text]
seed("language_pack", "odd", '{"1": "%s", "-2": "x", "03": 7, "4": null, "5": "%999999d%", "": "empty"}')
seed("language_pack", "array", "[1, 2]")
for i, text in enumerate(sorted(set(texts))):
    seed("text_format", "pack-%03d" % i, text)
for name, text in [("widths", "%-20s|%020d|%+.3f|%I64u|%lld|%hx|%X"), ("cut", "100%"),
                   ("percents", "%%%%d%"), ("unknown", "%q %n %p %s"), ("digits", "%\u0663\u0664d")]:
    seed("text_format", name, text)

# Command lines, arguments split at zero bytes.
for name, args in [("add", ["add", "--to", "Docs", "-r", "a.txt", "--", "-b.txt"]),
                   ("equals", ["--to=Docs/Sub", "--overwrite", "-", "x"]),
                   ("missing", ["--to"]), ("unknown", ["--nope", "a"]),
                   ("launch", ["/media/stick/nimbra", "-l=\"/media/stick\""]),
                   ("percent", ["-l=/media/50%OFF%sale/x", "-l="])]:
    seed("cli_arguments", name, b"\0".join(a.encode("utf-8") for a in args))
