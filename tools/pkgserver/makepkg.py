#!/usr/bin/env python3
"""Makes a download package of a folder for pkgserver.py.

    makepkg.py SOURCE_DIR PACKAGE_ROOT ID [--version N]

Writes PACKAGE_ROOT/ID/index (what OrvDown.dll fetches: every file of
SOURCE_DIR cut into 32768-byte blocks, one SHA-1 per block) and
PACKAGE_ROOT/ID/source (the folder the server reads the files from).
The files themselves are not copied.
"""
import argparse
import hashlib
import os
import random
import sys

BLOCK_SIZE = 32768


def list_files(source):
    names = []
    for folder, dirs, files in os.walk(source):
        dirs.sort()
        for name in sorted(files):
            full = os.path.join(folder, name)
            names.append(os.path.relpath(full, source).replace(os.sep, "/"))
    return names


def index_lines(source, version):
    names = list_files(source)
    yield "ORVPKG 1"
    yield "version %d" % version
    yield "blocksize %d" % BLOCK_SIZE
    yield "files %d" % len(names)
    for name in names:
        path = os.path.join(source, name)
        yield "file %d %s" % (os.path.getsize(path), name)
        with open(path, "rb") as f:
            while True:
                block = f.read(BLOCK_SIZE)
                if not block:
                    break
                yield hashlib.sha1(block).hexdigest()
    yield "end"


def make_package(source, root, pkg_id, version=1):
    source = os.path.abspath(source)
    folder = os.path.join(root, str(pkg_id))
    os.makedirs(folder, exist_ok=True)
    text = "".join(line + "\n" for line in index_lines(source, version))
    with open(os.path.join(folder, "index.tmp"), "w", encoding="utf-8", newline="\n") as f:
        f.write(text)
    os.replace(os.path.join(folder, "index.tmp"), os.path.join(folder, "index"))
    with open(os.path.join(folder, "source"), "w", encoding="utf-8") as f:
        f.write(source)


def make_random_files(folder, files, seed):
    """Writes files [(relative name, size), ...] of seeded random bytes below folder (for test packages)."""
    rnd = random.Random(seed)
    for name, size in files:
        path = os.path.join(folder, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(rnd.randbytes(size))


def make_test_packages(state, sources, packages):
    """Test packages in a server's state folder: sources {name: files} of random
    bytes in STATE/src/<name>, packages {id: (source name, version)} in STATE/root/<id>."""
    for seed, (name, files) in enumerate(sorted(sources.items())):
        make_random_files(os.path.join(state, "src", name), files, seed)
    for pkg_id, (name, version) in packages.items():
        make_package(os.path.join(state, "src", name), os.path.join(state, "root"), pkg_id, version)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("source")
    parser.add_argument("root")
    parser.add_argument("id", type=int)
    parser.add_argument("--version", type=int, default=1)
    args = parser.parse_args()
    if not os.path.isdir(args.source):
        sys.exit("makepkg: %s is not a folder" % args.source)
    make_package(args.source, args.root, args.id, args.version)


if __name__ == "__main__":
    main()
