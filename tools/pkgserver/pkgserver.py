#!/usr/bin/env python3
"""The download server of OrvDown.dll (what ConnectSSS names), for tests,
the demo and the benchmark. Python 3 standard library only; 127.0.0.1 only.

    pkgserver.py serve --root DIR [--port N] [--port-file FILE]
    pkgserver.py start --state DIR [--port N]
                                       background server: DIR/root, DIR/port, DIR/pid, DIR/server.log
    pkgserver.py stop  --state DIR

Packages are folders ROOT/ID made by makepkg.py (index + source), or a
bare ROOT/ID/index written by a test. Routes:
    GET /pkg/hello                     liveness check of ConnectSSS
    GET /pkg/ID/index                  the package index
    GET /pkg/ID/file/N                 file number N of the index (Range: bytes=a-b)
    GET /control/fault?id=ID&kind=K[&count=C][&rate=R][&at=A]
        K: missing (index and files answer 404), slow (files at R bytes/s),
           cut (the next C file answers longer than A bytes stop after A, default 49152),
           corrupt (the next C file answers longer than A bytes have byte A flipped, default 40000),
           truncindex (the next C index answers stop half-way),
           silent, silentindex (file or index requests are taken and never answered
           while the fault stands, at most 120 s; then the connection is dropped)
        C: answers affected, -1 = all (default 1)
    GET /control/clear?id=ID           no fault
    GET /control/stats?id=ID           {"index_requests": .., "data_requests": .., "data_bytes": .., "faults": ..}
                                       faults: answers a fault changed
    GET /control/reset?id=ID           stats back to 0
"""
import argparse
import http.server
import json
import os
import re
import signal
import socket
import subprocess
import sys
import threading
import time
import urllib.parse


FAULT_KINDS = ("missing", "slow", "cut", "corrupt", "truncindex", "silent", "silentindex")
# Faults that change an answer at a byte, with their default byte.
FAULT_POINTS = {"cut": 49152, "corrupt": 40000}
LASTING_FAULTS = ("missing", "slow", "silent", "silentindex")
SILENT_HOLD_SECONDS = 120


def fault_point(fault):
    return int(fault["at"] or FAULT_POINTS[fault["kind"]])


def new_stats():
    return {"index_requests": 0, "data_requests": 0, "data_bytes": 0, "faults": 0}


