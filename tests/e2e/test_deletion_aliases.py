"""UninstallGames in full mode against install paths that name protected folders by
other spellings: another drive letter of drive C:, the Z: view, the short name the
system reports, letter case (beyond ASCII too), "\\\\?\\" and "\\\\.\\", trailing dots and
blanks, "." and "..", and other users' profiles. One run handles every alias as a
game of its own; afterwards every canary is still there and the controls are gone.

Natively drive C: is a folder under QIV_DRIVE_ROOT and X: a link to it. Under Wine, C:
is the prefix's drive_c, X: a link in its dosdevices (as `subst X: C:\\` makes one),
D: a folder outside the prefix, and the other users are listed in ProfileList.
"""

from __future__ import annotations

import os
import pathlib
import shutil

import pytest

from harness import Registry

PRODUCT = r'HKEY_LOCAL_MACHINE\SOFTWARE\Orvandel\Vantor'
PROFILE_LIST = r'HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows NT\CurrentVersion\ProfileList'
CANARY = 'qiv-canary.txt'
OTHER = 'Other'
NON_ASCII = '\u0141ukasz'  # its small form is not in the ASCII or Latin-1 folding table

# Protected folders below C:, as the system names them, on both builds.
PROTECTED = ['Windows', r'Windows\System32', r'Windows\qiv-sealed', 'ProgramData',
             'Program Files (x86)', 'Users', r'Users\Public', rf'Users\{OTHER}',
             rf'Users\{OTHER}\Documents', rf'Users\{OTHER}\AppData\Local',
             rf'Users\{NON_ASCII}\Documents']
# Protected only on Windows (the stand-in has no such folder of the system's).
PROTECTED_WINE = [r'Program Files (x86)\Common Files']
CONTROLS = [r'Program Files (x86)\Vendor\Game', rf'Users\{OTHER}\AppData\Local\Programs\Game',
            r'games\Dir \Game']
# Shortcut files named by the control game's document (by their short names where
# the system has them): only a real .lnk goes, whatever name the path used.
KEPT_LINK, GONE_LINK = 'important.lnkx', 'Long Shortcut Name.lnk'


class Machine:
    """Drive C:, a second letter X: of it, and a second drive D:."""

    def __init__(self, runner, runner_kind, tmp_path: pathlib.Path):
        self.runner = runner
        self.wine = runner_kind == 'wine'
        self.created: list[pathlib.Path] = []
        self.restore: list[tuple] = []  # drive links the prefix had before
        if self.wine:
            prefix = runner.prefix.path
            self.c = prefix / 'drive_c'
            self.dosdevices = prefix / 'dosdevices'
            self.d = tmp_path / 'd'
            self.env = {}
            self._link(self.dosdevices / 'x:', '../drive_c')
            self._link(self.dosdevices / 'd:', str(self.d))
        else:
            drives = tmp_path / 'drive'
            self.c = drives / 'c'
            self.d = drives / 'd'
            self.c.mkdir(parents=True)
            (drives / 'x').symlink_to('c')
            self.env = {'QIV_DRIVE_ROOT': str(drives), 'HOME': str(tmp_path / 'home')}
            (tmp_path / 'home').mkdir()
        self.d.mkdir(parents=True, exist_ok=True)

    def _link(self, link: pathlib.Path, target: str):
        if link.is_symlink():
            self.restore.append((link, os.readlink(link)))
            link.unlink()
        link.symlink_to(target)
        self.created.append(link)

    def folder(self, relative: str) -> pathlib.Path:
        """The real folder below C: (Wine's own names differ in case: windows, users)."""
        path = self.c
        for name in relative.split('\\'):
            match = [entry for entry in (path.iterdir() if path.is_dir() else [])
                     if entry.name.lower() == name.lower()]
            path = match[0] if match else path / name
        return path

    def make(self, relative: str, canary: bool) -> pathlib.Path:
        path = self.folder(relative)
        top = self.c
        for name in pathlib.Path(path).relative_to(self.c).parts:
            top = top / name
            if not top.exists():
                self.created.append(top)
                break
        path.mkdir(parents=True, exist_ok=True)
        if canary:
            (path / CANARY).write_text('keep me')
            self.created.append(path / CANARY)
        return path

    def cleanup(self):
        for path in reversed(self.created):
            if path.is_symlink() or path.is_file():
                path.unlink(missing_ok=True)
            elif path.is_dir():
                shutil.rmtree(path, ignore_errors=True)
        for link, target in self.restore:
            link.unlink(missing_ok=True)
            link.symlink_to(target)

    def short_names(self, relatives: list) -> dict:
        """What the system reports as the short (8.3) name of each folder."""
        if not self.wine:
            return {}
        from harness.wine import WINE64
        # Wine's cmd shortens every name but the last, so ask for a name below each.
        lines = ['@echo off'] + [f'for %%I in ("C:\\{r}\\qiv") do @echo %%~sI' for r in relatives]
        batch = self.d / 'short.cmd'
        batch.write_text('\r\n'.join(lines) + '\r\n', encoding='utf-8')
        completed = self.runner.prefix.run([WINE64, 'cmd', '/c', self.runner.host_path(batch)])
        answers = completed.stdout.decode('utf-8', errors='replace').splitlines()
        return {r: a.strip()[:-len('\\qiv')] for r, a in zip(relatives, answers)
                if '~' in a and a.strip().endswith('\\qiv')}


