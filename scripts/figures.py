#!/usr/bin/env python3
"""The measured figures, in doc/figures.md: each section written by what measures it, with the
processor and the commit it was measured on. As a command, runs COMMAND, shows its output as it
comes, and records the last paragraph of it (its summary) as SECTION.

Usage: scripts/figures.py SECTION COMMAND..."""

import datetime
import os
import re
import subprocess
import sys

TOP = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
FILE = os.path.join(TOP, "doc", "figures.md")
HEADING = """\
# Measured figures

Written by the scripts and benchmarks that measure them (CONTRIBUTING.md says which), a section
each; every section names the processor and the commit it was measured on. Figures depend on the
machine: compare only figures measured in one run.
"""


def processor():
    try:
        with open("/proc/cpuinfo") as cpuinfo:
            found = re.search(r"^model name\s*:\s*(.*)$", cpuinfo.read(), re.M)
            return found.group(1).strip() if found else "an unnamed processor"
    except OSError:
        return "an unnamed processor"


def commit():
    described = subprocess.run(["git", "-C", TOP, "describe", "--always", "--dirty"],
                               capture_output=True, text=True, check=False)
    return described.stdout.strip() or "no commit"


def record(section, lines):
    """Writes lines as the figures of section, in place of the ones it had."""
    try:
        with open(FILE, encoding="utf-8") as file:
            text = file.read()
    except FileNotFoundError:
        text = HEADING
    day = datetime.date.today().isoformat()
    body = (f"## {section}\n\nOn {processor()}, commit {commit()}, {day}:\n\n```text\n"
            + "\n".join(lines).strip("\n") + "\n```\n")
    sections = re.split(r"(?m)^(?=## )", text)
    kept = [part for part in sections[1:] if not part.startswith(f"## {section}\n")]
    parts = sorted(kept + [body], key=lambda part: part.splitlines()[0])
    with open(FILE, "w", encoding="utf-8") as file:
        file.write(sections[0].rstrip("\n") + "\n\n" + "\n".join(parts))
    print(f"Figures recorded in {os.path.relpath(FILE)} ({section}).")


def main():
    section, command = sys.argv[1], sys.argv[2:]
    lines = []
    with subprocess.Popen(command, stdout=subprocess.PIPE, text=True) as run:
        for line in run.stdout:
            print(line, end="", flush=True)
            lines.append(line.rstrip("\n"))
    if run.returncode != 0:
        sys.exit(run.returncode)
    while lines and not lines[-1].strip():
        lines.pop()
    last_paragraph = len(lines) - lines[::-1].index("") if "" in lines else 0
    record(section, lines[last_paragraph:])


if __name__ == "__main__":
    main()
