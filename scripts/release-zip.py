#!/usr/bin/env python3
"""Writes a zip archive whose bytes depend only on the files' names and
contents and on one given time, so that every run on the same files gives the
same archive:

    release-zip.py ARCHIVE EPOCH FILE...

The members are the files' base names, sorted. Every member carries the date
EPOCH (seconds since 1970, UTC; SOURCE_DATE_EPOCH), the DOS attributes of a
plain file and no extra fields (no Unix owner, permissions or further time
stamps). Files other than .exe are text and get Windows line ends: Notepad
before Windows 10 shows a text without them as a single line.
"""
import os
import sys
import time
import zipfile

# The earliest date a zip member can carry: 1980-01-01.
ZIP_EPOCH = 315532800


def main():
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    archive, epoch, paths = sys.argv[1], int(sys.argv[2]), sys.argv[3:]
    members = {}
    for path in paths:
        name = os.path.basename(path)
        if name in members:
            sys.exit(f"two files named {name}")
        members[name] = path
    date = time.gmtime(max(epoch, ZIP_EPOCH))[:6]
    with zipfile.ZipFile(archive, "w") as zip_file:
        for name in sorted(members):
            with open(members[name], "rb") as source:
                data = source.read()
            if not name.lower().endswith(".exe"):
                data = data.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")
            member = zipfile.ZipInfo(name, date_time=date)
            # MS-DOS attributes, as Windows writes them: "archive", that of
            # every new file. (Zero would have Python put in Unix permissions.)
            member.create_system = 0
            member.external_attr = 0x20
            member.compress_type = zipfile.ZIP_DEFLATED
            zip_file.writestr(member, data, compresslevel=9)


if __name__ == "__main__":
    main()
