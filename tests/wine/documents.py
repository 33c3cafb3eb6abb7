#!/usr/bin/env python3
"""What the user's documents quote and promise, held against the sources and
the built program, so that the documents cannot drift from what ships:

- every text they quote from Tollivane or the stand-in is one that the program
  can show, and every Alt+key they name is an accelerator of a control;
- the help page's checklist is the program's, item for item, in its order;
- the files they say a ZIP holds are the ones scripts/release.sh puts in it;
- they name the same Windows versions for each ZIP, and the built
  Tollivane.exe declares a subsystem version that those Windows load;
- the help page uses only elements and style rules that Internet Explorer 6
  to 8, the browsers of the oldest Windows promised, lay out as intended;
- what they say of the program's keys, link and timing is what its sources do.

Usage: documents.py SOURCE_DIR BIN_DIR
"""
import html
import pathlib
import re
import struct
import sys

source = pathlib.Path(sys.argv[1])
bin_dir = pathlib.Path(sys.argv[2])
failures = []


def fail(what):
    failures.append(what)
    print("FAIL:", what)


def read(path):
    return (source / path).read_text(encoding="utf-8")


def flat(text):
    """Joins a text's lines; keeps the spaces within a line, which a quote
    shows as the program does (two after "Shutdown:")."""
    return re.sub(r"[ \t]*\n\s*", " ", text.replace("\u00a0", " ")).strip()


# --- What the programs can show ----------------------------------------------

ESCAPES = {"n": "\n", "t": "\t", "\\": "\\", '"': '"', "'": "'", "0": "\0"}


def literals(folder):
    found = set()
    for path in sorted((source / folder).rglob("*")):
        if path.suffix not in (".h", ".cpp", ".rc"):
            continue
        # Comments are matched too, so that a text quoted in one is passed over.
        tokens = re.finditer(r'//[^\n]*|/\*.*?\*/|(?<![A-Za-z0-9_])L?"((?:[^"\\\n]|\\.)*)"',
                             path.read_text(encoding="utf-8"), re.S)
        for body in (t.group(1) for t in tokens if t.group(1) is not None):
            text = re.sub(r"\\(.)", lambda m: ESCAPES.get(m.group(1), m.group(1)), body)
            found.add(text)
            found.add(text.replace("&", ""))
    found.discard("")
    return found


shown = literals("src") | literals("tools/standin")


def produced(text, first_partial, last_partial):
    """Whether text is a run of the programs' literals and numbers, joined as
    the code joins them; next to an ellipsis, the text may start inside a
    literal or end inside one."""
    ends = {0}
    for start in range(len(text) + 1):
        if start not in ends:
            continue
        rest = text[start:]
        if m := re.match(r"[0-9]+", rest):
            ends.add(start + m.end())
        for lit in shown:
            if rest.startswith(lit):
                ends.add(start + len(lit))
            if start == 0 and first_partial:
                for cut in range(1, len(lit)):
                    if rest.startswith(lit[cut:]):
                        ends.add(len(lit) - cut)
            if last_partial and lit.startswith(rest):
                ends.add(len(text))
    return len(text) in ends


def program_text(quote):
    # An ellipsis stands for what the program fills in; the plain-text
    # documents write it as three dots.
    pieces = re.split("\u2026|\\.\\.\\.", quote)
    return all(produced(p, i > 0, i < len(pieces) - 1) for i, p in enumerate(pieces) if p)


# Quoted in the documents, but shown by Windows, not by our programs.
WINDOWS_TEXTS = {"Windows protected your PC", "Run as administrator"}


def check_quotes(name, quotes):
    for quote in quotes:
        quote = flat(quote)
        # A full stop after the closing quote is the sentence's, not the text's.
        if quote in WINDOWS_TEXTS or program_text(quote) or program_text(quote.rstrip(".")):
            continue
        fail(f"{name} quotes \"{quote}\", which the program never shows")


