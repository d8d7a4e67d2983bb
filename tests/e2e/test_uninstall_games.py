"""UninstallGames end to end: the real program over a registry file of several games
and real install directories, documents and shortcut files.

Every test snapshots the whole scratch tree and the registry before the run and checks
that exactly the expected entries changed. Drive C: is mapped into the scratch tree
(QIV_DRIVE_ROOT), so even a failing guard could not reach outside it.
"""

from __future__ import annotations

import os
import pathlib

import pytest

from harness import Registry

PRODUCT = r'HKEY_LOCAL_MACHINE\SOFTWARE\Orvandel\Vantor'
START = 'Start to uninstall games...'
END = 'End to uninstall games...'


# Snapshots --------------------------------------------------------------------------------

def snapshot_files(root: pathlib.Path) -> dict:
    """relative path -> what it is: file bytes, 'dir', or 'link->target' (never followed)."""
    entries = {}
    for directory, dirnames, filenames in os.walk(root, followlinks=False):
        for name in dirnames + filenames:
            path = pathlib.Path(directory) / name
            relative = path.relative_to(root).as_posix()
            if path.is_symlink():
                entries[relative] = 'link->' + os.readlink(path)
            elif path.is_dir():
                entries[relative] = 'dir'
            else:
                entries[relative] = path.read_bytes()
    return entries


def snapshot_registry(runner) -> dict:
    registry = runner.read_registry()
    return {path.lower(): registry.values(path) for path in registry.keys()}


def changed(before: dict, after: dict) -> tuple:
    removed = sorted(k for k in before if k not in after)
    added = sorted(k for k in after if k not in before)
    modified = sorted(k for k in before if k in after and before[k] != after[k])
    return removed, added, modified


# The world of games -----------------------------------------------------------------------

class World:
    def __init__(self, tmp_path: pathlib.Path, runner):
        self.root = tmp_path / 'world'
        self.root.mkdir()
        self.runner = runner
        self.registry = Registry()
        self.env = {'QIV_DRIVE_ROOT': str(self.root / 'drive'),
                    'HOME': str(self.root / 'home')}
        self.reg_file = tmp_path / 'registry.reg'
        for folder in ('games', 'desktop', 'menu', 'home', 'drive/c', 'keep', 'cwd'):
            (self.root / folder).mkdir(parents=True)
        (self.root / 'keep' / 'precious.txt').write_text('keep me')
        # Keys that belong to others.
        for key in (r'HKEY_LOCAL_MACHINE\SOFTWARE\Vendor\Keep',
                    r'HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Run',
                    r'HKEY_CLASSES_ROOT\CLSID\{00000000-0000-0000-0000-000000000001}',
                    r'HKEY_CURRENT_USER\Software\Vendor\Keep'):
            self.registry.add_key(key)
        self.registry.set(r'HKEY_LOCAL_MACHINE\SOFTWARE\Orvandel', 'Owner', 'company')

    def host(self, path) -> str:
        return self.runner.host_path(path)

    def game_dir(self, name: str, shortcut=True, vantoritems=(), appitems=()) -> pathlib.Path:
        directory = self.root / 'games' / name
        (directory / 'data').mkdir(parents=True)
        (directory / 'data' / 'level.pak').write_bytes(b'\0pak' * 64)
        (directory / 'game.exe').write_bytes(b'MZ')

        def items(entries):
            return ''.join(f'<item rootpath="{root}" path="{path}" />' for root, path in entries)

        xml = ('<?xml version="1.0" encoding="UTF-8"?>\n<config>\n'
               f'<registry language="en"><vantoritems>{items(vantoritems)}</vantoritems>'
               f'<appitems>{items(appitems)}</appitems></registry>\n')
        if shortcut:
            flat = name.replace('/', '-')  # a game folder inside another's
            desktop = self.root / 'desktop' / f'{flat}.lnk'
            menu = self.root / 'menu' / f'{flat}.lnk'
            desktop.write_bytes(b'L\0\0\0')
            menu.write_bytes(b'L\0\0\0')
            xml += f'<shortcut desktop="{self.host(desktop)}" startmenu="{self.host(menu)}" />\n'
        xml += '</config>\n'
        (directory / 'appinstallconfig.xml').write_text(xml, encoding='utf-8')
        return directory

    def register(self, key: str, install_path=None, **values):
        path = PRODUCT + '\\' + key
        self.registry.add_key(path)
        if install_path is not None:
            self.registry.set(path, 'INSTALL_PATH', install_path)
        for name, value in values.items():
            self.registry.set(path, name, value)

    def save(self):
        self.registry.shell_folders(self.host(self.root / 'desktop'), self.host(self.root / 'menu'))
        self.registry.save(self.reg_file)
        self.runner.load_registry(self.reg_file)

    def run(self, *args):
        before = (snapshot_files(self.root), snapshot_registry(self.runner))
        # Relative paths would resolve in the scratch tree too.
        result = self.runner.run(['UninstallGames', *args], env=self.env, cwd=self.root / 'cwd')
        assert result.returncode == 0
        assert result.has_line(START) and result.has_line(END)
        after = (snapshot_files(self.root), snapshot_registry(self.runner))
        return changed(before[0], after[0]), changed(before[1], after[1])


