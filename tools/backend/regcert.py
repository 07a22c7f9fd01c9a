#!/usr/bin/env python3
"""Writes a .reg file that puts a CA certificate into the current user's Root
store. Wine's crypt32 builds the local machine's Root store from the host's
certificates only, but reads the current user's Root store from the
prefix's registry, and chain building trusts both.

    regcert.py CA.pem OUT.reg

The key is the certificate's SHA-1 thumbprint; its "Blob" value is the
serialised store element: property 32 (the encoded certificate) as
{DWORD id, DWORD 1, DWORD size} followed by the DER bytes.
"""
import base64
import hashlib
import re
import struct
import sys

CERT_CERT_PROP_ID = 32
ROOT_KEY = r"HKEY_CURRENT_USER\Software\Microsoft\SystemCertificates\Root\Certificates"


def pem_to_der(text):
    m = re.search(r"-----BEGIN CERTIFICATE-----(.*?)-----END CERTIFICATE-----", text, re.S)
    if not m:
        raise SystemExit("regcert: no certificate in the PEM file")
    return base64.b64decode("".join(m.group(1).split()))


def main():
    if len(sys.argv) != 3:
        raise SystemExit("usage: regcert.py CA.pem OUT.reg")
    with open(sys.argv[1]) as f:
        der = pem_to_der(f.read())
    thumb = hashlib.sha1(der).hexdigest().upper()
    blob = struct.pack("<III", CERT_CERT_PROP_ID, 1, len(der)) + der
    hexed = ",".join("%02x" % b for b in blob)
    with open(sys.argv[2], "w", newline="\r\n") as f:
        f.write("REGEDIT4\n\n[%s\\%s]\n\"Blob\"=hex:%s\n" % (ROOT_KEY, thumb, hexed))
    print(thumb)


if __name__ == "__main__":
    main()
