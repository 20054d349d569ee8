#!/usr/bin/env python3
"""Plants known faults in a scratch copy of the tree, one at a time, and says
which of them the Linux test suite catches: a suite trimmed or merged must
still catch every fault it caught before.

    scripts/plant-faults.py [FAULTS]     (default: tests/faults.txt)

FAULTS holds blocks separated by blank lines:

    # what the fault is
    file: src/survey/doitto.cpp
    old: the exact text, found once in the file
    new: what it becomes

The copy is /tmp/tarvel-faults (the files git knows), built as build-test is (sanitizers on). A
fault whose text is no longer found once is reported as stale, not counted.
Needs python3, which the test command does not: a tool for developers.
"""
import os
import shutil
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
COPY = "/tmp/tarvel-faults"
BUILD = os.path.join(COPY, "build-test")


def faults(path):
    blocks, block = [], {}
    for line in open(path, encoding="utf-8").read().split("\n") + [""]:
        if not line.strip():
            if block:
                blocks.append(block)
            block = {}
        elif line.startswith("#"):
            block["what"] = line[1:].strip()
        else:
            key, _, value = line.partition(": ")
            block[key] = value
    return blocks


def run(cmd, timeout=900):
    try:
        return subprocess.run(cmd, cwd=COPY, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                              timeout=timeout).returncode
    except subprocess.TimeoutExpired:
        return -1


def caught_by():
    """The tests that failed in the last ctest run: which tests a fault depends on."""
    log = os.path.join(BUILD, "Testing", "Temporary", "LastTestsFailed.log")
    if not os.path.exists(log):
        return []
    return [line.strip().split(":", 1)[-1] for line in open(log, encoding="utf-8") if line.strip()]


def main():
    listfile = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "tests", "faults.txt")
    # The files git knows, as they are now; the copy's build is kept between runs.
    files = subprocess.run(["git", "ls-files", "-co", "--exclude-standard"], cwd=ROOT, check=True,
                           capture_output=True, text=True).stdout.split("\n")
    os.makedirs(COPY, exist_ok=True)
    for name in os.listdir(COPY):
        if name != "build-test":  # rebuilt as far as the fresh times say
            subprocess.run(["rm", "-rf", os.path.join(COPY, name)], check=True)
    for name in filter(None, files):
        src, dst = os.path.join(ROOT, name), os.path.join(COPY, name)
        if os.path.isfile(src):
            os.makedirs(os.path.dirname(dst), exist_ok=True)
            shutil.copy(src, dst)  # a fresh time: the last run's build may hold a fault
    subprocess.run(["cmake", "-S", ".", "-B", BUILD, "-DTARVEL_SANITIZE=ON"], cwd=COPY, check=True,
                   stdout=subprocess.DEVNULL)
    jobs = str(os.cpu_count() or 2)
    if run(["cmake", "--build", BUILD, "-j" + jobs]) != 0:
        sys.exit("plant-faults: the unchanged tree does not build")
    if run(["ctest", "--test-dir", BUILD, "-j2"]) != 0:
        sys.exit("plant-faults: the unchanged tree fails its tests")
    caught = missed = stale = 0
    for f in faults(listfile):
        path = os.path.join(COPY, f["file"])
        text = open(path, encoding="utf-8").read()
        if text.count(f["old"]) != 1:
            print("stale   ", f["what"])
            stale += 1
            continue
        open(path, "w", encoding="utf-8").write(text.replace(f["old"], f["new"]))
        built = run(["cmake", "--build", BUILD, "-j" + jobs]) == 0
        failed = not built or run(["ctest", "--test-dir", BUILD, "-j2", "--timeout", "120"]) != 0
        open(path, "w", encoding="utf-8").write(text)
        catchers = caught_by() if built and failed else []
        if failed:
            caught += 1
        else:
            missed += 1
        print("caught  " if failed else "MISSED  ", f["what"] + ("" if built else " (does not build)"), flush=True)
        if catchers:
            print("          by", " ".join(catchers), flush=True)
    print(f"plant-faults: {caught} caught, {missed} missed, {stale} stale")


if __name__ == "__main__":
    main()