def key(path: str) -> str:
    return path.lower()


def standard_world(tmp_path, runner) -> World:
    """Alpha: items and shortcuts; Beta: INSTALL_PATH with a trailing backslash and a
    document without "shortcut"; Delta: a registration with a subkey of its own;
    Epsilon: after Delta; Gamma: no INSTALL_PATH."""
    world = World(tmp_path, runner)
    for path in (r'HKEY_LOCAL_MACHINE\SOFTWARE\Vendor\Alpha\Settings',
                 r'HKEY_LOCAL_MACHINE\SOFTWARE\Vendor\AlphaSecond',
                 r'HKEY_CURRENT_USER\Software\Vendor\Alpha\Saves',
                 r'HKEY_CLASSES_ROOT\.alphasave',
                 r'HKEY_CLASSES_ROOT\Vendor.AlphaSave\shell\open\command'):
        world.registry.add_key(path)
    alpha = world.game_dir(
        'Alpha',
        vantoritems=[('HKEY_LOCAL_MACHINE', r'SOFTWARE\Vendor\Alpha'),
                     ('HKEY_LOCAL_MACHINE', r'SOFTWARE\Vendor\AlphaSecond')],
        appitems=[('HKEY_CURRENT_USER', r'Software\Vendor\Alpha'),
                  ('HKEY_CLASSES_ROOT', '.alphasave'),
                  ('HKEY_CLASSES_ROOT', 'Vendor.AlphaSave')])
    # Alpha's product key names its folder, so its trees and their twins in the
    # user's hive are Alpha's; its file type names its program.
    world.registry.set(r'HKEY_LOCAL_MACHINE\SOFTWARE\Vendor\Alpha', 'InstallDir',
                       world.host(alpha))
    world.registry.set(r'HKEY_CLASSES_ROOT\.alphasave', '', 'Vendor.AlphaSave')
    world.registry.set(r'HKEY_CLASSES_ROOT\Vendor.AlphaSave\shell\open\command', '',
                       f'"{world.host(alpha / "game.exe")}" "%1"')
    beta = world.game_dir('Beta', shortcut=False)
    delta = world.game_dir('Delta')
    epsilon = world.game_dir('Epsilon')
    world.register('Alpha', world.host(alpha), APP_ABBR='al')
    world.register('Beta', world.host(beta) + '\\', APP_ABBR='be')
    world.register('Delta', world.host(delta))
    world.registry.add_key(PRODUCT + r'\Delta\Patches')
    world.register('Epsilon', world.host(epsilon))
    world.register('Gamma', None, APP_ABBR='ga')
    world.save()
    return world


# Tests ------------------------------------------------------------------------------------

