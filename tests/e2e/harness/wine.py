"""Running the Windows build under Wine: a private prefix and the WineRunner.

WineRunner has the Runner interface of runner.py, so the end-to-end scenarios run
unchanged with `--runner wine --exe build/windows/QivDepends.exe`. The program is
started by qiv_wine_launcher.exe (built beside it, 64-bit), which starts it the way
an installer does and records every OutputDebugString message exactly.

The prefix (QIV_WINEPREFIX, or `wineprefix` beside the program) is made on first use
with `wineboot -i` and a copy of its registry hives is kept; each runner starts from
that copy, so no scenario sees another's registry. Registry fixtures are imported into
both registry views (the 32-bit program reads the 32-bit view; the machine identifier
is read from the 64-bit one) and read back from the 32-bit view.

The module is also a command that runs one program in the prefix, for the unit tests:

    python3 wine.py run [--prefix DIR] [--subst X:] PROGRAM [ARGUMENTS...]
"""

from __future__ import annotations

import argparse
import atexit
import contextlib
import fcntl
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile
from typing import Optional, Sequence

if __package__:
    from .regfile import Registry
    from .runner import Arg, Result, Runner
else:  # run as a script
    sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent.parent))
    from harness.regfile import Registry
    from harness.runner import Arg, Result, Runner

LAUNCHER = 'qiv_wine_launcher.exe'
HIVES = ('system.reg', 'user.reg', 'userdef.reg')
WINE64 = '/usr/lib/wine/wine64'

# Where the kernel cannot start 32-bit programs, Wine's 32-bit half runs under
# qemu-i386 (scripts/enable-i386-exec.sh). A guest address space just above 2 GiB
# keeps Wine's start-up reservation of the upper address space short there; a
# kernel that runs 32-bit programs ignores the variable.
BASE_ENVIRONMENT = {
    'WINEDEBUG': '-all',
    # No Mono or Gecko installers, no menu entries or file associations on the host.
    'WINEDLLOVERRIDES': 'mscoree,mshtml=;winemenubuilder.exe=d',
    'QEMU_RESERVED_VA': '0x81000000',
    # The C.UTF-8 locale exists on every Debian system; Wine maps it to code page 1252.
    'LANG': 'C.UTF-8',
}
MINIMUM_TIMEOUT = 180
# Changing how prefixes are made changes this, so older ones are made again.
PREFIX_RECIPE = 'home-inside-2'


def host_path(path) -> str:
    """The Windows name of a Linux path: Wine's drive Z: is the root directory."""
    return 'Z:' + os.path.abspath(os.fspath(path)).replace('/', '\\')


def ansi_text(arg: Arg) -> str:
    """An argument as the text Wine hands over; bytes are code page 1252 bytes, and
    the five bytes that page leaves undefined stand for the same code points."""
    if isinstance(arg, str):
        return arg
    return ''.join(bytes([byte]).decode('cp1252', errors='ignore') or chr(byte) for byte in arg)