help_page = read("res/Tollivane.htm")
help_text = html.unescape(help_page)
readme = read("README.md")
readme_user = readme[: readme.index("# For developers")]
readme_txt = read("res/ReadMe.txt")
sim_txt = read("tools/standin/ReadMe-TollivaneSim.txt")
# The user's three documents as running text, without markup.
user_docs = {name: re.sub(r"\s+", " ", re.sub(r"<[^>]+>", " ", text)) for name, text in
             (("README.md", readme_user), ("ReadMe.txt", readme_txt), ("Tollivane.htm", help_text))}

check_quotes("Tollivane.htm", re.findall(r"\u201c(.*?)\u201d", help_text, re.S))
check_quotes("Tollivane.htm", re.findall(r'<span class="sim">(.*?)</span>', help_text, re.S))
check_quotes("README.md", re.findall(r'"([^"]+)"', readme_user))
check_quotes("ReadMe.txt", re.findall(r'"([^"]+)"', readme_txt))
check_quotes("ReadMe-TollivaneSim.txt",
             [q for q in re.findall(r'"([^"]+)"', sim_txt) if not q.startswith("TollivaneSim.exe ")])

for key in re.findall(r"<kbd>Alt</kbd>\+<kbd>(\w)</kbd>", help_page):
    if not any(re.search("&" + key, lit, re.I) for lit in shown):
        fail(f"Tollivane.htm names Alt+{key}, but no control has that accelerator")

# --- The checklist ------------------------------------------------------------

labels = re.findall(r'\{0x[0-9A-Fa-f]+, [124], [0-4], "([^"]+)"\}', read("src/shutdown/Checklist.h"))
listed = []
block = re.search(r'<ul class="checklist">(.*?)</ul>', help_page, re.S)
for item in re.findall(r"<li>(.*?)</li>", block.group(1) if block else "", re.S):
    item = flat(html.unescape(item))
    if m := re.fullmatch(r"(.+), engines 1 to 4", item):
        listed += [f"Engine {n} {m.group(1)}" for n in range(1, 5)]
    elif m := re.fullmatch(r"(.+) and (.+), engine by engine", item):
        listed += [f"Engine {n} {part}" for n in range(1, 5) for part in m.groups()]
    else:
        listed.append(item)
if len(labels) != 44:
    fail(f"found {len(labels)} checklist rows in Checklist.h, not 44")
if listed != labels:
    fail("the help page's checklist is not the program's, in its order:\n  page:    "
         + "\n  page:    ".join(listed) + "\n  program: " + "\n  program: ".join(labels))

# --- What the ZIPs hold -------------------------------------------------------

release = read("scripts/release.sh").replace("\\\n", " ")
arrays = {}
for name, body in re.findall(r"(?:^|[\s;&])(\w+)\+?=\((.*?)\)", release, re.M | re.S):
    arrays.setdefault(name, []).extend(re.findall(r'([\w.-]+)="?\$', body))
zips = {}
for line in release.splitlines():
    if m := re.match(r'\s*zip_up "\$out/(\w+)-\$version-(win32|win64)\.zip"(.*)', line):
        entries = re.findall(r'(?:^|\s)([\w.-]+)="\$', m.group(3))
        for array in re.findall(r"\$\{(\w+)\[@\]", m.group(3)):
            entries += arrays.get(array, [])
        zips[f"{m.group(1)}-{m.group(2)}"] = sorted(set(entries))
for expected in ("Tollivane-win32", "Tollivane-win64", "TollivaneSim-win32"):
    if not zips.get(expected):
        fail(f"found no entries for the {expected} ZIP in scripts/release.sh")

FILE = r"[\w-]+\.(?:exe|htm|wav|txt|ini)\b|\bLICENSE\b"


def files_in_sentence(text, opening):
    m = re.search(re.escape(opening) + r"(.*?)\.(?:\s|$)", flat(text.replace("`", "")))
    return sorted(set(re.findall(FILE, m.group(1)))) if m else []


