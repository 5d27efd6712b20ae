#!/usr/bin/env python3
"""Compiles format_checks.cpp once and compares the lines the compiler refuses
with the lines the file marks "bad": a format that does not fit its arguments
must not compile, and one that fits must."""
import os
import re
import subprocess
import sys

compiler, include, source = sys.argv[1:4]
with open(source, encoding="utf-8") as f:
    marks = {n: ("bad" if "// bad" in line else "good" if "// good" in line else None)
             for n, line in enumerate(f, 1)}
bad = {n for n, m in marks.items() if m == "bad"}
good = {n for n, m in marks.items() if m == "good"}
assert bad and good, "the file marks no lines"

env = dict(os.environ, LC_ALL="C")
run = subprocess.run([compiler, "-std=c++20", "-fsyntax-only", "-I" + include, source],
                     capture_output=True, text=True, env=env)
name = re.escape(os.path.basename(source))
blamed = {int(n) for n in re.findall(name + r":(\d+):\d+:", run.stderr)}

problems = []
if run.returncode == 0:
    problems.append("the file compiled")
for n in sorted(bad - blamed):
    problems.append("line %d compiled, but its format does not fit" % n)
for n in sorted(blamed - bad):
    problems.append("line %d was refused%s" % (n, " though its format fits" if n in good else ""))
if problems:
    print("\n".join(problems))
    print(run.stderr[-20000:])
    sys.exit(1)
print("%d formats refused, %d accepted" % (len(bad), len(good)))
