#!/usr/bin/env bash
# Static analysis: clang-format's check of every source against .clang-format,
# clang-tidy (checks in .clang-tidy) over the product and the stand-in,
# natively for the portable code and with the mingw-w64 headers for the Win32
# code, then cppcheck. Needs the linux and windows-x86 build trees
# (their compile_commands.json); scripts/test.sh builds them first.
set -euo pipefail
cd "$(dirname "$0")/.."

status=0

# Every line as .clang-format lays it out, in the product, the tests, the
# stand-in and the benchmarks.
echo "clang-format"
clang-format --dry-run --Werror $(find src tests tools bench -name '*.cpp' -o -name '*.h' | LC_ALL=C sort) || status=1

# Files in the native build are portable; the rest are Win32 only. The list
# comes from the tree itself, not from git, so that a source archive and a
# machine without git lint the same files.
portable=""
win32=""
for f in $(find src tools/standin -name '*.cpp' -type f | LC_ALL=C sort); do
    if grep -q "\"$PWD/$f\"" build/linux/compile_commands.json; then
        portable="$portable $f"
    else
        win32="$win32 $f"
    fi
done

echo "clang-tidy: $(wc -w <<<"$portable") portable files"
out=$(clang-tidy -p build/linux --quiet $portable 2>&1) || status=1
grep -v 'warnings generated' <<<"$out" || true

# The Win32 files, through the i686 compile commands and mingw-w64's headers.
mingw_args=(--extra-arg=--target=i686-w64-mingw32 --extra-arg=-nostdinc++)
for d in $(echo | i686-w64-mingw32-g++-win32 -x c++ -E -v - 2>&1 |
           sed -n '/#include <...> search starts here:/,/End of search list./p' | grep '^ /'); do
    mingw_args+=("--extra-arg=-isystem$d")
done
echo "clang-tidy: $(wc -w <<<"$win32") Win32 files"
out=$(clang-tidy -p build/windows-x86 --quiet "${mingw_args[@]}" $win32 2>&1) || status=1
grep -v 'warnings generated' <<<"$out" || true

echo "cppcheck"
cppcheck --quiet --error-exitcode=1 --std=c++20 --language=c++ --inline-suppr \
    --enable=warning,performance,portability \
    --suppress=missingIncludeSystem --suppress=unknownMacro \
    -I src -I tools src tools/standin || status=1

if [ $status -eq 0 ]; then echo "lint: clean"; else echo "lint: findings above"; fi
exit $status
