#!/usr/bin/env python3
"""Checks that a Windows program's import table names only known DLLs.

Windows looks for a DLL the import table names, unless it is on the system's list
of known DLLs, in the program's own folder first, before the program runs. The kits
start QivDepends.exe elevated from folders a standard user can write, so its import
table may name only DLLs that are known on every Windows it supports (7 SP1 to 11)
and ntdll; every other system library is delay-loaded from the system folder.

    pe_imports.py PROGRAM.exe

Prints the imported and delay-imported DLLs; fails on an import outside the list.
"""

import sys

# Known DLLs on Windows 7 SP1 and on Windows 8 to 11 alike (the list of the
# registry's KnownDLLs key that both have), and ntdll, which every process has.
KNOWN_DLLS = frozenset(name + '.dll' for name in (
    'advapi32', 'clbcatq', 'comdlg32', 'gdi32', 'imagehlp', 'imm32', 'kernel32', 'msctf',
    'msvcrt', 'normaliz', 'nsi', 'ole32', 'oleaut32', 'psapi', 'rpcrt4', 'sechost',
    'setupapi', 'shell32', 'shlwapi', 'user32', 'wldap32', 'ws2_32', 'ntdll'))

IMPORT_DIRECTORY = 1
DELAY_IMPORT_DIRECTORY = 13


class PeImage:
    """The parts of a PE file that name its DLLs."""

    def __init__(self, data: bytes):
        self.data = data
        if data[:2] != b'MZ':
            raise ValueError('not a PE file (no MZ header)')
        pe = self._u32(0x3C)
        if data[pe:pe + 4] != b'PE\0\0':
            raise ValueError('not a PE file (no PE signature)')
        sections = self._u16(pe + 6)
        optional = pe + 24
        optional_size = self._u16(pe + 20)
        magic = self._u16(optional)
        if magic == 0x10B:
            self.image_base = self._u32(optional + 28)
            directories = optional + 96
        elif magic == 0x20B:
            self.image_base = int.from_bytes(data[optional + 24:optional + 32], 'little')
            directories = optional + 112
        else:
            raise ValueError(f'unknown optional header 0x{magic:x}')
        self.directory_count = self._u32(directories - 4)
        self.directories = directories
        table = optional + optional_size
        self.sections = [(self._u32(table + 40 * i + 12), max(self._u32(table + 40 * i + 8),
                                                             self._u32(table + 40 * i + 16)),
                          self._u32(table + 40 * i + 20)) for i in range(sections)]

    def _u16(self, offset: int) -> int:
        return int.from_bytes(self.data[offset:offset + 2], 'little')

    def _u32(self, offset: int) -> int:
        return int.from_bytes(self.data[offset:offset + 4], 'little')

    def directory(self, index: int):
        """(RVA, size) of a data directory; (0, 0) where the image has none."""
        if index >= self.directory_count:
            return 0, 0
        entry = self.directories + 8 * index
        return self._u32(entry), self._u32(entry + 4)

    def offset(self, rva: int) -> int:
        for address, size, raw in self.sections:
            if address <= rva < address + size:
                return raw + rva - address
        raise ValueError(f'RVA 0x{rva:x} lies in no section')

    def text(self, rva: int) -> str:
        start = self.offset(rva)
        return self.data[start:self.data.index(b'\0', start)].decode('ascii')

    def imports(self) -> list:
        """The DLL names of the import directory, in its order."""
        rva, _ = self.directory(IMPORT_DIRECTORY)
        names = []
        while rva:
            at = self.offset(rva)
            descriptor = self.data[at:at + 20]
            if descriptor == bytes(20):
                break
            names.append(self.text(int.from_bytes(descriptor[12:16], 'little')))
            rva += 20
        return names

    def delay_imports(self) -> list:
        """The DLL names of the delay-import directory (binutils' linker leaves the
        directory empty, though the delay-loaded DLLs work all the same)."""
        rva, _ = self.directory(DELAY_IMPORT_DIRECTORY)
        names = []
        while rva:
            at = self.offset(rva)
            attributes, name = self._u32(at), self._u32(at + 4)
            if name == 0:
                break
            # Attribute bit 0: the descriptor holds RVAs; otherwise addresses.
            names.append(self.text(name if attributes & 1 else name - self.image_base))
            rva += 32
        return names


def disallowed(names) -> list:
    return [name for name in names if name.lower() not in KNOWN_DLLS]


def main(argv) -> int:
    if len(argv) != 1:
        sys.exit(__doc__)
    with open(argv[0], 'rb') as program:
        image = PeImage(program.read())
    imports = image.imports()
    print(f'{argv[0]}: imports {", ".join(imports)}; delay-imports '
          f'{", ".join(image.delay_imports()) or "(directory empty)"}')
    outside = disallowed(imports)
    if outside:
        print(f'{argv[0]}: imports DLLs that are not known DLLs: {", ".join(outside)}',
              file=sys.stderr)
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
