#!/usr/bin/env python3
"""keep_delay_thunks.py NM DEFS_DIR OUTPUT INPUT...

binutils' linker drops the thunk of an import-library member that is reached only
through its __imp_ pointer (as code declared dllimport reaches it); in a delay-import
library that thunk is what the pointer starts out at, so the first call would jump to
address 0. This writes a response file that keeps, with -u, the thunk of every
delay-imported function the INPUT archives and objects (glob patterns) call.
"""

import glob
import pathlib
import subprocess
import sys


def main(nm, defs_dir, output, *patterns) -> int:
    delayed = set()
    for definition in pathlib.Path(defs_dir).glob('*.def'):
        delayed.update(line.strip() for line in definition.read_text().splitlines()[2:])
    inputs = sorted({path for pattern in patterns for path in glob.glob(pattern)})
    listing = subprocess.run([nm, '-u', *inputs], capture_output=True, text=True).stdout
    kept = sorted({symbol[len('__imp__'):] for symbol in listing.split()
                   if symbol.startswith('__imp__') and symbol[len('__imp__'):] in delayed})
    text = ''.join(f'-Wl,-u,_{function}\n' for function in kept)
    target = pathlib.Path(output)
    if not target.exists() or target.read_text() != text:
        target.write_text(text)
    return 0


if __name__ == '__main__':
    sys.exit(main(*sys.argv[1:]))