class WinePrefix:
    """A Wine prefix made and reset by the suite itself."""

    def __init__(self, path):
        self.path = pathlib.Path(path).resolve()
        self.baseline = self.path.parent / (self.path.name + '.baseline')
        # Wine links the user's folders (Desktop, Documents...) into HOME and writes
        # there; it gets a home of its own, whatever HOME a scenario sets.
        self.home = self.path.parent / (self.path.name + '.home')
        self._lock_file = self.path.parent / (self.path.name + '.lock')
        self._changed_marker = self.path.parent / (self.path.name + '.changed')
        self._registered_cleanup = False

    def environment(self, extra: Optional[dict] = None) -> dict:
        merged = dict(os.environ)
        for name in list(merged):
            if name in ('LC_ALL', 'LC_CTYPE', 'WINEARCH', 'WINELOADER') or name.startswith('XDG_'):
                del merged[name]
        merged.update(BASE_ENVIRONMENT)
        merged.update(extra or {})
        merged['WINEPREFIX'] = str(self.path)
        merged['HOME'] = str(self.home)
        return merged

    @contextlib.contextmanager
    def _locked(self):
        self.path.parent.mkdir(parents=True, exist_ok=True)
        with open(self._lock_file, 'w') as lock:
            fcntl.flock(lock, fcntl.LOCK_EX)
            yield

    def _quiet(self, argv, timeout=600, check=True):
        # Wine's services outlive the command that starts them and keep its standard
        # streams open: never hand them a pipe.
        completed = subprocess.run(argv, env=self.environment(), stdin=subprocess.DEVNULL,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                   timeout=timeout, check=False)
        if check and completed.returncode != 0:
            raise RuntimeError(f'{argv[0]} failed with status {completed.returncode}')
        return completed.returncode

    def ensure(self) -> None:
        """Makes the prefix once (about 15 seconds to a few minutes) and keeps its hives."""
        with self._locked():
            ready = self.baseline / 'ready'
            if not ready.exists() or ready.read_text() != PREFIX_RECIPE:
                for directory in (self.path, self.baseline, self.home):
                    shutil.rmtree(directory, ignore_errors=True)
                self._changed_marker.unlink(missing_ok=True)
                self.home.mkdir(parents=True)
                self._quiet([WINE64, 'wineboot', '--init'])
                self.stop_server()
                self._keep_user_folders_inside()
                self.baseline.mkdir(parents=True)
                for hive in HIVES:
                    shutil.copy2(self.path / hive, self.baseline / hive)
                ready.write_text(PREFIX_RECIPE)
        if not self._registered_cleanup:
            atexit.register(self.stop_server)
            self._registered_cleanup = True

    def _keep_user_folders_inside(self) -> None:
        # The user's folders become plain directories of the prefix, so a scenario
        # deleting "desktop" shortcuts can never reach a real home directory.
        for user in (self.path / 'drive_c' / 'users').iterdir():
            for entry in user.iterdir():
                if entry.is_symlink():
                    entry.unlink()
                    entry.mkdir()

    def stop_server(self) -> None:
        """Ends every process of this prefix; the server writes the registry first."""
        if self.path.exists():
            self._quiet(['wineserver', '-k'], check=False)
            self._quiet(['wineserver', '-w'], check=False)

    def restart(self) -> None:
        """Ends every process and restarts the prefix, which carries out the deletions
        Windows keeps for the next restart (MoveFileEx with MOVEFILE_DELAY_UNTIL_REBOOT)."""
        self.stop_server()
        self._quiet([WINE64, 'wineboot', '--restart'])
        self.stop_server()

    def reset_registry(self) -> None:
        """Puts back the registry the prefix had when it was made, if anything was
        imported since (the program itself only deletes what a fixture brought)."""
        with self._locked():
            if not self._changed_marker.exists():
                return
            self.stop_server()
            for hive in HIVES:
                shutil.copy2(self.baseline / hive, self.path / hive)
            self._changed_marker.unlink()

    def note_registry_change(self) -> None:
        self._changed_marker.touch()

    def run(self, argv: Sequence[str], env: Optional[dict] = None, cwd=None,
            timeout: float = MINIMUM_TIMEOUT) -> subprocess.CompletedProcess:
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            try:
                completed = subprocess.run(list(argv), env=self.environment(env), cwd=cwd,
                                           stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                                           timeout=max(timeout, MINIMUM_TIMEOUT), check=False)
            except subprocess.TimeoutExpired:
                # The program started by a launcher would outlive it and could
                # reach the servers of a later scenario.
                self.stop_server()
                raise
            out.seek(0)
            err.seek(0)
            return subprocess.CompletedProcess(argv, completed.returncode, out.read(), err.read())

    @contextlib.contextmanager
    def second_letters_of_c(self, letters: Sequence[str]):
        """Drive letters that name drive C: as well while the block runs, as
        `subst X: C:\\` makes one; a letter the prefix already has is left as it is."""
        made = []
        try:
            for letter in letters:
                link = self.path / 'dosdevices' / (letter.rstrip(':').lower() + ':')
                if not link.exists() and not link.is_symlink():
                    link.symlink_to('../drive_c')
                    made.append(link)
            yield
        finally:
            for link in made:
                link.unlink(missing_ok=True)

    @contextlib.contextmanager
    def drive(self, letter: str, target):
        """A drive letter for a host folder while the block runs: its own drive root,
        on the folder's volume, for what the program keeps at a volume's root."""
        link = self.path / 'dosdevices' / (letter.rstrip(':').lower() + ':')
        if link.exists() or link.is_symlink():
            raise RuntimeError(f'drive {letter} exists in the prefix')
        link.symlink_to(os.path.abspath(os.fspath(target)))
        try:
            yield letter.rstrip(':').upper() + ':'
        finally:
            link.unlink(missing_ok=True)

    def pending_renames(self) -> list:
        """The names of PendingFileRenameOperations (deletions and renames that wait
        for the next restart), as written, without their empty targets."""
        completed = subprocess.run(
            [WINE64, 'reg', 'query', r'HKLM\SYSTEM\CurrentControlSet\Control\Session Manager',
             '/v', 'PendingFileRenameOperations'],
            env=self.environment(), stdin=subprocess.DEVNULL, capture_output=True, timeout=300,
            check=False)
        for line in completed.stdout.decode('utf-8', errors='replace').splitlines():
            if 'PendingFileRenameOperations' in line and 'REG_MULTI_SZ' in line:
                value = line.split('REG_MULTI_SZ', 1)[1].strip()
                return [name for name in value.split('\\0') if name]
        return []

    def reg(self, *args: str) -> int:
        """reg.exe (64-bit, so it needs no emulation) with its output discarded."""
        return self._quiet([WINE64, 'reg', *args], check=False)


