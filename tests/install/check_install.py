#!/usr/bin/env python3
"""The installed tree and the manual pages, checked as a user meets them.

  check_install.py install CMAKE BUILD SOURCE VERSION PROGRAM...
      installs BUILD with `CMAKE --install` into a temporary prefix and runs
      every installed program from there; `man` finds each page that the
      source tree has (SOURCE/man/PROGRAM.1).
  check_install.py manual PROGRAM PAGE
      PAGE renders without a warning, fits 80 columns, has the sections a
      reader looks for, and names every option and event word that
      `PROGRAM --help` lists.

Prints what is wrong and exits 1; exits 0 when all is well.
"""

import filecmp
import os
import re
import subprocess
import sys
import tempfile

WIDTH = 80
SECTIONS = ["NAME", "SYNOPSIS", "DESCRIPTION", "OPTIONS", "EXIT STATUS", "FILES", "EXAMPLES"]

problems = []


def fail(message):
    problems.append(message)


def run(command, **kwargs):
    return subprocess.run(command, capture_output=True, text=True, timeout=60, **kwargs)


def man_environment():
    env = dict(os.environ, MANWIDTH=str(WIDTH), MANPAGER="cat", PAGER="cat", LC_ALL="C.UTF-8")
    env.pop("MANPATH", None)
    return env


def check_program(prefix, source, version, program):
    binary = os.path.join(prefix, "bin", program)
    if not os.access(binary, os.X_OK):
        return fail(f"{program}: not installed as {binary}")
    # Run from elsewhere, so that nothing of the build tree is within reach.
    help_run = run([binary, "--help"], cwd=prefix)
    if help_run.returncode != 0 or not help_run.stdout.startswith(f"Usage: {program}"):
        fail(f"{program} --help: exit {help_run.returncode}, output {help_run.stdout[:80]!r}")
    version_run = run([binary, "--version"], cwd=prefix)
    expected = f"{program.upper()} V{version}\n"
    if version_run.returncode != 0 or version_run.stdout != expected:
        fail(f"{program} --version: exit {version_run.returncode}, "
             f"{version_run.stdout!r} where {expected!r} was expected")
    page = os.path.join(source, "man", program + ".1")
    if not os.path.exists(page):
        return
    installed = os.path.join(prefix, "share", "man", "man1", program + ".1")
    if not os.path.exists(installed) or not filecmp.cmp(page, installed, shallow=False):
        return fail(f"{program}: manual page not installed as {installed}")
    shown = run(["man", "-M", os.path.join(prefix, "share", "man"), program],
                env=man_environment())
    if shown.returncode != 0 or not re.search(rf"^\s+{program}\s+-\s", shown.stdout, re.M):
        fail(f"man {program}: exit {shown.returncode}: {shown.stderr.strip()}")


def check_install(cmake, build, source, version, programs):
    with tempfile.TemporaryDirectory(prefix="zyt_install_") as prefix:
        done = run([cmake, "--install", build, "--prefix", prefix])
        if done.returncode != 0:
            return fail(f"cmake --install: {done.stdout}{done.stderr}")
        expected = {os.path.join("bin", p) for p in programs}
        expected |= {os.path.join("share", "man", "man1", p + ".1") for p in programs
                     if os.path.exists(os.path.join(source, "man", p + ".1"))}
        readme = os.path.join("share", "doc", "zyt_zevuza", "README.md")
        expected.add(readme)
        found = {os.path.relpath(os.path.join(d, f), prefix)
                 for d, _, files in os.walk(prefix) for f in files}
        if found != expected:
            fail(f"installed {sorted(found - expected)} beyond and "
                 f"missing {sorted(expected - found)}")
        if readme in found and not filecmp.cmp(os.path.join(source, "README.md"),
                                               os.path.join(prefix, readme), shallow=False):
            fail("the installed README differs from the source tree's")
        for program in programs:
            check_program(prefix, source, version, program)
        # The installed programs work together: a series written by one is
        # read by the other.
        series = os.path.join(prefix, "series")
        wrote = run([os.path.join(prefix, "bin", "zyt_phantom"), "--size", "24x16",
                     "--projections", "4", "--output", series])
        info = run([os.path.join(prefix, "bin", "zyt_image"), "info",
                    os.path.join(series, "proj_0001.tif")])
        if wrote.returncode != 0 or "width: 24\nheight: 16\n" not in info.stdout:
            fail(f"installed zyt_phantom then zyt_image: {wrote.stderr}{info.stdout}{info.stderr}")


def help_words(help_text):
    """The options and event words that a program's --help lists."""
    words = set()
    for line in help_text.splitlines():
        first = re.match(r"  (\S+)", line)
        if first:
            words.add(first.group(1).strip(",;.()"))
        for token in line.split():
            token = token.strip(",;.()")
            if re.fullmatch(r"[-+]{1,2}[A-Za-z][-A-Za-z]*", token):
                words.add(token)
    return words


def check_manual(program, page):
    lint = run(["groff", "-ww", "-man", "-Tutf8", "-z", page])
    if lint.returncode != 0 or lint.stderr:
        fail(f"groff -ww -man: {lint.stderr.strip()}")
    shown = run(["man", "--warnings=w", "-l", page], env=man_environment())
    if shown.returncode != 0 or shown.stderr:
        fail(f"man -l: exit {shown.returncode}: {shown.stderr.strip()}")
    for number, line in enumerate(shown.stdout.splitlines(), 1):
        if len(line) > WIDTH:
            fail(f"man -l: line {number} is {len(line)} columns wide: {line.strip()[:60]}")
    # One paragraph a line, unhyphenated, so that every word can be found.
    flat = run(["groff", "-man", "-Tascii", "-P-cbou", "-rLL=4000n", "-rHY=0", page]).stdout
    for section in SECTIONS:
        if not re.search(rf"^{section}$", flat, re.M):
            fail(f"{page}: no section {section}")
    listed = run([program, "--help"])
    words = help_words(listed.stdout)
    if listed.returncode != 0 or not words:
        fail(f"{program} --help: exit {listed.returncode}, no options found")
    for word in sorted(words):
        if not re.search(rf"(?<![\w+-]){re.escape(word)}(?![\w-])", flat):
            fail(f"{page}: \"{word}\" of {os.path.basename(program)} --help is not in the page")


def main(args):
    if len(args) >= 6 and args[0] == "install":
        check_install(args[1], args[2], args[3], args[4], args[5:])
    elif len(args) == 3 and args[0] == "manual":
        check_manual(args[1], args[2])
    else:
        print(__doc__, file=sys.stderr)
        return 2
    for problem in problems:
        print("FAILED:", problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