def aliases(machine: Machine, relative: str) -> list:
    real = machine.folder(relative)
    spellings = [
        f'X:\\{relative}',
        f'X:\\{relative}\\',
        machine.runner.host_path(real),
        f'\\\\?\\X:\\{relative}',
        f'\\\\.\\X:\\{relative}',
        f'\\\\?\\{machine.runner.host_path(real)}',
        f'C:\\{relative}'.upper(),
        f'c:\\{relative}'.lower(),
        f'C:\\{relative}.',
        f'X:\\{relative} . ',
        f'C:\\Games\\..\\{relative}',
        f'X:\\{relative}\\.',
        f'C:\\{relative}\\qiv-none\\..',
    ]
    if relative.startswith(f'Users\\{OTHER}'):
        spellings.append(machine.runner.host_path(real).upper())
    return spellings


@pytest.fixture
def machine(runner, runner_kind, tmp_path):
    world = Machine(runner, runner_kind, tmp_path)
    yield world
    world.cleanup()


def test_no_spelling_reaches_a_protected_folder(machine, runner, runner_kind, tmp_path):
    protected = PROTECTED + (PROTECTED_WINE if machine.wine else [])
    for relative in protected:
        machine.make(relative, canary=True)
    controls = [machine.make(relative, canary=True) for relative in CONTROLS]
    title = machine.d / 'Games' / 'Title'
    title.mkdir(parents=True)
    (title / CANARY).write_text('goes')
    neighbour = machine.make(r'games\Dir\Game', canary=True)

    links = machine.make('qiv-links', canary=False)
    for name in (KEPT_LINK, GONE_LINK):
        (links / name).write_bytes(b'L\0\0\0')
    short_links = machine.short_names([f'qiv-links\\{name}' for name in (KEPT_LINK, GONE_LINK)])
    named = [short_links.get(f'qiv-links\\{name}', f'C:\\qiv-links\\{name}')
             for name in (KEPT_LINK, GONE_LINK)]
    (title / 'appinstallconfig.xml').write_text(
        f'<config><shortcut desktop="{named[0]}" startmenu="{named[1]}"/></config>')

    paths = [alias for relative in protected for alias in aliases(machine, relative)]
    short = machine.short_names(['Program Files (x86)', r'Program Files (x86)\Common Files',
                                 'ProgramData', f'Users\\{OTHER}\\Documents'])
    paths += list(short.values())
    print('short names:', short)
    paths += [f'C:\\Users\\{NON_ASCII.lower()}\\Documents', f'X:\\USERS\\{NON_ASCII.upper()}']
    paths += ['C:\\' + relative for relative in CONTROLS] + ['D:\\Games\\Title\\']

    # The links' folder is the user's Desktop, where shortcut files may go.
    registry = Registry().shell_folders(desktop='C:\\qiv-links')
    for index, path in enumerate(paths):
        registry.set(f'{PRODUCT}\\G{index:03d}', 'INSTALL_PATH', path)
    for sid, name in (('S-1-5-21-7-7-7-1001', OTHER), ('S-1-5-21-7-7-7-1002', NON_ASCII)):
        registry.set(f'{PROFILE_LIST}\\{sid}', 'ProfileImagePath', f'C:\\Users\\{name}')
    registry.save(tmp_path / 'aliases.reg')
    runner.load_registry(tmp_path / 'aliases.reg')

    result = runner.run(['UninstallGames', 'UninstallGame'], env=machine.env, timeout=300)
    assert result.returncode == 0

    kept = [relative for relative in protected
            if not (machine.folder(relative) / CANARY).is_file()]
    assert kept == [], f'deleted through an alias: {kept}'
    assert (neighbour / CANARY).is_file(), 'the folder without the blank must stay'
    assert [str(c) for c in controls if c.exists()] == []
    assert not title.exists()
    assert (links / KEPT_LINK).is_file(), f'deleted by its short name {named[0]}'
    assert not (links / GONE_LINK).exists()
    if machine.wine:
        assert short, 'the system reported no short names'
        assert len(short_links) == 2, short_links


UNINSTALL = r'SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall'
SHELL_FOLDERS = r'HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer' \
    r'\User Shell Folders'
DOWNLOADS_ID = '{374DE290-123F-4565-9164-39C4925E467B}'
MOVED = 'Moved'  # a profile whose Documents and Pictures are links to drive D:


def test_other_peoples_data_keeps_its_canary(machine, runner, runner_kind, tmp_path):
    """Folders no fixed list names: another product's folder listed in HKLM (both
    views, and the 64-bit view alone) or in HKCU, user folders moved to drive D: by a
    link or by Explorer's User Shell Folders. Each install path holds or is such a
    folder; the controls lie inside a product's folder or are a product's own."""
    d = machine.d
    other_products = {  # install path on D: -> (registry root, view) of the other product
        'Games': ('HKEY_LOCAL_MACHINE', None),
        'Games64': ('HKEY_LOCAL_MACHINE', '/reg:64'),
        'GamesCU': ('HKEY_CURRENT_USER', None),
    }
    canaries = []
    registry = Registry()
    only_64 = Registry()
    for name, (root, view) in other_products.items():
        (d / name / 'Other').mkdir(parents=True)
        canaries.append(d / name / 'Other' / CANARY)
        (only_64 if view else registry).set(f'{root}\\{UNINSTALL}\\Other{name}',
                                            'InstallLocation', f'D:\\{name}\\Other')
    (d / 'Downloads').mkdir()
    canaries.append(d / 'Downloads' / CANARY)
    registry.set(SHELL_FOLDERS, DOWNLOADS_ID, 'D:\\Downloads')
    links = runner_kind == 'native'  # Wine 8 cannot make junctions
    if links:
        profile = machine.make(f'Users\\{MOVED}', canary=False)
        registry.set(f'{PROFILE_LIST}\\S-1-5-21-7-7-7-1004', 'ProfileImagePath',
                     f'C:\\Users\\{MOVED}')
        for folder, target in (('Documents', d / 'Docs'), ('Pictures', d / 'Data' / 'Photos')):
            target.mkdir(parents=True)
            canaries.append(target / CANARY)
            (profile / folder).symlink_to(target, target_is_directory=True)
    # OneDrive's own folders in a profile, by whatever name the account gives them.
    registry.set(f'{PROFILE_LIST}\\S-1-5-21-7-7-7-1001', 'ProfileImagePath', f'C:\\Users\\{OTHER}')
    onedrive = f'Users\\{OTHER}\\OneDrive - Contoso'
    canaries.append(machine.make(onedrive, canary=True) / CANARY)
    refused_on_c = ['C:\\' + onedrive]
    if machine.wine:
        # Another user's moved folders, from that user's loaded hive.
        sid = 'S-1-5-21-7-7-7-1003'
        registry.set(f'{PROFILE_LIST}\\{sid}', 'ProfileImagePath', f'C:\\Users\\{MOVED}2')
        hive = f'HKEY_USERS\\{sid}\\' + SHELL_FOLDERS.split('\\', 1)[1]
        registry.set(hive, 'Personal', 'D:\\OtherDocs')
        registry.set(hive, 'My Music', '%USERPROFILE%\\Music Moved')
        (d / 'OtherDocs').mkdir()
        canaries.append(d / 'OtherDocs' / CANARY)
        canaries.append(machine.make(f'Users\\{MOVED}2\\Music Moved', canary=True) / CANARY)
        refused_on_c.append(f'C:\\Users\\{MOVED}2\\Music Moved')
    for canary in canaries:
        canary.write_text('keep me')
    refused = list(other_products) + ['Downloads'] + (['Docs', 'Data', r'Data\Photos'] if links
                                                       else ['OtherDocs'])
    controls = {r'Client\Games\Title': 'Client', 'Own': 'Own'}
    for control, product in controls.items():
        (d / control.replace('\\', '/')).mkdir(parents=True)
        registry.set(f'HKEY_LOCAL_MACHINE\\{UNINSTALL}\\{product}', 'InstallLocation',
                     f'D:\\{product}\\')
    paths = [f'D:\\{name}' for name in refused] + [f'D:\\{name}' for name in controls]
    paths += refused_on_c
    for index, path in enumerate(paths):
        registry.set(f'{PRODUCT}\\G{index:03d}', 'INSTALL_PATH', path)
    registry.save(tmp_path / 'others.reg')
    runner.load_registry(tmp_path / 'others.reg')
    if machine.wine:
        # Only where a 64-bit program looks: a 32-bit one sees it by asking for that view.
        only_64.save(tmp_path / 'only64.reg')
        assert runner.prefix.reg('import', runner.host_path(tmp_path / 'only64.reg'),
                                 '/reg:64') == 0
        key = f'HKEY_LOCAL_MACHINE\\{UNINSTALL}\\OtherGames64'
        assert runner.prefix.reg('query', key, '/reg:64') == 0
        assert runner.prefix.reg('query', key, '/reg:32') != 0
    else:
        for key in only_64.keys():
            for name, value in only_64.values(key).items():
                registry.set(key, name, value)
        registry.save(tmp_path / 'others.reg')
        runner.load_registry(tmp_path / 'others.reg')

    result = runner.run(['UninstallGames', 'UninstallGame'], env=machine.env, timeout=300)
    assert result.returncode == 0

    lost = [str(canary) for canary in canaries if not canary.is_file()]
    assert lost == [], f'deleted: {lost}'
    assert [control for control in controls if (d / control.replace('\\', '/')).exists()] == []