class WineRunner(Runner):
    """Runs QivDepends.exe under Wine as the installer would."""

    def __init__(self, exe, prefix: Optional[WinePrefix] = None, launcher=None,
                 _fixture_keys: Optional[dict] = None):
        self.exe = pathlib.Path(exe).resolve()
        if not self.exe.is_file():
            raise FileNotFoundError(f'program not found: {self.exe}')
        self.launcher = pathlib.Path(launcher or os.environ.get('QIV_WINE_LAUNCHER')
                                     or self.exe.parent / LAUNCHER).resolve()
        if not self.launcher.is_file():
            raise FileNotFoundError(f'launcher not found: {self.launcher}')
        shared = prefix is not None
        self.prefix = prefix or WinePrefix(os.environ.get('QIV_WINEPREFIX')
                                           or self.exe.parent / 'wineprefix')
        # Keys of the loaded fixtures (lower-case path -> (path, has values, is leaf)).
        self._fixture_keys = _fixture_keys if _fixture_keys is not None else {}
        if not shared:
            self.prefix.ensure()
            self.prefix.reset_registry()

    def run(self, args: Sequence[Arg], env: Optional[dict] = None, cwd=None,
            timeout: float = 60) -> Result:
        with tempfile.TemporaryDirectory(prefix='qiv-wine-') as scratch:
            log = pathlib.Path(scratch) / 'debug.log'
            argv = [WINE64, host_path(self.launcher), host_path(log), host_path(self.exe)]
            argv += [ansi_text(arg) for arg in args]
            completed = self.prefix.run(argv, env=env, cwd=cwd, timeout=timeout)
            lines = log.read_text('utf-8', errors='replace').splitlines() if log.exists() else []
        return Result(returncode=completed.returncode, debug_lines=lines,
                      stdout=completed.stdout.decode('utf-8', errors='replace'),
                      stderr=completed.stderr.decode('utf-8', errors='replace'))

    def host_path(self, path) -> str:
        return host_path(path)

    def load_registry(self, reg_file) -> None:
        """The registry becomes the prefix's own plus the file's keys, in both views."""
        fixture = Registry.load(reg_file)
        self.prefix.reset_registry()
        self._fixture_keys.clear()
        lowered = [key.lower() for key in fixture.keys()]
        for key in fixture.keys():
            prefix = key.lower() + '\\'
            self._fixture_keys[key.lower()] = (key, bool(fixture.values(key)),
                                               not any(k.startswith(prefix) for k in lowered))
        self.prefix.note_registry_change()
        for view in ('/reg:32', '/reg:64'):
            status = self.prefix.reg('import', host_path(reg_file), view)
            if status != 0:
                raise RuntimeError(f'reg import {reg_file} {view} failed with status {status}')

    def read_registry(self) -> Registry:
        """The fixture's keys that exist now in the 32-bit view, with everything below
        its leaf keys and the keys that carry values (one cmd.exe for all queries)."""
        registry = Registry()
        if not self._fixture_keys:
            return registry
        exported = []
        with tempfile.TemporaryDirectory(prefix='qiv-wine-reg-') as scratch:
            script = []
            for index, (key, has_values, is_leaf) in enumerate(self._fixture_keys.values()):
                target = pathlib.Path(scratch) / f'{index}'
                if has_values or is_leaf:
                    script.append(f'reg export "{key}" "{host_path(target)}.reg" /reg:32 /y >nul 2>nul')
                    exported.append((key, target.with_suffix('.reg')))
                else:
                    # Wine's cmd runs the right side of && whatever the status.
                    script.append(f'reg query "{key}" /reg:32 >nul 2>nul')
                    script.append(f'if not errorlevel 1 echo.>"{host_path(target)}.key"')
            batch = pathlib.Path(scratch) / 'read.cmd'
            batch.write_text('@echo off\r\n' + '\r\n'.join(script) + '\r\n', encoding='cp1252',
                             errors='replace')
            self.prefix.run([WINE64, 'cmd', '/c', host_path(batch)])
            for index, (key, _, _) in enumerate(self._fixture_keys.values()):
                if (pathlib.Path(scratch) / f'{index}.key').exists():
                    registry.add_key(key)
            for _, path in exported:
                if path.exists():
                    _merge(registry, Registry.load(path))
        # The fixture names every ancestor of its keys, so the result holds fixture
        # keys and what lies below the exported ones, nothing else.
        return registry

    def relocated(self, directory) -> 'WineRunner':
        target = pathlib.Path(directory) / self.exe.name
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copy2(self.exe, target)
        return WineRunner(target, prefix=self.prefix, launcher=self.launcher,
                          _fixture_keys=self._fixture_keys)


