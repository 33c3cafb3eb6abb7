#!/usr/bin/env python3
"""Checks that Windows executables start on the oldest Windows their build
supports: every function they import is in that Windows' export list for its
DLL, and their headers ask for no later Windows.

    check_imports.py ARCH EXE...

ARCH is i686, whose oldest Windows is XP SP3 (NT 5.1), or x86_64, whose
oldest is XP Professional x64 and Server 2003 (NT 5.2). The lists lie beside
this script, one per DLL (kernel32.txt for KERNEL32.dll); their headers say
where they come from. Prints one line for each thing the floor lacks and
exits 1 if there was any.
"""

import pathlib
import struct
import sys

FLOORS = {"i686": (5, 1), "x86_64": (5, 2)}
LISTS = pathlib.Path(__file__).resolve().parent


def read_pe(data):
    """(operating-system version, subsystem version, [(dll, function)])."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError("not a PE executable")
    section_count, = struct.unpack_from("<H", data, pe + 6)
    optional_size, = struct.unpack_from("<H", data, pe + 20)
    optional = pe + 24
    wide = struct.unpack_from("<H", data, optional)[0] == 0x20B  # PE32+
    os_version = struct.unpack_from("<HH", data, optional + 40)
    subsystem_version = struct.unpack_from("<HH", data, optional + 48)
    import_rva, = struct.unpack_from("<I", data, optional + (112 if wide else 96) + 8)
    sections = [struct.unpack_from("<IIII", data, optional + optional_size + 40 * i + 8)
                for i in range(section_count)]

    def offset(rva):
        for virtual_size, address, raw_size, raw in sections:
            if address <= rva < address + max(virtual_size, raw_size):
                return raw + rva - address
        raise ValueError(f"address {rva:#x} lies in no section")

    def name_at(rva):
        start = offset(rva)
        return data[start:data.index(b"\0", start)].decode("ascii")

    imports = []
    entry_format, entry_size = ("<Q", 8) if wide else ("<I", 4)
    by_ordinal = 1 << (entry_size * 8 - 1)
    descriptor = offset(import_rva) if import_rva else None
    while descriptor is not None:
        lookup, _, _, dll_rva, bound = struct.unpack_from("<IIIII", data, descriptor)
        if dll_rva == 0:
            break
        dll = name_at(dll_rva)
        entry = offset(lookup or bound)
        while (value := struct.unpack_from(entry_format, data, entry)[0]) != 0:
            imports.append((dll, f"#{value & 0xFFFF}" if value & by_ordinal
                            else name_at((value & 0x7FFFFFFF) + 2)))
            entry += entry_size
        descriptor += 20
    return os_version, subsystem_version, imports


def list_name(dll):
    return dll.lower().removesuffix(".dll") + ".txt"


def exports(dll, arch):
    """What the floor of `arch` exports from `dll`, or None without a list.

    A line names a function, and then the one architecture whose floor has it
    where only one does."""
    path = LISTS / list_name(dll)
    if not path.is_file():
        return None
    names = set()
    for line in path.read_text().splitlines():
        fields = line.split("#", 1)[0].split()
        if fields and (len(fields) == 1 or fields[1] == arch):
            names.add(fields[0])
    return names


def problems(path, arch):
    floor = FLOORS[arch]
    os_version, subsystem_version, imports = read_pe(path.read_bytes())
    found = []
    for what, version in (("operating-system", os_version), ("subsystem", subsystem_version)):
        if version > floor:
            found.append(f"its header's {what} version is {version[0]}.{version[1]}, "
                         f"later than NT {floor[0]}.{floor[1]}")
    for dll, function in imports:
        names = exports(dll, arch)
        if names is None:
            found.append(f"{dll} has no list of what NT {floor[0]}.{floor[1]} exports")
        elif function not in names:
            found.append(f"{dll} {function} is not among NT {floor[0]}.{floor[1]}'s exports "
                         f"in {list_name(dll)}")
    return found


def main(argv):
    if len(argv) < 3 or argv[1] not in FLOORS:
        print(__doc__, file=sys.stderr)
        return 2
    failed = False
    for name in argv[2:]:
        path = pathlib.Path(name)
        found = problems(path, argv[1])
        for problem in dict.fromkeys(found):
            print(f"{path.name}: {problem}")
        failed = failed or bool(found)
        if not found:
            print(f"{path.name}: imports only what NT {'.'.join(map(str, FLOORS[argv[1]]))} exports")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
