#!/usr/bin/env python3
"""Makes the sample packages of the OrvDown tests in the download server's
state folder: sources in STATE/src/<name>, packages in STATE/root/<id>, raw
bad indexes that test the library's input checks, and big indexes of a
package whose only file the tests' filter refuses (no data behind them).

    make_samples.py STATE_DIR
"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "pkgserver"))
import makepkg  # noqa: E402

STAMP = "samples-v3"

SOURCES = {
    "small": [("readme.txt", 100000), ("empty.dat", 0), ("data/exact.bin", 32768),
              ("data/deep/more.bin", 200000), ("config/xsd.txt.bak", 5000), ("中文/名字.txt", 1000)],
    "medium": [("big1.bin", 12 << 20), ("big2.bin", 8 << 20), ("sub/big3.bin", (4 << 20) + 123)],
    # Two versions of one game: the update drops old.dll and data/gone/, adds new.dll.
    "upd1": [("game.exe", 50000), ("old.dll", 40000), ("data/keep.dat", 1000), ("data/gone/old.txt", 300)],
    "upd2": [("game.exe", 60000), ("new.dll", 30000), ("data/keep.dat", 1000)],
}

# id -> (source, version)
PACKAGES = {101: ("small", 5), 102: ("medium", 1), 103: ("medium", 1), 104: ("small", 1), 105: ("small", 1),
            106: ("small", 1), 107: ("small", 1), 108: ("small", 1), 109: ("medium", 1), 110: ("medium", 1),
            111: ("small", 1), 112: ("small", 1), 113: ("medium", 1), 114: ("small", 1), 115: ("small", 1),
            116: ("small", 1),
            # 120 is the package the update test changes: it copies 122 (version 1) or 121 (version 2) over it.
            120: ("upd1", 1), 121: ("upd2", 2), 122: ("upd1", 1),
            130: ("small", 1), 131: ("small", 1), 132: ("small", 1), 133: ("medium", 1), 134: ("medium", 1)}

HASH = "0" * 40


def bad(lines):
    return "".join(line + "\n" for line in lines)


def head(files):
    return ["ORVPKG 1", "version 1", "blocksize 32768", "files %d" % files]


BAD_INDEXES = {
    201: bad(head(1) + ["file 99999999999999999999 a.bin", HASH, "end"]),
    202: bad(head(4000000000) + ["file 1 a.bin", HASH, "end"]),
    203: bad(head(2) + ["file 1 a.bin", HASH, "end"]),
    204: bad(head(1) + ["file 1 ..\\evil.txt", HASH, "end"]),
    205: bad(head(1) + ["file 1 ../evil.txt", HASH, "end"]),
    206: bad(head(1) + ["file 1 C:/evil.txt", HASH, "end"]),
    207: bad(head(1) + ["file 1 /evil.txt", HASH, "end"]),
    208: bad(head(1) + ["file 1 sub/../../evil.txt", HASH, "end"]),
    209: bad(head(1) + ["file 100000 a.bin", HASH, HASH]),
    210: bad(head(1) + ["file 1099511627776 big.bin", "end"]),
    211: "<html><body>Bad gateway</body></html>\n",
    212: bad(head(1) + ["file 1 con.txt", HASH, "end"]),
    213: bad(["ORVPKG 1", "version 1", "blocksize 65536", "files 1", "file 1 a.bin", HASH, "end"]),
    214: bad(head(1) + ["file 1 a.bin", HASH, "end"])[:-5],  # cut inside the last line
    215: bad(head(2) + ["file 1 a.bin", HASH, "file 1 A.BIN", HASH, "end"]),
}


# A 12 GiB file named so that the tests' FilterDownFile refuses it: about 16 MB of index text.
BIG_INDEX_IDS = (140, 141, 142, 143)
BIG_FILE_BYTES = 12 << 30


def big_index():
    return bad(head(1) + ["file %d big.xsd.txt" % BIG_FILE_BYTES] + [HASH] * (BIG_FILE_BYTES // 32768) + ["end"])


def main():
    state = sys.argv[1]
    stamp = os.path.join(state, STAMP)
    if os.path.exists(stamp):
        return 0
    makepkg.make_test_packages(state, SOURCES, PACKAGES)
    raw = dict(BAD_INDEXES)
    raw.update((pkg_id, big_index()) for pkg_id in BIG_INDEX_IDS)
    for pkg_id, text in raw.items():
        folder = os.path.join(state, "root", str(pkg_id))
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "index"), "w", encoding="utf-8", newline="\n") as f:
            f.write(text)
    open(stamp, "w").close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
