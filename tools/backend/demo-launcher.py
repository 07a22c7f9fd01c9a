#!/usr/bin/env python3
"""Points a program folder at the demo back-end (Python 3 standard library only).

    demo-launcher.py PROGRAM_DIR PORTS_FILE

Sets the deployment sites, the channel list and the report URLs in
PROGRAM_DIR/qxtarrow.ini (other keys are kept) and, when the folder has no
gamebtn.dat yet, writes the demo's game list there (UTF-16 text), so the
launcher shows channels and game buttons from the demo back-end.
"""
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))


def read_ports(path):
    ports = {}
    with open(path) as f:
        for line in f:
            key, _, value = line.strip().partition("=")
            ports[key] = value
    return ports


def set_keys(path, sections):
    """Sets section/key values of an ini file, keeping its other lines."""
    lines = open(path, encoding="utf-8", errors="replace").read().splitlines() if os.path.exists(path) else []
    for section, values in sections.items():
        header = "[%s]" % section
        if header.lower() not in (l.strip().lower() for l in lines):
            lines.append(header)
        start = next(i for i, l in enumerate(lines) if l.strip().lower() == header.lower())
        end = next((i for i in range(start + 1, len(lines)) if lines[i].strip().startswith("[")), len(lines))
        for key, value in values.items():
            at = next((i for i in range(start + 1, end) if lines[i].split("=", 1)[0].strip().lower() == key.lower()),
                      None)
            if at is None:
                lines.insert(end, "%s=%s" % (key, value))
                end += 1
            else:
                lines[at] = "%s=%s" % (key, value)
    with open(path, "w", encoding="utf-8", newline="\r\n") as f:
        f.write("\n".join(lines) + "\n")


def main():
    program, ports_file = sys.argv[1], sys.argv[2]
    ports = read_ports(ports_file)
    http = "http://127.0.0.1:%s" % ports["http"]
    https = "https://127.0.0.1:%s" % ports["https"]
    set_keys(os.path.join(program, "qxtarrow.ini"), {
        "main": {"Api_url": https, "Web_url": http, "Account_url": https, "Update_url": http, "Homepage_url": http,
                 "Domain_url": http + "/channel/list", "Login_url": http + "/html/login.html"},
        "report": {"url": http + "/report/qxtarrow", "installurl": http + "/report/install"},
    })
    games = os.path.join(program, "gamebtn.dat")
    if not os.path.exists(games):
        with open(os.path.join(HERE, "demo-gamebtn.json"), encoding="utf-8") as f:
            text = f.read()
        with open(games, "wb") as f:
            f.write(text.encode("utf-16-le"))


if __name__ == "__main__":
    main()
