#!/bin/sh
# Checks of the sources themselves; none needs a build or Wine.
#   tree SOURCE-DIR
#       no tracked file is something a build, a test or coverage makes
#   format SOURCE-DIR
#       every C++ file of src/, tests/, standins/ and harness/ is as clang-format leaves it
#   tidy SOURCE-DIR WORK-DIR
#       clang-tidy (.clang-tidy's checks) finds nothing in src/, standins/ and the
#       text helper that the stand-ins share with the tests,
#       read with the clang build's compile commands, made in WORK-DIR
set -u
check=$1
source=$2
fail() { echo "FAIL: $*"; exit 1; }
cd "$source" || fail "no source folder $source"
git rev-parse --is-inside-work-tree >/dev/null 2>&1 || fail "$source is not a git checkout"

cxx_files() { git ls-files -- "$@" | grep -E '\.(cpp|h)$'; }

case $check in
tree)
    # Objects, programs, libraries, packages, logs, coverage data, CMake's and
    # CTest's own files, and anything under a build folder.
    outputs=$(git ls-files | grep -iE \
        '(^|/)build[^/]*/|(^|/)(CMakeFiles|Testing)/|(^|/)(CMakeCache\.txt|cmake_install\.cmake|CTestTestfile\.cmake|compile_commands\.json|CMakeUserPresets\.json|build\.ninja|\.ninja_(deps|log))$|\.(o|obj|exe|dll|a|lib|so|res|pdb|msi|cab|log|gcov|gcda|gcno|profraw|profdata|png)$')
    [ -z "$outputs" ] || fail "tracked files that a build, a test or coverage makes:
$outputs"
    echo "tree: $(git ls-files | wc -l) tracked files, none made by a build, a test or coverage"
    ;;
format)
    files=$(cxx_files src tests standins harness)
    [ -n "$files" ] || fail "no C++ files found"
    # shellcheck disable=SC2086 # one word a file
    clang-format --dry-run --Werror $files || fail "not formatted: run clang-format -i on the files above"
    echo "format: $(echo "$files" | wc -l) files as clang-format leaves them"
    ;;
tidy)
    work=$3
    cmake --preset clang -B "$work" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON -DQUELMAR_BUILD_TESTS=ON \
        >"$work.configure.log" 2>&1 || { cat "$work.configure.log"; fail "cannot configure $work"; }
    files=$(git ls-files -- src standins harness/text_file.cpp | grep -E '\.cpp$')
    [ -n "$files" ] || fail "no C++ files found"
    # clang finds the MinGW-w64 headers but not GCC's C++ library headers,
    # which the stand-ins use: the GCC build's own are given.
    extra=$(echo | i686-w64-mingw32-g++-posix -xc++ -E -v - 2>&1 |
        sed -n '/#include <...> search starts here/,/End of search list/p' | grep 'c++' |
        sed 's/^ */--extra-arg=-isystem/')
    # shellcheck disable=SC2086 # one word a file or an argument
    clang-tidy --quiet -p "$work" $extra $files >"$work.tidy.log" 2>&1
    status=$?
    # Findings are in the log as "file:line:col: warning|error: ... [check]".
    if [ $status -ne 0 ] || grep -qE ': (warning|error): ' "$work.tidy.log"; then
        grep -E ': (warning|error): ' -A3 "$work.tidy.log" || cat "$work.tidy.log"
        fail "clang-tidy has findings (exit $status)"
    fi
    echo "tidy: $(echo "$files" | wc -l) files, no findings"
    ;;
*)
    fail "unknown check $check"
    ;;
esac
