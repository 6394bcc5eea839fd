#!/usr/bin/env python3
"""Writes the folders the benchmark scans, once (a stamp marks a finished one).

  make_bench_dirs.py TARGET_ROOT FIXTURE_DIR SYSTEM_DIR COUNT...

For each COUNT a folder nCOUNT of COUNT entries: seven in ten are libraries
with version data of several shapes (small fixtures and two real system
libraries), three in ten have none (a library without version data, an empty
file, a file that is no executable, a text file), and five are
sub-directories. Plain copies, so that every file is a file of its own to the
system. Also r10000: 10,000 libraries with version data, for Refresh.
"""
import os
import shutil
import sys

VERSIONED = ["matching.dll", "other_table.dll", "no_varfileinfo.dll", "empty_versions.dll",
             "lower_case_table.dll", "two_translations.dll", "zero_translation.dll"]
# Small ones: a 32-bit library and a 16-bit one.
SYSTEM_VERSIONED = ["lz32.dll", "shell.dll"]
UNVERSIONED = ["no_version.dll", "empty.dll", "notpe.dll"]
SUB_DIRECTORIES = 5


def system_library(system_dir, name):
    """The library where the prefix keeps it: a 64-bit prefix holds its 32-bit
    and 16-bit ones in syswow64, and a prefix without 32-bit support holds no
    16-bit one at all (None then: the folders then have one shape fewer, but
    the same listed rows, which follow the slots, not the sources)."""
    wow = os.path.join(os.path.dirname(system_dir.rstrip("/\\")), "syswow64")
    for folder in (wow, system_dir):
        path = os.path.join(folder, name)
        if os.path.isfile(path):
            return path
    print(f"make_bench_dirs: no {name} in this prefix, left out", file=sys.stderr)
    return None


def sources(fixture_dir, system_dir):
    versioned = [os.path.join(fixture_dir, n) for n in VERSIONED]
    found = (system_library(system_dir, n) for n in SYSTEM_VERSIONED)
    versioned += [path for path in found if path]
    unversioned = [os.path.join(fixture_dir, n) for n in UNVERSIONED]
    for path in versioned + unversioned:
        if not os.path.isfile(path):
            sys.exit(f"make_bench_dirs: missing {path}")
    return versioned, unversioned


def entry_source(index, versioned, unversioned):
    slot = index % 10
    if slot < 7:
        return versioned[(index // 10 * 7 + slot) % len(versioned)]
    # One more kind than the files listed: a text file, written in place.
    kind = (index // 10 * 3 + slot - 7) % (len(unversioned) + 1)
    return unversioned[kind] if kind < len(unversioned) else None


def fill(folder, count, pick):
    stamp = os.path.join(folder, ".complete")
    if os.path.exists(stamp):
        return
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    for index in range(count):
        source = pick(index)
        name = os.path.join(folder, f"lib{index:06d}")
        if source is None:
            with open(name + ".txt", "w") as text:
                text.write("not a library\n")
        elif source == "dir":
            os.mkdir(name)
        else:
            shutil.copyfile(source, name + ".dll")
    open(stamp, "w").close()


def main():
    root, fixture_dir, system_dir, counts = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4:]
    versioned, unversioned = sources(fixture_dir, system_dir)
    for count in map(int, counts):
        step = count // SUB_DIRECTORIES

        def mixed(index, step=step):
            if index % step == step // 2:
                return "dir"
            return entry_source(index, versioned, unversioned)

        fill(os.path.join(root, f"n{count}"), count, mixed)
    fill(os.path.join(root, "r10000"), 10000, lambda index: versioned[index % len(versioned)])


if __name__ == "__main__":
    main()
