#!/usr/bin/env python3
"""Checks the Windows release package: the four files and nothing else, in name order
with one time and no extra fields (as the reproducible zip is written), checksums that
match, a PE32 program built for the product's hosts (no loopback or .localhost host,
no CA file of its own) whose import table names known DLLs only, a build string, and
the licence of every linked library.

    check-release-package.py build/windows-release/QivDepends-<version>-win32.zip
"""

import hashlib
import pathlib
import re
import sys
import zipfile

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
from pe_imports import PeImage, disallowed  # noqa: E402

EXPECTED = ['QivDepends.exe', 'SHA256SUMS', 'THIRD_PARTY_NOTICES.txt', 'version.ini']
# One phrase of each licence the notices must carry.
LICENCES = {
    'libcurl': 'Daniel Stenberg',
    'TinyXML': "This software is provided 'as-is'",
    'GCC runtime exception': 'GCC RUNTIME LIBRARY EXCEPTION',
    'GPL version 3': 'GNU GENERAL PUBLIC LICENSE',
    'mingw-w64 runtime': 'the mingw-w64 project',
    'winpthreads': 'mingw-w64-libraries/winpthreads/',
}
# What only a test build names: the program keeps its hosts as UTF-16 strings, so
# these are looked for in that form (libcurl itself names "localhost" in ASCII, to
# resolve it without a name service). A trust store of its own is a file name (a
# word before the dot: the PE header names a section ".CRT").
TEST_HOSTS = re.compile(r'localhost|127\.0\.0\.1|\[::1\]', re.IGNORECASE)
CA_FILE = re.compile(rb'[\x21-\x7e]*\w\.(?:pem|crt|cer|p7b)(?![\x21-\x7e])', re.IGNORECASE)


def utf16_strings(data: bytes):
    """The printable UTF-16LE strings of at least four characters in DATA."""
    for match in re.finditer(rb'(?:[\x20-\x7e]\x00){4,}', data):
        yield match.group().decode('utf-16-le')


def traces_of_a_test_build(exe: bytes) -> list:
    """The loopback hosts and CA file names the program carries."""
    found = [text for text in utf16_strings(exe) if TEST_HOSTS.search(text)]
    found += [match.group().decode('ascii') for match in CA_FILE.finditer(exe)]
    found += [text for text in utf16_strings(exe) if CA_FILE.search(text.encode('ascii'))]
    return found


def main(path: str) -> int:
    with zipfile.ZipFile(path) as archive:
        entries = archive.infolist()
        names = [entry.filename for entry in entries]
        if sorted(names) != EXPECTED:
            sys.exit(f'{path}: holds {sorted(names)}, expected {EXPECTED}')
        if names != EXPECTED:
            sys.exit(f'{path}: entries in the order {names}, not by name')
        if len({entry.date_time for entry in entries}) != 1:
            sys.exit(f'{path}: entries of different times {[e.date_time for e in entries]}')
        if any(entry.extra for entry in entries):
            sys.exit(f'{path}: entries with extra fields (owner, times)')
        content = {name: archive.read(name) for name in names}
    sums = {}
    for line in content['SHA256SUMS'].decode('ascii').splitlines():
        digest, _, name = line.partition('  ')
        sums[name] = digest
    if sorted(sums) != sorted(set(EXPECTED) - {'SHA256SUMS'}):
        sys.exit(f'SHA256SUMS lists {sorted(sums)}')
    for name, digest in sums.items():
        if hashlib.sha256(content[name]).hexdigest() != digest:
            sys.exit(f'SHA256SUMS does not match {name}')
    exe = content['QivDepends.exe']
    pe = int.from_bytes(exe[0x3C:0x40], 'little')
    if exe[:2] != b'MZ' or exe[pe:pe + 6] != b'PE\0\0\x4c\x01':
        sys.exit('QivDepends.exe is not a PE32 program for i386')
    outside = disallowed(PeImage(exe).imports())
    if outside:
        sys.exit(f'QivDepends.exe imports DLLs that are not known DLLs: {", ".join(outside)}')
    traces = traces_of_a_test_build(exe)
    if traces:
        sys.exit(f'QivDepends.exe is a test build: it names {", ".join(traces)}')
    if b'[versioninfo]' not in content['version.ini'] or b'build=V' not in content['version.ini']:
        sys.exit('version.ini holds no build string')
    notices = content['THIRD_PARTY_NOTICES.txt'].decode('utf-8')
    missing = [name for name, phrase in LICENCES.items() if phrase not in notices]
    if missing:
        sys.exit(f'THIRD_PARTY_NOTICES.txt lacks {missing}')
    print(f'{path}: {", ".join(EXPECTED)} in order at {entries[0].date_time}; checksums '
          f'match; known DLLs only; no loopback host or CA file; notices carry {", ".join(LICENCES)}')
    return 0


if __name__ == '__main__':
    sys.exit(main(*sys.argv[1:]))
