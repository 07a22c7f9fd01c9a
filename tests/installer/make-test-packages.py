#!/usr/bin/env python3
"""Makes the 7z packages that the installer's extraction tests read.

    make-test-packages.py OUT_DIR

OUT_DIR/tree is the content of the main packages (nested and Chinese names,
empty files and folders, a read-only file, fixed modification times); each
OUT_DIR/*.7z packs it one way with 7zz. locked.7z holds three small files in
a known order; unsafe*.7z hold entries whose names leave the target folder.
"""
import os
import random
import shutil
import stat
import struct
import subprocess
import sys
import zlib

OUT = os.path.abspath(sys.argv[1])
TREE = os.path.join(OUT, "tree")
ENV = dict(os.environ, LC_ALL="C.UTF-8", TZ="UTC")

# Packages of the same tree, one per way of packing it.
TREE_PACKAGES = {
    "solid_lzma2.7z": ["-m0=LZMA2", "-ms=on"],
    "solid_lzma.7z": ["-m0=LZMA", "-ms=on"],
    "nonsolid_lzma2.7z": ["-m0=LZMA2", "-ms=off"],
    "nonsolid_lzma.7z": ["-m0=LZMA", "-ms=off"],
    "bcj_lzma.7z": ["-m0=BCJ", "-m1=LZMA", "-ms=on"],
    "bcj2_lzma.7z": ["-mf=BCJ2", "-m0=LZMA", "-ms=on"],
    "ppmd.7z": ["-m0=PPMd", "-ms=on"],
    "blocks_lzma2.7z": ["-m0=LZMA2", "-ms=3f"],
}


def sevenzip(cwd, *args):
    subprocess.run(["7zz", "a", "-t7z", "-bd", "-y", *args], cwd=cwd, env=ENV, check=True,
                   stdout=subprocess.DEVNULL)


def put(root, rel, data, mtime_ns=None):
    path = os.path.join(root, rel)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
    if mtime_ns is not None:
        os.utime(path, ns=(mtime_ns, mtime_ns))


def machine_code(rng, size):
    # Bytes with many x86 call/jump opcodes, the ones the BCJ filters convert.
    out = bytearray()
    while len(out) < size:
        out += bytes([rng.choice((0xE8, 0xE9, 0x0F))]) + struct.pack("<i", rng.randint(-65536, 65536))
        out += bytes(rng.randint(0, 255) for _ in range(rng.randint(0, 6)))
    return bytes(out[:size])


def text(rng, size):
    words = ["plug", "in", "browser", "game", "player", "folder", "插件", "安装", "data", "\r\n"]
    out = []
    while sum(len(w) for w in out) < size:
        out.append(rng.choice(words) + " ")
    return "".join(out).encode("utf-8")[:size]


def make_tree(rng):
    base_time = 1557126489 * 10**9  # 2019-05-06 07:08:09 UTC
    put(TREE, "readme.txt", b"Extraction test package\r\n", base_time + 123456700)
    put(TREE, "中文目录/说明文件.txt", "安装说明：请勿删除本文件。\r\n".encode("utf-8"), base_time + 86400 * 10**9)
    put(TREE, "a/b/c/d/deep.txt", text(rng, 3000), base_time + 3 * 10**9)
    put(TREE, "empty.txt", b"", base_time + 4 * 10**9)
    put(TREE, "a/empty2.dat", b"", base_time + 5 * 10**9)
    put(TREE, "bin/tool.exe", machine_code(rng, 200000), base_time + 6 * 10**9)
    put(TREE, "bin/helper.dll", machine_code(rng, 70000), base_time + 7 * 10**9)
    # Larger than many look-ahead pieces of the stream, and only partly compressible.
    put(TREE, "big.bin", text(rng, 400000) + rng.randbytes(300000), base_time + 8 * 10**9)
    put(TREE, "readonly.txt", b"read only\r\n", base_time + 9 * 10**9)
    os.chmod(os.path.join(TREE, "readonly.txt"), stat.S_IRUSR | stat.S_IRGRP | stat.S_IROTH)
    for folder in ("empty_dir", "a/b/empty_sub", "空目录"):
        os.makedirs(os.path.join(TREE, folder), exist_ok=True)


def make_locked():
    work = os.path.join(OUT, "locked")
    for name in ("a-first.txt", "b-middle.txt", "c-last.txt"):
        put(work, name, ("content of " + name + "\r\n").encode())
    sevenzip(work, "-ms=off", os.path.join(OUT, "locked.7z"), "a-first.txt", "b-middle.txt", "c-last.txt")


def make_unsafe_relative():
    # -spf keeps the names as given, ".." parts included.
    work = os.path.join(OUT, "unsafe", "work")
    put(work, "a-first.txt", b"first\r\n")
    put(os.path.join(OUT, "unsafe"), "outside.txt", b"outside\r\n")
    put(work, "z-last.txt", b"last\r\n")
    sevenzip(work, "-spf", "-ms=off", os.path.join(OUT, "unsafe.7z"), "a-first.txt", "../outside.txt", "z-last.txt")


def make_long_names():
    # A name of 2046 characters stops the extraction; one of 2045 does not.
    for length in (2045, 2046):
        work = os.path.join(OUT, "long%d" % length)
        long_name = "/".join(["d" * 200] * 10) + "/"
        long_name += "x" * (length - len(long_name))
        put(work, "a-short.txt", b"short\r\n")
        put(work, long_name, b"long\r\n")
        sevenzip(work, "-ms=off", os.path.join(OUT, "long%d.7z" % length), "a-short.txt", long_name)


def patch_names(archive, renames):
    """Renames entries in place (same lengths) in a package with a plain header."""
    data = bytearray(open(archive, "rb").read())
    next_offset, next_size = struct.unpack_from("<QQ", data, 12)
    start = 32 + next_offset
    header = data[start:start + next_size]
    for old, new in renames.items():
        old16, new16 = old.encode("utf-16le"), new.encode("utf-16le")
        assert len(old16) == len(new16) and header.count(old16) == 1, old
        header = header.replace(old16, new16)
    data[start:start + next_size] = header
    struct.pack_into("<I", data, 28, zlib.crc32(header))
    struct.pack_into("<I", data, 8, zlib.crc32(bytes(data[12:32])))
    open(archive, "wb").write(bytes(data))


def make_unsafe_patched():
    work = os.path.join(OUT, "unsafe_patched")
    names = ["a-first.txt", "QQQesc_back.txt", "sub/QQ/QQ/esc_mid.txt", "CQesc_drive.txt", "Qesc_root.txt",
             "z-last.txt"]
    for name in names:
        put(work, name, (name + "\r\n").encode())
    archive = os.path.join(OUT, "unsafe_patched.7z")
    sevenzip(work, "-mhc=off", "-ms=off", archive, *names)
    patch_names(archive, {"QQQesc_back.txt": "..\\esc_back.txt",
                          "sub/QQ/QQ/esc_mid.txt": "sub/../../esc_mid.txt",
                          "CQesc_drive.txt": "C:esc_drive.txt",
                          "Qesc_root.txt": "\\esc_root.txt"})


def main():
    shutil.rmtree(OUT, ignore_errors=True)
    os.makedirs(OUT)
    rng = random.Random(7)
    make_tree(rng)
    for name, switches in TREE_PACKAGES.items():
        sevenzip(TREE, *switches, os.path.join(OUT, name), ".")
    make_locked()
    make_unsafe_relative()
    make_unsafe_patched()
    make_long_names()
    open(os.path.join(OUT, "stamp"), "w").close()


if __name__ == "__main__":
    main()