def test_shortcut_mode_removes_shortcuts_and_rewrites_only_those_documents(tmp_path, runner):
    world = standard_world(tmp_path, runner)
    beta_document = world.root / 'games' / 'Beta' / 'appinstallconfig.xml'
    beta_stat = beta_document.stat()

    (files_removed, files_added, files_modified), registry_changes = world.run('UninstallGames')

    assert files_removed == sorted(f'{folder}/{name}.lnk' for folder in ('desktop', 'menu')
                                   for name in ('Alpha', 'Delta', 'Epsilon'))
    assert files_added == []
    assert files_modified == sorted(f'games/{name}/appinstallconfig.xml'
                                    for name in ('Alpha', 'Delta', 'Epsilon'))
    assert registry_changes == ([], [], [])
    assert beta_document.stat().st_mtime_ns == beta_stat.st_mtime_ns
    assert beta_document.stat().st_ino == beta_stat.st_ino
    alpha = (world.root / 'games' / 'Alpha' / 'appinstallconfig.xml').read_text()
    assert '<shortcut' not in alpha
    assert r'SOFTWARE\Vendor\AlphaSecond' in alpha and 'language="en"' in alpha

    # A second run finds nothing left to do.
    assert world.run('') == (([], [], []), ([], [], []))


def test_full_mode_removes_games_items_directories_and_registrations(tmp_path, runner):
    world = standard_world(tmp_path, runner)

    (files_removed, files_added, _), (keys_removed, keys_added, keys_modified) = \
        world.run('uninstallgame')

    gone_dirs = {f'games/{name}' for name in ('Alpha', 'Beta', 'Delta', 'Epsilon')}
    assert {path for path in files_removed
            if not any(path.startswith(d + '/') for d in gone_dirs)} == \
        gone_dirs | {f'{folder}/{name}.lnk' for folder in ('desktop', 'menu')
                     for name in ('Alpha', 'Delta', 'Epsilon')}
    assert files_added == []
    assert (world.root / 'keep' / 'precious.txt').read_text() == 'keep me'

    assert keys_removed == sorted(key(path) for path in (
        r'HKEY_LOCAL_MACHINE\SOFTWARE\Vendor\Alpha',              # first vantoritems item
        r'HKEY_LOCAL_MACHINE\SOFTWARE\Vendor\Alpha\Settings',
        r'HKEY_CURRENT_USER\Software\Vendor\Alpha',               # every appitems item
        r'HKEY_CURRENT_USER\Software\Vendor\Alpha\Saves',
        r'HKEY_CLASSES_ROOT\.alphasave',
        r'HKEY_CLASSES_ROOT\Vendor.AlphaSave',
        r'HKEY_CLASSES_ROOT\Vendor.AlphaSave\shell',
        r'HKEY_CLASSES_ROOT\Vendor.AlphaSave\shell\open',
        r'HKEY_CLASSES_ROOT\Vendor.AlphaSave\shell\open\command',
        PRODUCT + r'\Alpha', PRODUCT + r'\Beta', PRODUCT + r'\Epsilon', PRODUCT + r'\Gamma'))
    assert keys_added == [] and keys_modified == []
    # Delta's registration has a subkey of its own, so it and the product key stay.
    registry = runner.read_registry()
    assert registry.has_key(PRODUCT + r'\Delta\Patches')
    assert registry.has_key(r'HKEY_LOCAL_MACHINE\SOFTWARE\Vendor\AlphaSecond')


def test_full_mode_deletes_the_product_key_once_no_game_is_left(tmp_path, runner):
    world = World(tmp_path, runner)
    for name in ('One', 'Two'):
        directory = world.game_dir(name)
        world.register(name, world.host(directory) + ('\\' if name == 'Two' else ''))
    world.save()

    _, (keys_removed, keys_added, keys_modified) = world.run('UninstallGame')

    assert keys_removed == sorted(key(p) for p in (PRODUCT, PRODUCT + r'\One', PRODUCT + r'\Two'))
    assert keys_added == [] and keys_modified == []
    assert runner.read_registry().value(r'HKEY_LOCAL_MACHINE\SOFTWARE\Orvandel', 'Owner') == \
        'company'
    assert not (world.root / 'games' / 'One').exists()
    assert not (world.root / 'games' / 'Two').exists()
    # Run again: there is no product key, so nothing happens.
    assert world.run('UninstallGame') == (([], [], []), ([], [], []))


