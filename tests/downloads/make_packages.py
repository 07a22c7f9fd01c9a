#!/usr/bin/env python3
"""Makes the game packages of the launcher's download tests in the state
folder of their download server: sources in STATE/src/<name>, packages in
STATE/root/<id> (made by the package server's own tool).

    make_packages.py STATE_DIR
"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "pkgserver"))
import makepkg  # noqa: E402

STAMP = "packages-v2"
MB = 1 << 20

SOURCES = {
    # A small game of several files, one in a folder with a Chinese name.
    "game": [("game.exe", 600000), ("data/level1.pak", 3 * MB // 2), ("data/level2.pak", MB + 12345),
             ("中文/说明.txt", 20000), ("config/settings.ini", 1000), ("empty.dat", 0)],
    # Large enough to be paused, limited and closed on while it downloads.
    "big": [("big.exe", 2 * MB), ("data/world.pak", 10 * MB + 777)],
    "medium": [("medium.exe", 4 * MB)],
}

# id -> (source, version); 140 and 141 are found already in their folders.
PACKAGES = {101: ("game", 2), 102: ("big", 1), 140: ("game", 2), 141: ("game", 2)}
# Eleven downloads at once.
PACKAGES.update({id: ("medium", 1) for id in range(103, 114)})


def main():
    state = sys.argv[1]
    stamp = os.path.join(state, STAMP)
    if os.path.exists(stamp):
        return 0
    makepkg.make_test_packages(state, SOURCES, PACKAGES)
    open(stamp, "w").close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
