#!/usr/bin/env python3
"""Checks the Windows release package: the four files and nothing else, checksums that
match, a PE32 program, a build string, and the licence of every linked library.

    check-release-package.py build/windows/QivDepends-<version>-win32.zip
"""

import hashlib
import sys
import zipfile

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


def main(path: str) -> int:
    with zipfile.ZipFile(path) as archive:
        names = sorted(archive.namelist())
        if names != EXPECTED:
            sys.exit(f'{path}: holds {names}, expected {EXPECTED}')
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
    if b'[versioninfo]' not in content['version.ini'] or b'build=V' not in content['version.ini']:
        sys.exit('version.ini holds no build string')
    notices = content['THIRD_PARTY_NOTICES.txt'].decode('utf-8')
    missing = [name for name, phrase in LICENCES.items() if phrase not in notices]
    if missing:
        sys.exit(f'THIRD_PARTY_NOTICES.txt lacks {missing}')
    print(f'{path}: {", ".join(EXPECTED)}; checksums match; notices carry '
          f'{", ".join(LICENCES)}')
    return 0


if __name__ == '__main__':
    sys.exit(main(*sys.argv[1:]))