for name, text, opening, zip_name in (
        ("README.md", readme_user, "Each Tollivane ZIP holds", "Tollivane-win32"),
        ("ReadMe.txt", readme_txt, "The ZIP holds", "Tollivane-win32"),
        ("ReadMe-TollivaneSim.txt", sim_txt, "This ZIP holds", "TollivaneSim-win32")):
    said = files_in_sentence(text, opening)
    if said != zips.get(zip_name):
        fail(f"{name} says the ZIP holds {said}; release.sh puts in {zips.get(zip_name)}")
if zips.get("Tollivane-win32") != zips.get("Tollivane-win64"):
    fail("the two Tollivane ZIPs do not hold the same files, yet the documents describe them as one")

table = re.search(r'<h2 id="files">.*?<table>(.*?)</table>', help_page, re.S)
beside = sorted(set(re.findall(FILE, table.group(1) if table else "")) - {"Tollivane.ini"})
if beside != zips.get("Tollivane-win32"):
    fail(f"Tollivane.htm lists {beside} beside the program; the ZIP holds {zips.get('Tollivane-win32')}")

# --- The help page in Internet Explorer 6 to 8 --------------------------------

# IE 6 to 8 know none of these elements: they style nothing inside them, and
# lay a styled one out as if it were not there.
for element in sorted(set(re.findall(
        r"<(header|nav|main|footer|section|article|aside|figure)\b", help_page, re.I))):
    fail(f"Tollivane.htm uses <{element}>, which Internet Explorer 6 to 8 do not lay out")


def style_rules(page):
    """Each selector of the page's style sheets, with its rule's declarations."""
    sheet = re.sub(r"/\*.*?\*/", "", "".join(re.findall(r"<style[^>]*>(.*?)</style>", page, re.S)), flags=re.S)
    return [(s.strip(), body) for selectors, body in re.findall(r"([^{}]+)\{([^}]*)\}", sheet)
            for s in selectors.split(",")]


# The style sheet for IE 6 alone sits in a conditional comment, which every
# other browser takes for a comment.
ie6_rules = style_rules("".join(re.findall(r"<!--\[if lt IE 7\]>(.*?)<!\[endif\]-->", help_page, re.S)))
for selector, body in style_rules(re.sub(r"<!--.*?-->", "", help_page, flags=re.S)):
    # IE 6 matches none of these (a chained class it takes for its last class
    # alone), so whatever the rule lays out is lost there.
    if re.search(r"[>+~\[]|::|:(?!link|visited|hover|active)|\.[\w-]+\.|"
                 r"(?<![\w.#-])(header|nav|main|footer|section|article|aside|figure)\b", selector):
        fail(f"Tollivane.htm styles '{selector}', which Internet Explorer 6 cannot match")
    # IE 6 has no max-width: the rule for IE 6 alone must give a width.
    if re.search(r"max-width", body) and not any(
            s == selector and re.search(r"(?<![-\w])width\s*:", b) for s, b in ie6_rules):
        fail(f"Tollivane.htm limits '{selector}' with max-width but gives Internet Explorer 6 no width")

# --- The program's keys, link and timing --------------------------------------

# The documents explain the hotkey's reach by what it tests: CTRL and SHIFT
# only, so that AltGr, which Windows reports as CTRL+ALT, passes for CTRL.
hotkey_code = re.sub(r"//[^\n]*", "", read("src/app/Hotkey.h") + read("src/app/Hotkey.cpp"))
if (set(re.findall(r"kVk(\w+) = (0x[0-9A-Fa-f]+)", hotkey_code)) != {("Shift", "0x10"), ("Control", "0x11")}
        or re.search(r"VK_[LR]?MENU|\b0x(?:12|[Aa][45])\b", hotkey_code)):
    fail("the documents say the hotkey tests CTRL and SHIFT and ignores ALT; src/app/Hotkey.* does otherwise")

