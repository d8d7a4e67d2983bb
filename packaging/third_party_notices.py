#!/usr/bin/env python3
"""Writes THIRD_PARTY_NOTICES.txt for the Windows package from the licence files on the
build machine: the curl and TinyXML source trees the dependencies were built from, and
the copyright files of Debian's mingw-w64 toolchain packages. Taking them from there
keeps the notices those of the code that was linked, not of a copy that can drift.

    third_party_notices.py --deps DEPS_DIR --output FILE
"""

from __future__ import annotations

import argparse
import pathlib
import sys

DOC = pathlib.Path('/usr/share/doc')
GPL3 = pathlib.Path('/usr/share/common-licenses/GPL-3')
GCC_COPYRIGHT = DOC / 'gcc-mingw-w64-base' / 'copyright'
MINGW_COPYRIGHT = DOC / 'mingw-w64-common' / 'copyright'
RULE = '=' * 78


def paragraphs(path: pathlib.Path) -> list:
    """The paragraphs of a machine-readable Debian copyright file, as (fields, text)."""
    found = []
    for block in path.read_text('utf-8').split('\n\n'):
        if not block.strip():
            continue
        fields, name = {}, None
        for line in block.splitlines():
            if line[:1] in (' ', '\t') and name:
                fields[name] += '\n' + line
            elif ':' in line:
                name, _, value = line.partition(':')
                fields[name] = value.strip()
        found.append((fields, block.strip('\n')))
    return found


def licence_stanzas(path: pathlib.Path, prefixes) -> str:
    """The paragraphs for "*" and for files that begin with one of `prefixes` (test
    code left out), and the stand-alone licence paragraphs they name without carrying
    the text themselves."""
    parts, names = [], set()
    everything = paragraphs(path)
    for fields, text in everything:
        patterns = fields.get('Files', '').split()
        if any(p == '*' or (p.startswith(tuple(prefixes)) and '/tests' not in p)
               for p in patterns):
            parts.append(text)
            licence = fields.get('License', '')
            if '\n' not in licence:
                names.update(n.strip() for n in licence.replace(' and ', ',').split(','))
    for fields, text in everything:
        if 'Files' not in fields and fields.get('License', '').split('\n')[0] in names:
            parts.append(text)
    if not parts:
        raise SystemExit(f'no licence paragraphs for {prefixes} in {path}')
    return '\n\n'.join(parts)


def between(text: str, start: str, end: str) -> str:
    begin = text.index(start)
    return text[begin:text.index(end, begin)].strip()


def one(pattern: str, root: pathlib.Path) -> pathlib.Path:
    matches = sorted(root.glob(pattern))
    if len(matches) != 1:
        raise SystemExit(f'expected one {pattern} under {root}, found {len(matches)}')
    return matches[0]


def section(title: str, body: str) -> str:
    return f'{RULE}\n{title}\n{RULE}\n\n{body.strip()}\n'


def main(argv) -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--deps', required=True, type=pathlib.Path)
    parser.add_argument('--output', required=True, type=pathlib.Path)
    options = parser.parse_args(argv)
    sources = options.deps / 'src'

    curl = one('curl-*/COPYING', sources)
    tinyxml = one('tinyxml-*/debian/copyright', sources)
    gcc = GCC_COPYRIGHT.read_text('utf-8')
    sections = [
        'QivDepends.exe is one statically linked program. It contains code of the\n'
        'libraries below, each under the licence that follows its name.\n',
        section(f'libcurl ({curl.parent.name}), HTTP and HTTPS transfers', curl.read_text('utf-8')),
        section(f'TinyXML ({tinyxml.parent.parent.name}), XML reading and writing',
                licence_stanzas(tinyxml, ['tiny'])),
        section('GCC runtime libraries (libgcc, libstdc++), linked by the compiler',
                between(gcc, 'The following runtime libraries', 'The documentation is') +
                '\n\n' + between(gcc, 'GCC RUNTIME LIBRARY EXCEPTION', 'libquadmath/') +
                '\n\n' + GPL3.read_text('utf-8')),
        section('mingw-w64 runtime and winpthreads (C runtime start-up, POSIX threads)',
                licence_stanzas(MINGW_COPYRIGHT, ['mingw-w64-crt/',
                                                  'mingw-w64-libraries/winpthreads/'])),
    ]
    options.output.write_text('\n\n'.join(sections), encoding='utf-8', newline='\r\n')
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
