"""UninstallGames in full mode over game folders that a deletion by names mishandles:
a racer that swaps subfolders for links to another tree once the deletion has begun,
a path longer than MAX_PATH, a file another process holds open, names that end in a
dot or a blank, a link to a folder inside. Each row's game is followed by a plain game.

Every row ends the same way: exit status 0 with the run's last line logged, nothing of
the other tree lost, the following game removed, and the row's folder gone; under Wine
a link to a folder (which Wine opens as its target, never as itself) and the folders
above it may stay. A file held open by another process that shares its deletion moves
into a fresh quarantine at the drive's root, the only names scheduled for the restart,
and its folders go at once; one held without sharing its deletion stays, unscheduled.
"""

from __future__ import annotations

import os
import pathlib
import re
import subprocess
import threading
import time

import pytest

from harness import Registry

PRODUCT = r'HKEY_LOCAL_MACHINE\SOFTWARE\Orvandel\Vantor'
END = 'End to uninstall games...'
HOLDER = 'qiv_file_holder.exe'
DRIVE = 'Q:'
QUARANTINE = re.compile(r'QivDepends\.Pending\.[0-9a-f]{32}')
GAME, CANARY = b'game', b'keep me'


def make_files(folder: pathlib.Path, count: int, content: bytes, prefix='f') -> None:
    folder.mkdir(parents=True, exist_ok=True)
    for index in range(count):
        (folder / f'{prefix}{index:03d}.dat').write_bytes(content)


def holding(root: pathlib.Path, content: bytes) -> int:
    count = 0
    for directory, _, files in os.walk(root, followlinks=False):
        for name in files:
            path = pathlib.Path(directory) / name
            if not path.is_symlink() and path.read_bytes() == content:
                count += 1
    return count


class Racer(threading.Thread):
    """Once the deletion has begun (a file of the game is gone), renames each
    subfolder still there away and puts a link to the other tree in its place."""

    def __init__(self, title: pathlib.Path, decoy: pathlib.Path, folders):
        super().__init__(daemon=True)
        self.title, self.decoy, self.folders = title, decoy, folders
        self.swapped = 0
        self.stop = threading.Event()

    def run(self):
        signals = [self.title / name / 'f000.dat' for name in self.folders]
        while not self.stop.is_set() and all(path.exists() for path in signals):
            time.sleep(0.0005)
        for name in self.folders:
            try:
                os.rename(self.title / name, self.title / f'{name}.away')
                os.symlink(self.decoy, self.title / name)
                self.swapped += 1
            except OSError:
                pass


def racer_row(title, decoy):
    folders = [f's{index}' for index in range(10)]
    for name in folders:
        make_files(title / name, 100, GAME)
    return Racer(title, decoy, folders)


def long_path_row(title, decoy):
    deep = title
    while len(str(deep)) < 400:
        deep = deep / 'engine-assets-and-mods-folder'
    make_files(deep, 3, GAME)
    make_files(title / 'data', 5, GAME)


def dot_and_blank_row(title, decoy):
    for name in ('Save.', 'Save', 'Mods ', 'Mods'):
        make_files(title / name, 2, GAME)
    for name in ('readme.', 'readme', 'notes ', 'x. .'):
        (title / name).write_bytes(GAME)


def folder_link_row(title, decoy):
    make_files(title / 'data', 5, GAME)
    (title / 'mods').mkdir()
    os.symlink(decoy, title / 'mods' / 'linked')


def held_file_row(title, decoy):
    make_files(title / 'data', 20, GAME)
    (title / 'bin').mkdir()
    (title / 'bin' / 'overlay.dll').write_bytes(GAME)


ROWS = {
    'racer swaps subfolders for links': racer_row,
    'path longer than MAX_PATH': long_path_row,
    'names ending in a dot or a blank': dot_and_blank_row,
    'link to a folder inside': folder_link_row,
    'file held open sharing its deletion': held_file_row,
    'file held open without sharing its deletion': held_file_row,
}
HELD_ROWS = {'file held open sharing its deletion': True,
             'file held open without sharing its deletion': False}


def holds_link(path: pathlib.Path) -> bool:
    if path.is_symlink():
        return True
    for directory, dirnames, files in os.walk(path, followlinks=False):
        if any((pathlib.Path(directory) / name).is_symlink() for name in dirnames + files):
            return True
    return False


def remaining(root: pathlib.Path) -> list:
    if not os.path.lexists(root):
        return []
    found = []
    for directory, dirnames, files in os.walk(root, followlinks=False):
        for name in dirnames + files:
            found.append((pathlib.Path(directory) / name).relative_to(root).as_posix())
    return sorted(found) + ['.']