def native_only(runner_kind):
    # Drive C: in the scratch tree, $HOME and symbolic links seen as links are features
    # of the POSIX stand-in; Wine shows a Unix link as the directory it points to.
    if runner_kind != 'native':
        pytest.skip('relies on the POSIX stand-in')


def test_a_link_inside_the_install_directory_is_removed_not_followed(tmp_path, runner,
                                                                     runner_kind):
    """Natively both links go as links and the tree with them. Wine 8 reports a Unix link
    to a directory as a reparse point but cannot remove it, so there the tree stays; it
    reports a link to a file as a plain file and deletes its target, so that case is
    native only."""
    world = World(tmp_path, runner)
    directory = world.game_dir('Linked')
    (directory / 'data' / 'to-keep').symlink_to(world.root / 'keep', target_is_directory=True)
    if runner_kind == 'native':
        (directory / 'precious-link.txt').symlink_to(world.root / 'keep' / 'precious.txt')
    world.register('Linked', world.host(directory))
    world.save()

    (files_removed, _, _), _ = world.run('UninstallGame')

    assert (world.root / 'keep' / 'precious.txt').read_text() == 'keep me'
    assert not any(path.startswith('keep') for path in files_removed)
    if runner_kind == 'native':
        assert 'games/Linked' in files_removed