class PackageStore:
    """Packages under one root folder, faults and statistics per package id."""

    def __init__(self, root):
        self.root = root
        self.lock = threading.Lock()
        self.faults = {}
        self.stats = {}
        self.files = {}

    def index_path(self, pkg_id):
        return os.path.join(self.root, str(pkg_id), "index")

    def file_path(self, pkg_id, number):
        """Full path of file number `number` of a package made by makepkg.py."""
        source, names = self.package_files(pkg_id)
        if source is None or not 0 <= number < len(names):
            return None
        return os.path.join(source, names[number])

    def package_files(self, pkg_id):
        """(source folder, file names) of a package, read again only when its index changed."""
        folder = os.path.join(self.root, str(pkg_id))
        try:
            st = os.stat(self.index_path(pkg_id))
            key = (st.st_mtime_ns, st.st_size)
            with self.lock:
                cached = self.files.get(pkg_id)
            if cached and cached[0] == key:
                return cached[1], cached[2]
            with open(os.path.join(folder, "source"), encoding="utf-8") as f:
                source = f.read().strip()
            with open(self.index_path(pkg_id), encoding="utf-8") as f:
                names = [line.rstrip("\n").split(" ", 2)[2] for line in f if line.startswith("file ")]
        except (OSError, IndexError, UnicodeDecodeError):
            return None, []
        with self.lock:
            self.files[pkg_id] = (key, source, names)
        return source, names

    def set_fault(self, pkg_id, fault):
        with self.lock:
            if fault is None:
                self.faults.pop(pkg_id, None)
            else:
                self.faults[pkg_id] = fault

    def has_fault(self, pkg_id, kind):
        with self.lock:
            fault = self.faults.get(pkg_id)
            return bool(fault) and fault["kind"] == kind

    def take_fault(self, pkg_id, kinds, length=None):
        """The package's fault when it is one of kinds and changes an answer of
        length bytes (a cut or flip point must lie inside it), counting one use."""
        with self.lock:
            fault = self.faults.get(pkg_id)
            if not fault or fault["kind"] not in kinds:
                return None
            if length is not None and fault["kind"] in FAULT_POINTS and length <= fault_point(fault):
                return None
            if fault["count"] > 0:
                fault["count"] -= 1
                if fault["count"] == 0:
                    del self.faults[pkg_id]
            entry = self.stats.setdefault(pkg_id, new_stats())
            entry["faults"] += 1
            return dict(fault)

    def count(self, pkg_id, key, amount=1):
        with self.lock:
            entry = self.stats.setdefault(pkg_id, new_stats())
            entry[key] += amount

    def get_stats(self, pkg_id, reset=False):
        with self.lock:
            entry = self.stats.get(pkg_id, new_stats())
            if reset:
                self.stats.pop(pkg_id, None)
            return dict(entry)


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "pkgserver/1"

    def log_message(self, fmt, *args):
        sys.stderr.write("%s %s\n" % (time.strftime("%H:%M:%S"), fmt % args))

    @property
    def store(self):
        return self.server.store

    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        query = dict(urllib.parse.parse_qsl(url.query))
        try:
            if url.path == "/pkg/hello":
                return self.send_body(200, b"orvpkg\n")
            m = re.fullmatch(r"/pkg/(\d+)/index", url.path)
            if m:
                return self.send_index(int(m.group(1)))
            m = re.fullmatch(r"/pkg/(\d+)/file/(\d+)", url.path)
            if m:
                return self.send_file(int(m.group(1)), int(m.group(2)))
            if url.path.startswith("/control/"):
                return self.control(url.path[len("/control/"):], query)
            self.send_body(404, b"no such route\n")
        except (BrokenPipeError, ConnectionResetError):
            self.close_connection = True

    def control(self, action, query):
        try:
            pkg_id = int(query["id"])
        except (KeyError, ValueError):
            return self.send_body(400, b"id missing\n")
        if action == "fault":
            fault = {"kind": query.get("kind", ""), "count": int(query.get("count", "1")),
                     "rate": int(query.get("rate", "65536")), "at": query.get("at")}
            if fault["kind"] not in FAULT_KINDS:
                return self.send_body(400, b"unknown fault\n")
            if fault["kind"] in LASTING_FAULTS:
                fault["count"] = -1
            self.store.set_fault(pkg_id, fault)
        elif action == "clear":
            self.store.set_fault(pkg_id, None)
        elif action in ("stats", "reset"):
            body = json.dumps(self.store.get_stats(pkg_id, reset=(action == "reset"))).encode()
            return self.send_body(200, body, "application/json")
        else:
            return self.send_body(404, b"no such control\n")
        self.send_body(200, b"ok\n")

    def send_body(self, status, body, content_type="text/plain"):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def send_index(self, pkg_id):
        self.store.count(pkg_id, "index_requests")
        if self.store.take_fault(pkg_id, ("missing",)):
            return self.send_body(404, b"no such package\n")
        if self.store.take_fault(pkg_id, ("silentindex",)):
            return self.hold_silent(pkg_id, "silentindex")
        try:
            with open(self.store.index_path(pkg_id), "rb") as f:
                body = f.read()
        except OSError:
            return self.send_body(404, b"no such package\n")
        if self.store.take_fault(pkg_id, ("truncindex",)):
            return self.send_cut(200, len(body), body[: len(body) // 2])
        self.send_body(200, body)

    def hold_silent(self, pkg_id, kind):
        """Answers nothing while the fault stands, then drops the connection."""
        deadline = time.time() + SILENT_HOLD_SECONDS
        while time.time() < deadline and self.store.has_fault(pkg_id, kind):
            time.sleep(0.1)
        self.close_connection = True
        try:
            self.connection.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass

    def send_cut(self, status, length, part, extra_headers=()):
        """Promises length bytes, sends part, and drops the connection."""
        self.send_response(status)
        self.send_header("Content-Length", str(length))
        for name, value in extra_headers:
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(part)
        self.close_connection = True
        self.connection.shutdown(socket.SHUT_RDWR)

    def requested_range(self, size):
        """(first, last) of the Range header, None without one, False when unusable."""
        header = self.headers.get("Range")
        if not header:
            return None
        m = re.fullmatch(r"bytes=(\d+)-(\d+)", header.strip())
        if not m:
            return False
        first, last = int(m.group(1)), int(m.group(2))
        if first > last or last >= size:
            return False
        return first, last

    def send_file(self, pkg_id, number):
        self.store.count(pkg_id, "data_requests")
        if self.store.take_fault(pkg_id, ("missing",)):
            return self.send_body(404, b"no such package\n")
        path = self.store.file_path(pkg_id, number)
        if not path or not os.path.isfile(path):
            return self.send_body(404, b"no such file\n")
        size = os.path.getsize(path)
        rng = self.requested_range(size)
        if rng is False:
            return self.send_body(416, b"bad range\n")
        first, last = rng if rng else (0, size - 1)
        length = last - first + 1 if size else 0
        headers = [("Content-Range", "bytes %d-%d/%d" % (first, last, size))] if rng else []
        status = 206 if rng else 200
        fault = self.store.take_fault(pkg_id, ("slow", "cut", "corrupt", "silent"), length)
        if fault and fault["kind"] == "silent":
            return self.hold_silent(pkg_id, "silent")
        with open(path, "rb") as f:
            if fault is None:
                self.send_response(status)
                self.send_header("Content-Length", str(length))
                for name, value in headers:
                    self.send_header(name, value)
                self.end_headers()
                sent = self.connection.sendfile(f, first, length) if length else 0
                self.store.count(pkg_id, "data_bytes", sent)
                return
            f.seek(first)
            body = bytearray(f.read(length))
        self.send_faulty(pkg_id, status, headers, body, fault)

    def send_faulty(self, pkg_id, status, headers, body, fault):
        kind = fault["kind"]
        if kind == "cut":
            at = fault_point(fault)
            self.store.count(pkg_id, "data_bytes", at)
            return self.send_cut(status, len(body), bytes(body[:at]), headers)
        if kind == "corrupt":
            body[fault_point(fault)] ^= 0xFF
        self.send_response(status)
        self.send_header("Content-Length", str(len(body)))
        for name, value in headers:
            self.send_header(name, value)
        self.end_headers()
        if kind == "slow":
            step = max(1, min(4096, fault["rate"] // 20))
            for pos in range(0, len(body), step):
                self.wfile.write(bytes(body[pos:pos + step]))
                self.store.count(pkg_id, "data_bytes", min(step, len(body) - pos))
                time.sleep(step / fault["rate"])
        else:
            self.wfile.write(bytes(body))
            self.store.count(pkg_id, "data_bytes", len(body))


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True
    request_queue_size = 64


def serve(root, port, port_file):
    os.makedirs(root, exist_ok=True)
    server = Server(("127.0.0.1", port), Handler)
    server.store = PackageStore(root)
    if port_file:
        tmp = port_file + ".tmp"
        with open(tmp, "w") as f:
            f.write("%d\n" % server.server_address[1])
        os.replace(tmp, port_file)
    signal.signal(signal.SIGTERM, lambda *_: threading.Thread(target=server.shutdown).start())
    try:
        server.serve_forever()
    finally:
        server.server_close()


def start(state, port=0):
    """Starts a background server and returns once its port file exists."""
    os.makedirs(state, exist_ok=True)
    port_file = os.path.join(state, "port")
    stop(state)
    if os.path.exists(port_file):
        os.remove(port_file)
    with open(os.path.join(state, "server.log"), "ab") as log:
        proc = subprocess.Popen(
            [sys.executable, os.path.abspath(__file__), "serve", "--root", os.path.join(state, "root"),
             "--port", str(port), "--port-file", port_file],
            stdin=subprocess.DEVNULL, stdout=log, stderr=log, close_fds=True, start_new_session=True)
    with open(os.path.join(state, "pid"), "w") as f:
        f.write("%d\n" % proc.pid)
    deadline = time.time() + 15
    while time.time() < deadline:
        if os.path.exists(port_file):
            print("pkgserver: pid %d, port %s" % (proc.pid, open(port_file).read().strip()))
            return 0
        if proc.poll() is not None:
            break
        time.sleep(0.05)
    print("pkgserver: server did not start, see %s/server.log" % state, file=sys.stderr)
    return 1


def stop(state):
    pid_file = os.path.join(state, "pid")
    try:
        with open(pid_file) as f:
            pid = int(f.read().strip())
    except (OSError, ValueError):
        return 0
    os.remove(pid_file)
    try:
        os.kill(pid, signal.SIGTERM)
    except ProcessLookupError:
        return 0
    deadline = time.time() + 5
    while time.time() < deadline:
        try:
            os.kill(pid, 0)
        except ProcessLookupError:
            return 0
        time.sleep(0.05)
    os.kill(pid, signal.SIGKILL)
    return 0


def main():
    parser = argparse.ArgumentParser(description="download server of OrvDown.dll")
    sub = parser.add_subparsers(dest="command", required=True)
    p = sub.add_parser("serve")
    p.add_argument("--root", required=True)
    p.add_argument("--port", type=int, default=0)
    p.add_argument("--port-file")
    p = sub.add_parser("start")
    p.add_argument("--state", required=True)
    p.add_argument("--port", type=int, default=0)
    sub.add_parser("stop").add_argument("--state", required=True)
    args = parser.parse_args()
    if args.command == "serve":
        serve(args.root, args.port, args.port_file)
        return 0
    return start(args.state, args.port) if args.command == "start" else stop(args.state)


if __name__ == "__main__":
    sys.exit(main())