@pytest.mark.parametrize('row', list(ROWS))
def test_every_row_ends_with_the_folder_gone_and_nothing_else_lost(
        runner, runner_kind, tmp_path, row):
    held = row in HELD_ROWS
    if held and runner_kind != 'wine':
        pytest.skip('another process holding a file is a Wine scenario (a unit test covers it)')
    if held:
        # The games lie on a drive of their own, whose root is the test's folder.
        runner.prefix.ensure()
        volume = tmp_path / 'volume'
        with runner.prefix.drive(DRIVE, volume):
            held_row(runner, tmp_path, volume, row, HELD_ROWS[row])
        return
    title = tmp_path / 'games' / 'A-Row'
    after = tmp_path / 'games' / 'B-After'
    decoy = tmp_path / 'decoy'
    title.mkdir(parents=True)
    make_files(decoy, 50, CANARY)
    make_files(decoy / 'Documents', 50, CANARY, prefix='d')
    make_files(after / 'data', 5, GAME)
    racer = ROWS[row](title, decoy)
    Registry() \
        .set(PRODUCT + r'\A-Row', 'INSTALL_PATH', runner.host_path(title)) \
        .set(PRODUCT + r'\B-After', 'INSTALL_PATH', runner.host_path(after)) \
        .save(tmp_path / 'walk.reg')
    runner.load_registry(tmp_path / 'walk.reg')

    try:
        if racer is not None:
            racer.start()
        result = runner.run(['UninstallGames', 'UninstallGame'], timeout=300)
    finally:
        if racer is not None:
            racer.stop.set()
            racer.join(timeout=10)
    if racer is not None:
        print('folders swapped:', racer.swapped)

    assert result.returncode == 0
    assert result.has_line(END)
    assert holding(decoy, CANARY) == 100
    assert not os.path.lexists(after)
    assert holding(after, GAME) == 0
    left = remaining(title)
    if runner_kind == 'wine' and row in ('link to a folder inside',
                                         'racer swaps subfolders for links'):
        # Only links to folders, and the folders above them. The racer renames from
        # outside Wine, which no share mode refuses: a folder it moved away while the
        # walk was inside stays with what was left in it (on Windows, and for any Wine
        # process, the walk's hold refuses that rename).
        outside_wine = [entry for entry in left if entry.split('/')[0].endswith('.away')]
        assert all(holds_link(title / entry) for entry in left
                   if entry != '.' and entry not in outside_wine), left
        assert holding(title, GAME) == sum(holding(title / entry, GAME) for entry in left
                                           if '/' not in entry and entry in outside_wine)
    else:
        assert left == []
    # The registrations are gone too.
    registry = runner.read_registry()
    assert not any(key.lower().startswith((PRODUCT + '\\').lower()) for key in registry.keys())


def held_row(runner, tmp_path, volume, row, shares_deletion):
    from harness.wine import WINE64
    title = volume / 'Games' / 'A-Row'
    after = volume / 'Games' / 'B-After'
    title.mkdir(parents=True)
    held_file_row(title, None)
    make_files(after / 'data', 5, GAME)
    # Folders planted under the names a guess would give: never used.
    planted = [volume / 'QivDepends.Pending', volume / 'QivDepends.Pending.0']
    for folder in planted:
        folder.mkdir()
    Registry() \
        .set(PRODUCT + r'\A-Row', 'INSTALL_PATH', DRIVE + r'\Games\A-Row') \
        .set(PRODUCT + r'\B-After', 'INSTALL_PATH', DRIVE + r'\Games\B-After') \
        .save(tmp_path / 'walk.reg')
    runner.load_registry(tmp_path / 'walk.reg')
    release = tmp_path / 'release'
    holder = subprocess.Popen(
        [WINE64, str(runner.exe.parent / HOLDER), DRIVE + r'\Games\A-Row\bin\overlay.dll',
         runner.host_path(release)] + (['share-delete'] if shares_deletion else []),
        env=runner.prefix.environment(), stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
        stderr=subprocess.DEVNULL)
    try:
        assert holder.stdout.readline().strip() == b'held'
        result = runner.run(['UninstallGames', 'UninstallGame'], timeout=300)
        pending = runner.prefix.pending_renames()
        print('scheduled for the restart:', pending)
    finally:
        release.write_text('')
        holder.wait(timeout=60)
    assert result.returncode == 0
    assert result.has_line(END)
    assert not os.path.lexists(after)
    assert all(not any(folder.iterdir()) for folder in planted)
    quarantines = [entry for entry in volume.iterdir() if QUARANTINE.fullmatch(entry.name)]
    if shares_deletion:
        # Moved into the quarantine: the game's folder went at once.
        assert not os.path.lexists(title)
        assert len(quarantines) == 1, quarantines
        inside = '\\??\\' + DRIVE + '\\' + quarantines[0].name
        assert pending and pending[-1] == inside, pending
        assert all(name.startswith(inside + '\\') for name in pending[:-1]), pending
    else:
        # Cannot move: it stays where it is, and nothing is scheduled.
        assert remaining(title) == ['bin', 'bin/overlay.dll', '.']
        assert quarantines == [] and pending == [], (quarantines, pending)
    runner.prefix.restart()
    assert [entry for entry in volume.iterdir() if QUARANTINE.fullmatch(entry.name)] == []
    assert remaining(title) == ([] if shares_deletion else ['bin', 'bin/overlay.dll', '.'])
    registry = runner.read_registry()
    assert not any(key.lower().startswith((PRODUCT + '\\').lower()) for key in registry.keys())
