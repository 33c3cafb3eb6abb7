#!/bin/sh
# Runs the examples of tools/standin/README.md as a reader would, from the top
# of the repository, so that the README cannot drift from the program: every
# TollivaneSim command line in its shell blocks (each given a short lifetime),
# the scenario file it shows against the one that ships, --print-scenario, and
# the error it promises for a bad scenario file. Then the top README's
# stand-in example, and the commands of the stand-in ZIP's read-me.
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

# The top README's example, in each form it gives: this build's TollivaneSim
# with the example's arguments, and the folders it names are those that the
# preset and the demo make.
examples=$(sed -n 's/^    \(WINEPREFIX=[^ ]* \)\{0,1\}wine \(build\/[^ ]*\/bin\)\/TollivaneSim\.exe/\2/p' README.md)
[ -n "$examples" ] || fail "no TollivaneSim example found in README.md"
printf '%s\n' "$examples" >/tmp/standin-readme-top.$$
while read -r folder args; do
    case $folder in
    build/windows-x86/bin) ;;
    build/demo/windows-x86/bin)
        grep -q '^preset=windows-x86$' scripts/demo.sh &&
            grep -q 'build=${TOLLIVANE_BUILD_DIR:-$root/build/demo/$preset}' scripts/demo.sh ||
            fail "README.md runs $folder, which scripts/demo.sh no longer builds" ;;
    *) fail "README.md runs TollivaneSim from $folder, which no preset or the demo makes" ;;
    esac
    # shellcheck disable=SC2086
    if wine "$bin/TollivaneSim.exe" $args --lifetime 0.3 </dev/null >/dev/null 2>&1; then
        echo "ok: README.md: TollivaneSim.exe $args"
    else
        fail "README.md: TollivaneSim.exe $args"
    fi
done </tmp/standin-readme-top.$$
rm -f /tmp/standin-readme-top.$$
grep -q 'WINEPREFIX=$PWD/build/demo/wineprefix' README.md && ! grep -q 'WINEPREFIX=$demo/wineprefix' scripts/demo.sh &&
    fail "README.md names the demo's prefix, which scripts/demo.sh no longer makes"

# The stand-in ZIP's read-me, run as it says: from a command prompt in the
# folder the ZIP was unpacked to, with the example scenario beside the program.
sim_readme=tools/standin/ReadMe-TollivaneSim.txt
unpacked=$(mktemp -d)
cp "$bin/TollivaneSim.exe" tools/standin/my-aircraft.txt "$unpacked/"
{ sed -n 's/^ \{4,\}TollivaneSim\.exe \(.*\)$/\1/p' "$sim_readme"
  tr '\n' ' ' <"$sim_readme" | grep -o '"TollivaneSim\.exe [^"]*"' | sed 's/^"TollivaneSim\.exe //; s/"$//'
} >/tmp/standin-readme-zip.$$
[ -s /tmp/standin-readme-zip.$$ ] || fail "no TollivaneSim command lines found in $sim_readme"
while read -r args; do
    case $args in --help | --print-scenario*) life="" ;; *) life="--lifetime 0.3" ;; esac
    # shellcheck disable=SC2086
    if (cd "$unpacked" && wine TollivaneSim.exe $args $life </dev/null >/dev/null 2>&1); then
        echo "ok: $sim_readme: TollivaneSim.exe $args"
    else
        fail "$sim_readme: TollivaneSim.exe $args"
    fi
done </tmp/standin-readme-zip.$$
rm -rf "$unpacked" /tmp/standin-readme-zip.$$

[ $failures -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "every example of $readme, README.md and $sim_readme works"
