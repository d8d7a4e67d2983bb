#!/usr/bin/env python3
"""Writes the release zip so that the same files give the same bytes on any machine:
entries in name order, every one with the same time (SOURCE_DATE_EPOCH, else the time
of the source tree's last commit), the same permissions and no owner, no extra fields.

    make_release_zip.py --source-dir DIR --output ZIP FILE...
"""

from __future__ import annotations

import argparse
import os
import pathlib
import subprocess
import sys
import time
import zipfile

# The oldest time a zip entry can hold (DOS dates begin in 1980).
ZIP_EPOCH = 315532800


def release_time(source_dir: pathlib.Path) -> int:
    """SOURCE_DATE_EPOCH where the environment sets it, else the last commit's time."""
    value = os.environ.get('SOURCE_DATE_EPOCH', '').strip()
    if value:
        if not value.isdigit():
            sys.exit(f'SOURCE_DATE_EPOCH is not a number of seconds: {value!r}')
        return int(value)
    try:
        committed = subprocess.run(['git', '-C', str(source_dir), 'log', '-1', '--format=%ct'],
                                   check=True, capture_output=True, text=True).stdout.strip()
    except (OSError, subprocess.CalledProcessError):
        committed = ''
    if not committed.isdigit():
        sys.exit(f'{source_dir} is no git checkout: set SOURCE_DATE_EPOCH for the release zip')
    return int(committed)


def write_zip(output: pathlib.Path, files, moment: int) -> None:
    stamp = time.gmtime(max(moment, ZIP_EPOCH))[:6]
    partial = output.with_name(output.name + '.partial')
    with zipfile.ZipFile(partial, 'w') as archive:
        for path in sorted(files, key=lambda p: p.name):
            entry = zipfile.ZipInfo(path.name, date_time=stamp)
            entry.create_system = 3  # Unix, so that the permissions below count
            entry.external_attr = 0o100644 << 16
            entry.compress_type = zipfile.ZIP_DEFLATED
            archive.writestr(entry, path.read_bytes(), compresslevel=9)
    partial.replace(output)


def main(argv) -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--source-dir', required=True, type=pathlib.Path)
    parser.add_argument('--output', required=True, type=pathlib.Path)
    parser.add_argument('files', nargs='+', type=pathlib.Path)
    options = parser.parse_args(argv)
    names = [path.name for path in options.files]
    if len(set(names)) != len(names):
        sys.exit(f'two files of the same name: {sorted(names)}')
    moment = release_time(options.source_dir)
    write_zip(options.output, options.files, moment)
    print(f'{options.output}: {", ".join(sorted(names))} at '
          f'{time.strftime("%Y-%m-%d %H:%M:%S UTC", time.gmtime(moment))}')
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
