#!/usr/bin/python3
"""Benchmark of the install directory's deletion (not a test).

One game whose folder holds 10,000 files (100 folders of 100 files, 1 KiB each):
UninstallGames in full mode against the system's own deletion of the same tree,
`rm -rf` for the native build and Wine's `cmd /c rmdir /s /q` for the Windows build
under Wine. Each run gets a fresh tree; the runs alternate and the medians are
compared. The program's time includes its start, the registry and the document.

    bench/delete_tree.py --exe build/release/QivDepends [--runs 5]
    bench/delete_tree.py --exe build/windows/QivDepends.exe --wine [--runs 3]
"""

from __future__ import annotations

import argparse
import os
import pathlib
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = pathlib.Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / 'tests' / 'e2e'))

from harness import NativeRunner, Registry  # noqa: E402

PRODUCT = r'HKEY_LOCAL_MACHINE\SOFTWARE\Orvandel\Vantor'
FOLDERS, FILES, SIZE = 100, 100, 1024


def make_tree(title: pathlib.Path) -> None:
    content = b'x' * SIZE
    for folder in range(FOLDERS):
        directory = title / f'folder{folder:03}'
        directory.mkdir(parents=True)
        for index in range(FILES):
            (directory / f'file{index:03}.dat').write_bytes(content)
    (title / 'appinstallconfig.xml').write_text('<config/>')


def program_run(runner, scratch: pathlib.Path) -> float:
    title = scratch / 'games' / 'Title'
    make_tree(title)
    Registry().set(PRODUCT + r'\Title', 'INSTALL_PATH', runner.host_path(title)) \
        .save(scratch / 'bench.reg')
    runner.load_registry(scratch / 'bench.reg')
    start = time.monotonic()
    result = runner.run(['UninstallGames', 'UninstallGame'], timeout=600)
    elapsed = time.monotonic() - start
    if result.returncode != 0 or title.exists():
        sys.exit(f'the program left the tree (exit {result.returncode})')
    return elapsed


def system_run(runner, scratch: pathlib.Path, wine: bool) -> float:
    title = scratch / 'games' / 'Title'
    make_tree(title)
    if wine:
        from harness.wine import WINE64
        command = [WINE64, 'cmd', '/c', 'rmdir', '/s', '/q', runner.host_path(title)]
        start = time.monotonic()
        runner.prefix.run(command, timeout=600)
    else:
        start = time.monotonic()
        subprocess.run(['rm', '-rf', str(title)], check=True)
    elapsed = time.monotonic() - start
    if title.exists():
        sys.exit('the system deletion left the tree')
    return elapsed


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--exe', required=True)
    parser.add_argument('--wine', action='store_true', help='the Windows build under Wine')
    parser.add_argument('--runs', type=int, default=3)
    arguments = parser.parse_args()
    if arguments.wine:
        from harness.wine import WineRunner
        runner = WineRunner(arguments.exe)
    else:
        runner = NativeRunner(arguments.exe)
    program, system = [], []
    for _ in range(arguments.runs):
        for times, measure in ((program, lambda s: program_run(runner, s)),
                               (system, lambda s: system_run(runner, s, arguments.wine))):
            scratch = pathlib.Path(tempfile.mkdtemp(prefix='qiv-bench-'))
            try:
                times.append(measure(scratch))
            finally:
                shutil.rmtree(scratch, ignore_errors=True)
    name = 'cmd /c rmdir /s /q' if arguments.wine else 'rm -rf'
    print(f'program (full mode): {statistics.median(program):.2f} s  '
          f'(runs {", ".join(f"{t:.2f}" for t in program)})')
    print(f'{name}: {statistics.median(system):.2f} s  '
          f'(runs {", ".join(f"{t:.2f}" for t in system)})')
    print(f'ratio: {statistics.median(program) / statistics.median(system):.2f}x')


if __name__ == '__main__':
    os.environ.setdefault('PYTHONDONTWRITEBYTECODE', '1')
    main()