def test_hostile_fixture_deletes_nothing_it_must_not(tmp_path, runner, runner_kind):
    native_only(runner_kind)
    world = World(tmp_path, runner)
    drive = world.root / 'drive' / 'c'
    for folder in ('Windows/System32', 'Program Files/App', 'Program Files (x86)/Vantor',
                   'ProgramData/Shared', 'Users/Public/Documents', 'Games/Title'):
        (drive / folder).mkdir(parents=True)
        (drive / folder / 'file.dat').write_bytes(b'system')
    (world.root / 'home' / 'notes.txt').write_text('mine')
    outside = world.root / 'keep'
    (world.root / 'games' / 'LinkToKeep').symlink_to(outside, target_is_directory=True)
    (world.root / 'linked-parent').symlink_to(outside, target_is_directory=True)
    (world.root / 'games' / 'NotADirectory').write_bytes(b'file')
    (outside / 'Title').mkdir()
    (outside / 'Title' / 'file.dat').write_bytes(b'outside')

    hostile_paths = [
        '', '   ', 'C:', 'C:\\', 'C:/', 'C:\\.', 'C:\\Games\\..', 'C:\\Windows\\..',
        '\\\\?\\C:\\', 'C:\\Windows', 'c:\\windows\\system32', 'C:\\Windows.',
        'C:\\Games\\Title\\..\\..\\Windows', 'C:\\Program Files', 'C:\\Program Files (x86)\\',
        'C:\\ProgramData', 'C:\\Users', 'C:\\Users\\Public', 'C:\\Games\\*', 'C:\\Games\\Title?',
        'Games\\Title', '..\\..', '.', 'C:Games\\Title', '\\\\server\\share',
        '\\\\.\\PhysicalDrive0',
        world.host(world.root / 'home'),                          # the user's home
        world.host(world.root / 'games' / 'LinkToKeep'),          # a link to elsewhere
        world.host(world.root / 'linked-parent' / 'Title'),       # below a link
        world.host(world.root / 'games' / 'NotADirectory'),       # a file
    ]
    for index, path in enumerate(hostile_paths):
        world.register(f'Hostile{index:02}', path)

    # A game whose document names trees it must not delete, and shortcuts that are none.
    hostile_items = [
        ('HKEY_LOCAL_MACHINE', ''), ('HKEY_LOCAL_MACHINE', '\\'), ('HKEY_CLASSES_ROOT', ''),
        ('HKEY_LOCAL_MACHINE', 'SOFTWARE'), ('HKEY_LOCAL_MACHINE', 'SOFTWARE\\\\'),
        ('HKEY_LOCAL_MACHINE', r'SOFTWARE\Microsoft'),
        ('HKEY_LOCAL_MACHINE', r'SOFTWARE\Microsoft\Windows\CurrentVersion\Run'),
        ('HKEY_LOCAL_MACHINE', r'SOFTWARE\Orvandel'), ('HKEY_LOCAL_MACHINE', PRODUCT[19:]),
        ('HKEY_LOCAL_MACHINE', r'SOFTWARE\Vendor\Keep\..\..\Orvandel'),
        ('HKEY_LOCAL_MACHINE', r'SYSTEM\CurrentControlSet'),
        ('HKEY_CURRENT_USER', 'Software'), ('HKEY_CLASSES_ROOT', 'CLSID'),
        ('HKEY_USERS', '.DEFAULT'), ('hkey_local_machine', 'SOFTWARE\\Vendor\\Keep'),
        ('HKEY_CURRENT_CONFIG', 'Software'),
    ]
    document_game = world.game_dir('Documented', shortcut=False, appitems=hostile_items)
    text = (document_game / 'appinstallconfig.xml').read_text()
    text = text.replace('</config>', f'<shortcut desktop="{world.host(outside / "precious.txt")}"'
                        f' startmenu="{world.host(outside)}" />\n</config>')
    (document_game / 'appinstallconfig.xml').write_text(text)
    # Judged after its ".." components are resolved: a legitimate game directory.
    world.register('Documented', world.host(document_game) + '\\..\\..\\games\\Documented')
    world.registry.add_key(r'HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\Tcpip')
    world.registry.add_key(r'HKEY_USERS\.DEFAULT\Software\Vendor')
    world.registry.add_key(r'HKEY_CURRENT_CONFIG\Software\Fonts')
    world.save()

    (files_removed, files_added, files_modified), (keys_removed, keys_added, _) = \
        world.run('UninstallGame')

    # Only the one legitimate game directory goes; its document is rewritten first.
    assert [path for path in files_removed if not path.startswith('games/Documented/')] == \
        ['games/Documented']
    assert files_added == []
    assert (outside / 'precious.txt').read_text() == 'keep me'
    assert (outside / 'Title' / 'file.dat').read_bytes() == b'outside'
    assert (world.root / 'home' / 'notes.txt').read_text() == 'mine'
    for folder in ('Windows/System32', 'Program Files/App', 'ProgramData/Shared',
                   'Users/Public/Documents', 'Games/Title'):
        assert (drive / folder / 'file.dat').read_bytes() == b'system'
    # Only registrations were removed, and the product key once they were gone.
    assert keys_added == []
    assert all(path.startswith(key(PRODUCT)) for path in keys_removed)
    assert key(PRODUCT) in keys_removed
    registry = runner.read_registry()
    for path in (r'HKEY_LOCAL_MACHINE\SOFTWARE\Vendor\Keep',
                 r'HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Run',
                 r'HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\Tcpip',
                 r'HKEY_CLASSES_ROOT\CLSID\{00000000-0000-0000-0000-000000000001}',
                 r'HKEY_CURRENT_USER\Software\Vendor\Keep', r'HKEY_USERS\.DEFAULT\Software\Vendor',
                 r'HKEY_CURRENT_CONFIG\Software\Fonts', r'HKEY_LOCAL_MACHINE\SOFTWARE\Orvandel'):
        assert registry.has_key(path), path


# Whose registry items are -------------------------------------------------------------------

HKLM_SOFTWARE = r'HKEY_LOCAL_MACHINE\SOFTWARE'
UNINSTALL = HKLM_SOFTWARE + r'\Microsoft\Windows\CurrentVersion\Uninstall'
APP_PATHS = HKLM_SOFTWARE + r'\Microsoft\Windows\CurrentVersion\App Paths'
IFEO = HKLM_SOFTWARE + r'\Microsoft\Windows NT\CurrentVersion\Image File Execution Options'
USER_CLASSES = r'HKEY_CURRENT_USER\Software\Classes'


