#!/bin/sh
# Runs the examples of tools/standin/README.md as a reader would, from the top
# of the repository, so that the README cannot drift from the program: every
# TollivaneSim command line in its shell blocks (each given a short lifetime),
# the scenario file it shows against the one that ships, --print-scenario, and
# the error it promises for a bad scenario file.
# Usage: standin-readme.sh BIN_DIR SOURCE_DIR
set -u
bin=$1
cd "$2" || exit 1
readme=tools/standin/README.md
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# A 32-bit build on a machine that runs no 32-bit programs: skipped, as the
# Wine tests are.
wine "$bin/TollivaneSim.exe" --print-scenario running-twin >/dev/null 2>&1
[ $? -ne 77 ] || exit 77

# The README writes the i686 build's folder; run whichever build this is.
commands=$(awk '/^```sh/ { inside = 1; next } /^```/ { inside = 0 } inside' "$readme" |
           sed -n 's/^\$ //; /^wine build\/windows-x86\/bin\/TollivaneSim\.exe/p')
[ -n "$commands" ] || fail "no TollivaneSim command lines found in $readme"
echo "$commands" | while IFS= read -r line; do
    # A short life instead of the example's own, and no pipe: the window opens,
    # answers nobody and goes; what counts is that the arguments are accepted.
    args=$(printf '%s\n' "$line" | sed 's/^wine build\/windows-x86\/bin\/TollivaneSim\.exe//; s/ *| *cat$//; s/--lifetime [0-9.]*//')
    # shellcheck disable=SC2086
    wine "$bin/TollivaneSim.exe" $args --lifetime 0.3 </dev/null >/dev/null 2>/tmp/standin-readme.$$
    rc=$?
    [ $rc -eq 0 ] || fail "'$line' exited with $rc: $(cat /tmp/standin-readme.$$)"
    [ $rc -eq 0 ] && echo "ok: $line"
done | tee /tmp/standin-readme-out.$$
grep -q '^FAIL' /tmp/standin-readme-out.$$ && failures=$((failures + 1))
rm -f /tmp/standin-readme-out.$$ /tmp/standin-readme.$$

# The program the README tells you to start next.
grep -q 'wine build/windows-x86/bin/Tollivane.exe' "$readme" || fail "the README no longer says how to start Tollivane"
[ -f "$bin/Tollivane.exe" ] || fail "no Tollivane.exe beside TollivaneSim.exe"

# The file format example is the file that ships.
awk '/^### Scenario file format/ { found = 1 } found && /^```$/ { if (inside) exit; inside = 1; next } inside' "$readme" >/tmp/standin-readme-file.$$
if ! diff -u tools/standin/my-aircraft.txt /tmp/standin-readme-file.$$; then
    fail "the scenario file shown differs from tools/standin/my-aircraft.txt"
fi
rm -f /tmp/standin-readme-file.$$

out=$(wine "$bin/TollivaneSim.exe" --print-scenario running-twin </dev/null 2>&1)
case $out in
"# Scenario running-twin"*) echo "ok: --print-scenario running-twin" ;;
*) fail "--print-scenario running-twin printed: $out" ;;
esac

# "line 3: size '3' must be 1, 2 or 4", and exit code 2.
bad=/tmp/standin-readme-bad.$$.txt
printf '# a comment\nbase cold-and-dark\n0x0BC8 3 1\n' >"$bad"
err=$(wine "$bin/TollivaneSim.exe" --scenario "$bad" </dev/null 2>&1 >/dev/null)
rc=$?
rm -f "$bad"
grep -q "line 3: size '3' must be 1, 2 or 4" "$readme" || fail "the README no longer shows the error example"
if [ $rc -ne 2 ] || ! printf '%s' "$err" | grep -q "line 3: size '3' must be 1, 2 or 4"; then
    fail "a bad scenario file gave exit code $rc and: $err"
else
    echo "ok: a bad scenario file names its line"
fi

[ $failures -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "every example of $readme works"