# "It asks for none in particular": the link is opened for simulator 0, any.
if not re.search(r"IpcOpen\(\s*0\s*,", read("src/simlink/Connection.cpp")):
    fail("the documents say Tollivane takes any simulator; src/simlink/Connection.cpp asks for one")


def constant(path, name):
    """The value of a constant written as a product of integers, or None."""
    m = re.search(rf"\b{name}\s*=\s*([0-9' *]+?)\s*;", read(path))
    if not m:
        fail(f"{path} no longer defines {name}, whose figure the documents give")
        return None
    product = 1
    for factor in m.group(1).replace("'", "").split("*"):
        product *= int(factor)
    return product


def seconds(ms):
    return f"{ms / 1000:g}"


tick = constant("src/app/MainWindow.h", "kTimerIntervalMs")
send_wait = constant("src/simlink/Protocol.h", "kSendTimeoutMs")
attempts = constant("src/simlink/Link.cpp", "kSendAttempts")
retry_pause = constant("src/simlink/Link.cpp", "kSendRetryPauseMs")
# What every user document says, from the constants that make it true.
figures = [
    (tick, lambda: "once a second" if tick == 1000 else f"every {seconds(tick)} seconds", "kTimerIntervalMs"),
    (send_wait, lambda: f"within about {seconds(send_wait)} seconds when it hangs", "kSendTimeoutMs"),
    (attempts and retry_pause,
     lambda: f"about {seconds((attempts - 1) * retry_pause)} seconds for each item left",
     "kSendAttempts and kSendRetryPauseMs"),
]
if (source / "src/app/SingleCopy.cpp").exists():
    closing = constant("src/app/SingleCopy.cpp", "kClosingCopyMs")
    figures.append((closing, lambda: f"up to {seconds(closing)} seconds", "kClosingCopyMs"))
else:
    print("note: src/app/SingleCopy.cpp is not there; the wait for a closing copy is not checked")
for known, phrase, constants in figures:
    for name, text in user_docs.items():
        if known and phrase() not in text:
            fail(f"{name} does not say \"{phrase()}\", as {constants} in the sources have it")

# --- The supported Windows ----------------------------------------------------

WIN32 = "Windows XP SP3 (NT 5.1) and every later Windows, 32- or 64-bit, to Windows 11"
WIN64 = ("64-bit Windows, from Windows XP Professional x64 Edition SP2 and Windows Server 2003 SP2 "
         "(NT 5.2) to Windows 11")
for name, text in user_docs.items():
    for promise in (WIN32, WIN64):
        if promise not in text:
            fail(f"{name} does not say: {promise}")

# The loader of Windows NT x.y refuses an executable whose PE header asks for a
# later subsystem version; the oldest Windows promised for each build is the
# newest version its Tollivane.exe may ask for.
OLDEST = {0x014C: (5, 1), 0x8664: (5, 2)}  # i386: XP; x86-64: XP x64 / Server 2003
exe = (bin_dir / "Tollivane.exe").read_bytes()
pe = struct.unpack_from("<I", exe, 0x3C)[0]
machine = struct.unpack_from("<H", exe, pe + 4)[0]
subsystem = struct.unpack_from("<HH", exe, pe + 24 + 48)
if machine not in OLDEST:
    fail(f"Tollivane.exe is built for machine 0x{machine:04X}, which no ZIP promises")
elif subsystem > OLDEST[machine]:
    fail(f"Tollivane.exe asks for subsystem version {subsystem[0]}.{subsystem[1]}; "
         f"the documents promise Windows NT {OLDEST[machine][0]}.{OLDEST[machine][1]}")
else:
    print(f"ok: Tollivane.exe (machine 0x{machine:04X}) asks for subsystem {subsystem[0]}.{subsystem[1]}")

if failures:
    print(f"{len(failures)} failure(s)")
    sys.exit(1)
print("every checked claim of the documents holds")