def ownership_rows(game: str) -> list:
    """(listed tree, {key: {value name: value}} it holds, whether it goes). `game` is the
    game's folder as the program sees it; every other path is another program's."""
    def command(program):
        return {'': f'"{program}" "%1"'}
    return [
        # Another owner's, each breaking something that is not the game's.
        (HKLM_SOFTWARE + r'\Khronos',
         {HKLM_SOFTWARE + r'\Khronos\Vulkan\Drivers':
          {'C:\\Windows\\System32\\DriverStore\\FileRepository\\gpu.inf\\gpu-vk64.json': 0},
          HKLM_SOFTWARE + r'\Khronos\OpenCL\Vendors': {'C:\\Windows\\System32\\gpuocl64.dll': 0}},
         False),
        (HKLM_SOFTWARE + r'\Valve',
         {HKLM_SOFTWARE + r'\Valve\Steam': {'InstallPath': 'C:\\Program Files (x86)\\Steam'}},
         False),
        (UNINSTALL + r'\OtherProduct',
         {UNINSTALL + r'\OtherProduct': {'DisplayName': 'Other Product',
                                         'InstallLocation': 'C:\\Program Files\\Other\\',
                                         'UninstallString': '"C:\\Program Files\\Other\\un.exe"'}},
         False),
        (IFEO + r'\victim.exe',
         {IFEO + r'\victim.exe': {'Debugger': 'C:\\Tools\\debugger.exe'}}, False),
        (USER_CLASSES + r'\.txt',
         {USER_CLASSES + r'\.txt': {'': 'txtfile'},
          HKLM_SOFTWARE + r'\Classes\txtfile\shell\open\command':
          {'': '%SystemRoot%\\system32\\NOTEPAD.EXE %1'}},
         False),
        (USER_CLASSES + r'\mailto',
         {USER_CLASSES + r'\mailto': {'': 'URL:MailTo Protocol', 'URL Protocol': ''},
          USER_CLASSES + r'\mailto\shell\open\command':
          {'': '"C:\\Program Files\\Mail\\mail.exe" -compose "%1"'}},
         False),
        (USER_CLASSES + r'\.zip',
         {USER_CLASSES + r'\.zip': {'': 'Archiver.zip'},
          USER_CLASSES + r'\Archiver.zip\shell\open\command':
          command('C:\\Program Files\\Archiver\\archiver.exe')},
         False),
        # The game's own: its container, its Uninstall entry at its folder, its App
        # Paths entry, its file class that opens with its program and the extension.
        (HKLM_SOFTWARE + r'\Studio\Skarn',
         {HKLM_SOFTWARE + r'\Studio\Skarn': {'InstallPath': game, 'Language': 'en'},
          HKLM_SOFTWARE + r'\Studio\Skarn\Settings': {'Volume': 7}},
         True),
        (UNINSTALL + r'\Skarn',
         {UNINSTALL + r'\Skarn': {'DisplayName': 'Skarn', 'InstallLocation': game,
                                  'UninstallString': f'"{game}\\uninstall.exe" /S'}},
         True),
        (APP_PATHS + r'\skarn.exe',
         {APP_PATHS + r'\skarn.exe': {'': f'{game}\\game.exe', 'Path': game}}, True),
        (USER_CLASSES + r'\Studio.SkarnSave',
         {USER_CLASSES + r'\Studio.SkarnSave\shell\open\command': command(f'{game}\\game.exe'),
          USER_CLASSES + r'\Studio.SkarnSave\DefaultIcon': {'': f'{game}\\game.exe,0'}},
         True),
        (USER_CLASSES + r'\.skarnsave',
         {USER_CLASSES + r'\.skarnsave': {'': 'Studio.SkarnSave'}}, True),
        # Trees that name no path: another vendor's licence, another program's
        # settings and another game's stay; the game's own settings in the user's
        # hive go, since the machine's key of the same name names the game's folder.
        (HKLM_SOFTWARE + r'\Other\Licence',
         {HKLM_SOFTWARE + r'\Other\Licence': {'Serial': 'A1B2-C3D4'}}, False),
        (r'HKEY_CURRENT_USER\Software\Editor\Settings',
         {r'HKEY_CURRENT_USER\Software\Editor\Settings': {'Theme': 'dark', 'Zoom': 2}}, False),
        (r'HKEY_CURRENT_USER\Software\Studio\Brann',
         {r'HKEY_CURRENT_USER\Software\Studio\Brann\Settings': {'Volume': 3},
          HKLM_SOFTWARE + r'\Studio\Brann': {'InstallPath': 'C:\\Games\\Brann'}}, False),
        (r'HKEY_CURRENT_USER\Software\Studio\Skarn',
         {r'HKEY_CURRENT_USER\Software\Studio\Skarn\Saves': {'Slot': 1}}, True),
    ]


