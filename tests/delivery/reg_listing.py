#!/usr/bin/env python3
"""Lists a Wine registry file (system.reg, user.reg) as sorted lines, one per
key ("HIVE KEY") and one per value ("HIVE KEY :: VALUE"), without what Wine
changes by itself: the keys' modification times and the "#time" lines, and
the keys Wine rewrites whenever a program runs (IGNORED below).

    reg_listing.py HIVE FILE
"""
import re
import sys

# What Wine writes by itself while the programs run, whoever runs them.
IGNORED = [
    # The display adapters and monitors, written again at each start of the
    # graphics driver.
    r"^HKLM System\\\\CurrentControlSet\\\\Control\\\\Class\\\\\{4D36E968-",
    r"^HKLM System\\\\CurrentControlSet\\\\Control\\\\Class\\\\\{4D36E96E-",
    # The console's defaults, written by Wine's console host when it first
    # gives a program a console.
    r"^HKCU Console( |$)",
]


def listing(hive, path):
    lines = []
    key = None
    pending = ""
    with open(path, encoding="utf-8", errors="surrogateescape") as f:
        for raw in f:
            line = raw.rstrip("\r\n")
            if pending:
                line = pending + line.lstrip()
                pending = ""
            if line.endswith("\\") and key is not None and not line.startswith("["):
                pending = line[:-1]
                continue
            if line.startswith("["):
                m = re.match(r"^\[(.*)\](?:\s+\d+)?$", line)
                key = m.group(1) if m else line
                lines.append(f"{hive} {key}")
            elif key is not None and line and not line.startswith("#") and not line.startswith(";"):
                lines.append(f"{hive} {key} :: {line}")
    ignored = [re.compile(p, re.IGNORECASE) for p in IGNORED]
    return sorted(l for l in lines if not any(p.search(l) for p in ignored))


if __name__ == "__main__":
    sys.stdout.write("".join(l + "\n" for l in listing(sys.argv[1], sys.argv[2])))
