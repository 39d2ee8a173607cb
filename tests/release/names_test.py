#!/usr/bin/env python3
"""The archive writer refuses sound names that are no plain file name (or name
a device on Windows), and names taken twice, with a message naming the sound; a good name is written."""
import os
import subprocess
import sys
import tempfile
from pathlib import Path

writer = Path(sys.argv[1])
CASES = [  # (first lines of the descriptions, the message's end, or None for success)
    (["ベル"], None),
    (["../ベル"], "holds '/', '\\' or ':'"),
    (["a\\b"], "holds '/', '\\' or ':'"),
    (["C:ベル"], "holds '/', '\\' or ':'"),
    (["..ベル"], "holds '..'"),
    (["ベル\tチャイム"], "holds a control character"),
    ([""], "is empty"),
    *[([name], 'holds one of *?"<>|') for name in ("ベル*", "ベル?", 'ベ"ル', "<ベル>", "ベ|ル")],
    (["ベル."], "ends in a dot"),
    *[([name], "is a device's name") for name in ("CON", "nul", "Com1", "LPT9", "aux.ベル", "PRN .x")],
    (["COM10"], None),
    (["ベル", "べる", "ベル"], "is taken twice"),
]
failed = 0
with tempfile.TemporaryDirectory() as tmp:
    tmp = Path(tmp)
    for name in ("p.exe", "h.hlp", "h.chm", "w.wav"):
        (tmp / name).write_bytes(b"x")
    (tmp / "readme.txt").write_text("read me\n", encoding="utf-8")
    for lines, problem in CASES:
        sounds = []
        for i, line in enumerate(lines):
            (tmp / f"d{i}.txt").write_text(line + "\n", encoding="utf-8")
            sounds += ["--sound", f"{tmp / 'w.wav'}:{tmp / f'd{i}.txt'}"]
        out = tmp / "out.zip"
        out.unlink(missing_ok=True)
        run = subprocess.run([sys.executable, str(writer), str(out), "--version", "1", "--program", str(tmp / "p.exe"),
                              "--help-file", str(tmp / "h.hlp"), "--readme", str(tmp / "readme.txt")] + sounds,
                             capture_output=True, text=True, env=dict(os.environ, SOURCE_DATE_EPOCH="0"))
        ok = (run.returncode == 0 and out.exists()) if problem is None else (
            run.returncode != 0 and run.stderr.strip().endswith(problem) and not out.exists())
        if not ok:
            failed += 1
            print(f"FAIL {lines!r}: exit {run.returncode}, {run.stderr.strip()!r}")
print(f"{len(CASES) - failed} passed, {failed} failed")
sys.exit(1 if failed else 0)
