#!/usr/bin/env python3
"""Writes the frozen encrypted-file fixtures with an implementation of the
file layout of its own (python3-cryptography), so that the tests check that
the engine reads what another implementation writes. Run by hand; the outputs
are committed."""
import hashlib
import hmac
import struct

from cryptography.hazmat.primitives.ciphers import Cipher, algorithms, modes

MASTER = bytes(range(32))
IV = bytes.fromhex("f0e0d0c0b0a090807060504030201000")
FILE_KEY = bytes.fromhex("8899aabbccddeeff00112233445566778899aabbccddeeff0011223344556677")
SALT = bytes.fromhex("deadbeef")
TIMES = (133000000000000000, 133100000000000000, 133200000000000000)


def cbc(key, iv, data):
    enc = Cipher(algorithms.AES(key), modes.CBC(iv)).encryptor()
    return enc.update(data) + enc.finalize()


def pad16(data):
    return data + b"\0" * (-len(data) % 16)


def key_block(master=MASTER):
    k = len(FILE_KEY)
    head = struct.pack("<IHHHHHH", 68 + k, 2, 16, k, 16, 4, 32) + IV + cbc(master[:k], IV, FILE_KEY) + SALT
    mac_key = hashlib.sha256(SALT + FILE_KEY).digest()
    return head + hmac.new(mac_key, head, hashlib.sha256).digest()


def encrypted_file(name, content, attributes, times, trailer=b"----\0", length_override=None, master=MASTER):
    kb = key_block(master)
    name_bytes = name.encode("utf-16-le")[:1024]
    stream = cbc(FILE_KEY, IV, pad16(name_bytes) + pad16(content))
    enc_name = stream[:len(pad16(name_bytes))]
    body = stream[len(enc_name):]
    fields = struct.pack("<HII", 4, len(content) >> 32, len(content) & 0xFFFFFFFF)
    fields += struct.pack("<IQQQ", attributes, *times)
    fields += struct.pack("<I", len(kb)) + kb + struct.pack("<II", len(enc_name), len(name)) + enc_name + trailer
    length = length_override if length_override is not None else 2 + len(fields)
    return struct.pack("<H", length) + fields + body


CONTENT = b"Hello, Nimbra!\n" * 5

with open("hello.enc", "wb") as f:
    f.write(encrypted_file("hello.txt", CONTENT, 0x20, TIMES))
with open("buffer.enc", "wb") as f:
    f.write(encrypted_file("", b"manifest bytes of forty characters......", 0x80, (0, 0, 0)))
with open("bad_trailer.enc", "wb") as f:
    f.write(encrypted_file("hello.txt", CONTENT, 0x20, TIMES, trailer=b"---+\0"))
with open("bad_length.enc", "wb") as f:
    f.write(encrypted_file("hello.txt", CONTENT, 0x20, TIMES, length_override=10241))
with open("truncated.enc", "wb") as f:
    f.write(encrypted_file("hello.txt", CONTENT, 0x20, TIMES)[:-7])
with open("cut_in_key_block.enc", "wb") as f:
    f.write(encrypted_file("hello.txt", CONTENT, 0x20, TIMES)[:90])
with open("format2.enc", "wb") as f:
    f.write(struct.pack("<HHII", 41, 2, 48, 0x20) + struct.pack("<QQQ", *TIMES) + b"----\0" + bytes(48))

# Folder manifests: records "D/1/0/" + UTF-16LE name + 0x0000 + LF.
def record(kind, ident, write_time, name):
    return kind + b"/" + str(ident).encode() + b"/" + str(write_time).encode() + b"/" + name.encode("utf-16-le") + b"\0\0\n"

MANIFEST = (record(b"D", 1, 0, "Docs") + record(b"F", 2, 133200000000000000, "report.doc")
            + record(b"F", 5, 7, "\u010a/\n tricky"))
with open("manifest_good.enc", "wb") as f:
    f.write(encrypted_file("", MANIFEST, 0x80, (0, 0, 0)))
with open("manifest_cut_in_name.enc", "wb") as f:
    f.write(encrypted_file("", MANIFEST[:-9], 0x80, (0, 0, 0)))
with open("manifest_bad_kind.enc", "wb") as f:
    f.write(encrypted_file("", b"X" + MANIFEST[1:], 0x80, (0, 0, 0)))
with open("manifest_other_key.enc", "wb") as f:
    f.write(encrypted_file("", MANIFEST, 0x80, (0, 0, 0), master=bytes(range(100, 132))))

# A key file as the layout describes it: magic, an all-zero record, and
# property records in slots 0 (failed-login counter) and 3 (hint).
key_file = bytearray(51200 + 50 * 512)
key_file[0:8] = bytes.fromhex("AA78010012F5125D")
struct.pack_into("<IH", key_file, 8, 30986, 1)
def prop(slot, data):
    at = 51200 + 512 * slot
    key_file[at:at + 8] = b"PROP%04d" % slot
    struct.pack_into("<I", key_file, at + 8, len(data))
    key_file[at + 12:at + 12 + len(data)] = data
prop(0, struct.pack("<I", 2))
prop(3, "my hint\0".encode("utf-16-le"))
with open("secparams.enc", "wb") as f:
    f.write(key_file)

# What a power loss leaves of a stored file that no list names yet: its
# length reached the stick and its content did not (all zeros), or the first
# page did and the rest did not.
LONG = bytes((i * 7 + 3) & 0xFF for i in range(10000))
whole = encrypted_file("report.txt", LONG, 0x20, TIMES)
with open("power_loss_zeros.enc", "wb") as f:
    f.write(bytes(len(whole)))
with open("power_loss_half.enc", "wb") as f:
    f.write(whole[:4096] + bytes(len(whole) - 4096))

# Whole stored files whose header names cannot be used as they stand.
for fixture, name in (("name_with_slash.enc", "x/y"), ("name_dotdot.enc", ".."),
                      ("name_absolute.enc", "/etc/passwd")):
    with open(fixture, "wb") as f:
        f.write(encrypted_file(name, b"kept whatever its name\n", 0x20, TIMES))
