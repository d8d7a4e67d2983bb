#!/usr/bin/python3
"""Benchmark of UninstallGames in full mode over many games (not a test).

For each game count it builds a registry file and real install directories,
documents and shortcut files in a scratch directory, runs the program once under
/usr/bin/time -v and prints the wall time, the time per game and the peak memory.
It also checks that everything was removed.

The POSIX stand-in rewrites (and fsyncs) the whole registry file for every key it
deletes, so its cost per deletion grows with the registry and the total grows with
the square of the game count; Windows' registry has no such cost. With --perf the
run is sampled with perf and the column "own ms" gives the CPU time per game spent
outside the registry functions, that is the command's own work and its file work
(build with -fno-omit-frame-pointer):

    cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DQIV_BUILD_TESTS=OFF \
          -DCMAKE_CXX_FLAGS=-fno-omit-frame-pointer
    cmake --build build/bench -j2
    bench/uninstall_games.py --exe build/bench/QivDepends [--counts 250 500 1000] [--perf]
"""

from __future__ import annotations

import argparse
import os
import pathlib
import re
import subprocess
import sys
import tempfile

PRODUCT = r'HKEY_LOCAL_MACHINE\SOFTWARE\Orvandel\Vantor'


def build_world(root: pathlib.Path, games: int, items: bool) -> pathlib.Path:
    lines = ['Windows Registry Editor Version 5.00', '']
    (root / 'desktop').mkdir()
    for index in range(games):
        name = f'Game{index:05}'
        directory = root / 'games' / name
        (directory / 'data').mkdir(parents=True)
        for part in range(3):
            (directory / 'data' / f'part{part}.pak').write_bytes(os.urandom(4096))
        shortcut = root / 'desktop' / f'{name}.lnk'
        shortcut.write_bytes(b'L\0\0\0')
        item_xml = ''
        if items:
            item_xml = (f'<vantoritems><item rootpath="HKEY_LOCAL_MACHINE" '
                        f'path="SOFTWARE\\Vendor\\{name}" /></vantoritems><appitems>'
                        f'<item rootpath="HKEY_CURRENT_USER" path="Software\\Vendor\\{name}" />'
                        f'</appitems>')
            lines += [f'[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\{name}\\Settings]',
                      '"Volume"=dword:00000050', '',
                      f'[HKEY_CURRENT_USER\\Software\\Vendor\\{name}]', '"Saves"="3"', '']
        (directory / 'appinstallconfig.xml').write_text(
            f'<?xml version="1.0" encoding="UTF-8"?>\n<config><registry language="en">{item_xml}'
            f'</registry><shortcut desktop="{shortcut}" startmenu="{shortcut}.menu" /></config>\n')
        install_path = str(directory).replace('\\', '\\\\')
        lines += [f'[{PRODUCT}\\{name}]', f'"INSTALL_PATH"="{install_path}"',
                  f'"APP_ABBR"="g{index}"', '']
    registry = root / 'registry.reg'
    registry.write_text('\r\n'.join(lines) + '\r\n', encoding='utf-8')
    return registry


def registry_share(perf_data: pathlib.Path) -> tuple:
    """Inclusive shares, in percent, of the command and of the registry functions
    (the stand-in's registry: opening, enumeration, reading, deletion)."""
    report = subprocess.run(['perf', 'report', '-i', str(perf_data), '--children', '--stdio',
                             '-g', 'none', '--percent-limit', '0.1'],
                            capture_output=True, text=True, check=True).stdout

    def share(symbol):
        match = re.search(r'^\s*([\d.]+)%.*\] ' + symbol + '$', report, re.MULTILINE)
        return float(match.group(1)) if match else 0.0

    registry = sum(share(name) for name in ('RegOpenKeyExW', 'RegEnumKeyExW', 'RegQueryValueExW',
                                             'RegDeleteKeyW', 'RegDeleteKeyExW', 'RegCloseKey'))
    return share('UninstallGames'), registry


def run_once(exe: str, games: int, items: bool, perf: bool) -> dict:
    with tempfile.TemporaryDirectory(prefix='qiv-bench-') as scratch:
        root = pathlib.Path(scratch)
        registry = build_world(root, games, items)
        size = registry.stat().st_size
        env = dict(os.environ, QIV_REGISTRY_FILE=str(registry))
        command = [exe, 'UninstallGames', 'UninstallGame']
        perf_data = root / 'perf.data'
        if perf:
            command = ['perf', 'record', '-q', '-F', '999', '--call-graph=fp', '-o',
                       str(perf_data)] + command
        completed = subprocess.run(['/usr/bin/time', '-v'] + command,
                                   env=env, capture_output=True, text=True, check=False)
        report = completed.stderr
        wall = re.search(r'Elapsed \(wall clock\) time.*: (?:(\d+):)?(\d+):([\d.]+)', report)
        seconds = (int(wall.group(1) or 0) * 3600 + int(wall.group(2)) * 60 + float(wall.group(3)))
        user = float(re.search(r'User time \(seconds\): ([\d.]+)', report).group(1))
        system = float(re.search(r'System time \(seconds\): ([\d.]+)', report).group(1))
        peak = int(re.search(r'Maximum resident set size \(kbytes\): (\d+)', report).group(1))
        left = list((root / 'games').iterdir()) + list((root / 'desktop').iterdir())
        text = registry.read_bytes()
        text = text.decode('utf-16') if text.startswith(b'\xff\xfe') else text.decode('utf-8')
        if completed.returncode != 0 or left or 'Orvandel\\Vantor' in text or (
                items and 'Vendor\\Game' in text):
            sys.exit(f'{games} games: not everything was removed (exit {completed.returncode})')
        own = None
        if perf:
            command_share, registry = registry_share(perf_data)
            own = (user + system) * (command_share - registry) / 100
        return {'games': games, 'wall': seconds, 'user': user, 'system': system,
                'peak_kb': peak, 'registry_kb': size / 1024, 'own': own}


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--exe', required=True)
    parser.add_argument('--counts', type=int, nargs='+', default=[125, 250, 500, 1000])
    parser.add_argument('--no-items', action='store_true',
                        help='documents list no registry items (only game subkeys are deleted)')
    parser.add_argument('--perf', action='store_true',
                        help='sample with perf and report the CPU time per game outside the '
                             'registry functions (peak memory then includes perf)')
    arguments = parser.parse_args()
    print(f'{"games":>6} {"wall s":>8} {"user s":>8} {"sys s":>8} {"ms/game":>8} '
          f'{"peak MiB":>9} {"reg KiB":>8}' + (f' {"own ms":>7}' if arguments.perf else ''))
    for games in arguments.counts:
        row = run_once(arguments.exe, games, not arguments.no_items, arguments.perf)
        own = f' {1000 * row["own"] / games:>7.2f}' if row['own'] is not None else ''
        print(f'{row["games"]:>6} {row["wall"]:>8.2f} {row["user"]:>8.2f} {row["system"]:>8.2f} '
              f'{1000 * row["wall"] / games:>8.2f} {row["peak_kb"] / 1024:>9.1f} '
              f'{row["registry_kb"]:>8.0f}' + own, flush=True)


if __name__ == '__main__':
    main()