def test_full_mode_removes_only_the_registry_items_that_are_the_games(tmp_path, runner):
    world = World(tmp_path, runner)
    directory = world.root / 'games' / 'Skarn'
    rows = ownership_rows(world.host(directory))
    items = [(tree.split('\\', 1)[0], tree.split('\\', 1)[1]) for tree, _, _ in rows]
    world.game_dir('Skarn', shortcut=False, appitems=items)
    for _, keys, _ in rows:
        for path, values in keys.items():
            world.registry.add_key(path)
            for name, value in values.items():
                world.registry.set(path, name, value)
    world.register('Skarn', world.host(directory))
    world.save()

    world.run('UninstallGame')

    registry = runner.read_registry()
    assert not directory.exists()
    assert {tree: not registry.has_key(tree) for tree, _, _ in rows} == \
        {tree: goes for tree, _, goes in rows}


LINKER = 'qiv_registry_linker.exe'
STAND_IN_SID = 'S-1-5-21-0-0-0-1000'  # the stand-in's user


def test_a_registry_link_on_the_way_refuses_the_item(tmp_path, runner, runner_kind):
    """The document lists a tree below a link in the game's own key, and a link as a
    tree's last key: the key the first link leads to keeps its subkey, and the second
    link goes as the link, the key it leads to whole."""
    world = World(tmp_path, runner)
    games, other = r'Software\Games\Skarn', r'Software\Other'
    directory = world.game_dir('Skarn', shortcut=False,
                               appitems=[('HKEY_CURRENT_USER', games + r'\L\Sub'),
                                         ('HKEY_CURRENT_USER', games + r'\L2'),
                                         ('HKEY_CURRENT_USER', games + r'\Saves')])
    user = 'HKEY_CURRENT_USER\\'
    world.registry.set(user + games, 'InstallDir', world.host(directory))
    world.registry.set(user + games + r'\Saves', 'Slot', 1)
    for target in ('Key', 'Key2'):
        world.registry.set(user + other + '\\' + target + r'\Sub', 'Keep', 'me')
    world.register('Skarn', world.host(directory))
    world.save()
    links = ((games + r'\L', other + r'\Key'), (games + r'\L2', other + r'\Key2'))
    if runner_kind == 'wine':
        from harness.wine import WINE64
        for link, target in links:
            assert runner.prefix.run([WINE64, str(runner.exe.parent / LINKER), 'make', link,
                                      target]).returncode == 0
    else:
        # The stand-in's registry file holds a link as its target's native path.
        text = world.reg_file.read_bytes()[2:].decode('utf-16-le')
        for link, target in links:
            native = f'\\Registry\\User\\{STAND_IN_SID}\\{target}'.encode('utf-16-le')
            text += (f'[{user}{link}]\r\n"SymbolicLinkValue"=hex(6):' +
                     ','.join(f'{byte:02x}' for byte in native) + '\r\n\r\n')
        world.reg_file.write_bytes(b'\xff\xfe' + text.encode('utf-16-le'))

    world.run('UninstallGame')

    registry = runner.read_registry()
    assert not directory.exists()
    assert not registry.has_key(user + games + r'\Saves')
    for target in ('Key', 'Key2'):
        assert registry.value(user + other + '\\' + target + r'\Sub', 'Keep') == 'me', target
    if runner_kind == 'wine':
        from harness.wine import WINE64

        def is_link(path):
            return runner.prefix.run([WINE64, str(runner.exe.parent / LINKER), 'is-link',
                                      path]).returncode
        assert (is_link(games + r'\L'), is_link(games + r'\L2')) == (0, 2)
    else:
        assert registry.has_key(user + games + r'\L')
        assert not registry.has_key(user + games + r'\L2')