def _merge(into: Registry, other: Registry) -> None:
    for key in other.keys():
        into.add_key(key)
        for name, value in other.values(key).items():
            into.set(key, name, value)


def main(argv: Sequence[str]) -> int:
    parser = argparse.ArgumentParser(description='run a Windows program in the suite prefix')
    sub = parser.add_subparsers(dest='command', required=True)
    run = sub.add_parser('run', help='run PROGRAM under Wine and pass its output on')
    run.add_argument('--prefix', help='the Wine prefix (default: wineprefix beside PROGRAM)')
    run.add_argument('--timeout', type=float, default=900)
    run.add_argument('--subst', metavar='LETTER', action='append', default=[],
                     help='a second letter of drive C: while PROGRAM runs (repeatable)')
    run.add_argument('program')
    run.add_argument('arguments', nargs=argparse.REMAINDER)
    options = parser.parse_args(argv)

    program = pathlib.Path(options.program).resolve()
    prefix = WinePrefix(options.prefix or os.environ.get('QIV_WINEPREFIX')
                        or program.parent / 'wineprefix')
    prefix.ensure()
    with prefix.second_letters_of_c(options.subst):
        completed = prefix.run(['wine', host_path(program), *options.arguments],
                               cwd=program.parent, timeout=options.timeout)
    sys.stdout.buffer.write(completed.stdout)
    sys.stderr.buffer.write(completed.stderr)
    return completed.returncode


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
