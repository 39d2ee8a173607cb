#!/usr/bin/env python3
"""Writes a release archive of ZORVAND: the program, its help files, the read-me
in code page 932 with CRLF line ends, and the demo sounds in サンプル.

Names are stored in UTF-8 with the zip's UTF-8 name flag (general purpose bit
11), which Windows' own archive support reads. Entries come in a fixed order
with one timestamp, SOURCE_DATE_EPOCH or else the last commit's time, so the
same inputs give the same bytes.

  make_archive.py --version V --program EXE --help-file HLP
                  --readme SOURCE --sound WAV:DESCRIPTION ... OUT.zip
The help file's HTML Help sibling, the .chm beside it, goes in too.
"""
import argparse
import io
import os
import subprocess
import sys
import time
import zipfile
from pathlib import Path

SAMPLES = "サンプル"
README = "お読みください.txt"
# Names that open a device rather than a file on Windows, whatever follows a dot.
DEVICES = {"CON", "PRN", "AUX", "NUL"} | {f"{port}{n}" for port in ("COM", "LPT") for n in range(1, 10)}


def fixed_time(root):
    stamp = os.environ.get("SOURCE_DATE_EPOCH")
    if stamp is None:
        git = subprocess.run(["git", "-C", str(root), "log", "-1", "--format=%ct"], capture_output=True, text=True)
        if git.returncode != 0:
            sys.exit(f"make_archive.py: no commit to take the time from ({git.stderr.strip()}): "
                     "set SOURCE_DATE_EPOCH")
        stamp = git.stdout.strip()
    # A zip holds local times from 1980 on, in steps of two seconds.
    return time.gmtime(max(int(stamp), 315532800))[:6]


def entry(name, when, directory=False):
    info = zipfile.ZipInfo(name, when)
    # Made on Unix, with its permissions: Windows reads the names by the flag
    # whatever the maker, while Debian's unzip takes the names of an archive
    # made on MS-DOS for its code page and ignores the flag.
    info.create_system = 3
    info.external_attr = (0o40755 << 16 | 0x10) if directory else 0o100644 << 16
    info.compress_type = zipfile.ZIP_STORED if directory else zipfile.ZIP_DEFLATED
    return info


def checked_name(name, taken):
    """A sound's entry name: one plain file name, not yet taken. Anything else
    would put a file outside サンプル, make a name Windows refuses or hide one
    entry behind another on extraction."""
    problem = None
    if not name:
        problem = "is empty"
    elif any(c in name for c in "/\\:"):
        problem = "holds '/', '\\' or ':'"
    elif ".." in name:
        problem = "holds '..'"
    elif any(ord(c) < 32 or ord(c) == 127 for c in name):
        problem = "holds a control character"
    elif any(c in name for c in '*?"<>|'):
        problem = "holds one of *?\"<>|"
    elif name.endswith("."):
        # The caller strips blanks; Windows drops a trailing dot.
        problem = "ends in a dot"
    elif name.split(".", 1)[0].rstrip(" ").upper() in DEVICES:
        problem = "is a device's name"
    elif name.casefold() in taken:
        problem = "is taken twice"
    if problem:
        sys.exit(f"make_archive.py: the sound name {name!r} {problem}")
    taken.add(name.casefold())
    return name


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("out", type=Path)
    parser.add_argument("--version", required=True)
    parser.add_argument("--program", type=Path, required=True)
    parser.add_argument("--help-file", type=Path, required=True)
    parser.add_argument("--readme", type=Path, required=True)
    parser.add_argument("--sound", action="append", default=[],
                        help="WAV:DESCRIPTION; the description's first line names the sound")
    args = parser.parse_args()

    when = fixed_time(Path(__file__).resolve().parent)
    files = [("ZORVAND.EXE", args.program.read_bytes()), ("ZORVAND.hlp", args.help_file.read_bytes())]
    files.append(("ZORVAND.chm", args.help_file.with_suffix(".chm").read_bytes()))
    text = args.readme.read_text(encoding="utf-8").replace("@VERSION@", args.version)
    files.append((README, text.replace("\n", "\r\n").encode("cp932")))
    sounds = []
    taken = set()
    for pair in args.sound:
        wave, description = pair.split(":", 1)
        lines = Path(description).read_text(encoding="utf-8").splitlines()
        name = checked_name(lines[0].strip() if lines else "", taken)
        sounds.append((f"{SAMPLES}/{name}.wav", Path(wave).read_bytes()))

    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w") as archive:
        for name, content in files:
            archive.writestr(entry(name, when), content, compresslevel=9)
        archive.writestr(entry(SAMPLES + "/", when, directory=True), b"")
        for name, content in sorted(sounds):
            archive.writestr(entry(name, when), content, compresslevel=9)
    data = buffer.getvalue()
    # Rewritten only when it changes, so what depends on it is not rebuilt.
    if not args.out.exists() or args.out.read_bytes() != data:
        args.out.parent.mkdir(parents=True, exist_ok=True)
        temp = args.out.with_suffix(".tmp")
        temp.write_bytes(data)
        temp.replace(args.out)
    return 0


if __name__ == "__main__":
    sys.exit(main())