def test_nested_games_lose_their_shortcuts_and_items(tmp_path, runner):
    """A game installed inside another game's folder, listed after it: its document
    is read before the outer folder goes, so its shortcuts and items go too."""
    world = World(tmp_path, runner)
    for name in ('Outer', 'Inner'):
        world.registry.add_key(rf'HKEY_CURRENT_USER\Software\Vendor\{name}\Saves')
    outer = world.game_dir('Outer', appitems=[('HKEY_CURRENT_USER', r'Software\Vendor\Outer')])
    inner = world.game_dir('Outer/Inner',
                           appitems=[('HKEY_CURRENT_USER', r'Software\Vendor\Inner')])
    for name, folder in (('Outer', outer), ('Inner', inner)):
        world.registry.set(rf'HKEY_LOCAL_MACHINE\SOFTWARE\Vendor\{name}', 'InstallDir',
                           world.host(folder))
    world.register('A-Outer', world.host(outer))
    world.register('B-Inner', world.host(inner) + '\\')
    world.save()

    (files_removed, files_added, _), (keys_removed, keys_added, _) = world.run('UninstallGame')

    assert {path for path in files_removed if not path.startswith('games/Outer/')} == \
        {'games/Outer'} | {f'{folder}/{name}.lnk' for folder in ('desktop', 'menu')
                           for name in ('Outer', 'Outer-Inner')}
    assert files_added == [] and keys_added == []
    assert keys_removed == sorted(key(path) for path in (
        r'HKEY_CURRENT_USER\Software\Vendor\Outer', r'HKEY_CURRENT_USER\Software\Vendor\Outer\Saves',
        r'HKEY_CURRENT_USER\Software\Vendor\Inner', r'HKEY_CURRENT_USER\Software\Vendor\Inner\Saves',
        PRODUCT + r'\A-Outer', PRODUCT + r'\B-Inner', PRODUCT))


# The document's rewrite ---------------------------------------------------------------------

@pytest.mark.parametrize('plant', ['hard link beside', 'symbolic link beside',
                                   'symbolic link in place'])
def test_links_planted_in_the_games_folder_do_not_steer_the_rewrite(tmp_path, runner, plant):
    """Whoever can write in the game's folder may plant a link under the name the rewrite
    once wrote first, or put one in the document's place: the file outside keeps its
    bytes, and the document is replaced as an entry, never written through."""
    world = World(tmp_path, runner)
    directory = world.game_dir('Planted')
    document = directory / 'appinstallconfig.xml'
    precious = world.root / 'keep' / 'precious.txt'
    if plant == 'hard link beside':
        os.link(precious, directory / 'appinstallconfig.xml.qivnew')
    elif plant == 'symbolic link beside':
        (directory / 'appinstallconfig.xml.qivnew').symlink_to(precious)
    else:
        text = document.read_text()
        document.unlink()
        (world.root / 'keep' / 'document.xml').write_text(text)
        document.symlink_to(world.root / 'keep' / 'document.xml')
    world.register('Planted', world.host(directory))
    world.save()
    kept = snapshot_files(world.root / 'keep')

    world.run('UninstallGames')

    assert snapshot_files(world.root / 'keep') == kept
    assert not document.is_symlink() and '<shortcut' not in document.read_text()
    assert sorted(p.name for p in directory.iterdir()) == sorted(
        ['appinstallconfig.xml', 'data', 'game.exe'] +
        (['appinstallconfig.xml.qivnew'] if 'beside' in plant else []))
