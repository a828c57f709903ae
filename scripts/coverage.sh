#!/usr/bin/env bash
# coverage.sh
#
# Builds the coverage preset (GCC --coverage, Debug, in build-coverage/), runs
# the unit and end-to-end tests under Wine, and prints the line and the branch
# coverage of each file of src/ and the totals, with gcovr and MinGW-w64's gcov.
# QuelmarSetup.exe counts too: the end-to-end tests and the sample package run it.
# Then it prints each branch that no test takes, with its reason from
# scripts/coverage-reasons.txt, and fails when a branch has none or a reason
# has no branch.
#
# Each object's counts go to a .gcda file named by the object's Unix path
# (/.../build-coverage/CMakeFiles/...). Wine opens a path that begins with a
# slash as a Unix path, whatever the program's current folder (msiexec's custom
# actions run in C:\windows\system32), so the files land beside the objects
# without GCOV_PREFIX or GCOV_PREFIX_STRIP.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
# The tests do not need gcovr: it is installed here, not with the others.
if ! command -v gcovr >/dev/null; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq gcovr
fi

cmake --preset coverage >/dev/null
cmake --build --preset coverage
# A source that was moved or deleted leaves its object and gcov notes behind;
# gcov, not finding the source, would run in the checkout. Ninja removes the
# objects it no longer builds, and the notes go with them.
ninja -C build-coverage -t cleandead >/dev/null
find build-coverage -name '*.gcno' | while read -r notes; do
    [ -e "${notes%.gcno}.obj" ] || rm -f "$notes"
done
# The counts of an earlier run would add up with this one's.
find build-coverage -name '*.gcda' -delete
ctest --preset coverage
program_counts=build-coverage/CMakeFiles/QuelmarSetup.dir/src/setup/main.cpp.gcda
[ -e "$program_counts" ] || { echo "QuelmarSetup.exe wrote no counts ($program_counts)" >&2; exit 1; }

# gcov writes its .gcov files into the folder it runs in. gcovr runs it in
# the object directory first and, where gcov cannot find a source from there,
# in --root: the coverage build names its sources by their full paths, so
# every run stays in build-coverage/. The files are kept there, so that one
# written anywhere else is seen.
# The prefix's drive Z: is a link to the whole Linux file system: gcovr must
# not search it, or it finds the counts of every other build on the machine.
find build-coverage -maxdepth 1 -name '*.gcov' -delete
gcovr --root . --object-directory "$PWD/build-coverage" --filter 'src/' --keep \
      --gcov-executable i686-w64-mingw32-gcov --exclude-directories '.*/wineprefix' \
      --json build-coverage/coverage.json build-coverage
if compgen -G '*.gcov' >/dev/null; then
    echo "gcov ran in the checkout and wrote these, now removed: $(echo *.gcov)" >&2
    rm -f ./*.gcov
    exit 1
fi
gcovr --root . --add-tracefile build-coverage/coverage.json
gcovr --root . --add-tracefile build-coverage/coverage.json --branches

# Each branch no test takes, with its reason from scripts/coverage-reasons.txt.
python3 - build-coverage/coverage.json scripts/coverage-reasons.txt <<'PYTHON'
import json, sys

reasons = []
for line in open(sys.argv[2], encoding="utf-8"):
    line = line.rstrip("\n")
    if line.strip() and not line.startswith("#"):
        file, text, reason = line.split(" | ", 2)
        reasons.append({"file": file, "text": text, "reason": reason, "used": False})

untaken = unexplained = 0
print("\nBranches that no test takes:")
for entry in sorted(json.load(open(sys.argv[1]))["files"], key=lambda f: f["file"]):
    source = open(entry["file"], encoding="utf-8").read().split("\n")
    for line in entry["lines"]:
        missed = sum(1 for branch in line["branches"] if branch["count"] == 0)
        if not missed:
            continue
        untaken += missed
        code = source[line["line_number"] - 1].strip()
        match = next((r for r in reasons if r["file"] == entry["file"] and r["text"] in code), None)
        if match:
            match["used"] = True
        else:
            unexplained += 1
        print(f"{entry['file']}:{line['line_number']}: {missed} of {len(line['branches'])}: {code}")
        print(f"    {match['reason'] if match else 'no reason recorded'}")
unused = [r for r in reasons if not r["used"]]
for r in unused:
    print(f"unused reason (no untaken branch of {r['file']} holds \"{r['text']}\"): {r['reason']}")
print(f"{untaken} branches not taken; {unexplained} lines without a reason; {len(unused)} reasons unused.")
sys.exit(1 if unexplained or unused else 0)
PYTHON
