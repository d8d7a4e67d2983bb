"""UninstallGames in shortcut mode with shortcut files in many places: a listed `.lnk` or
`.url` file goes only directly in the user's or the common Desktop, in a Start Menu or
below it, or in the game's folder, judged by the folder it lies in (an alias of the common
desktop is that desktop; a folder called Desktop elsewhere is not). The user's and the
common shell folders are where the registry's "User Shell Folders" say, on both builds.
"""

from __future__ import annotations

import os
import pathlib

from harness import Registry

PRODUCT = r'HKEY_LOCAL_MACHINE\SOFTWARE\Orvandel\Vantor'
COMMON = r'HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders'

# (row, where the file is, the folder the document names instead or None, deleted)
ROWS = [
    ("the user's desktop", 'desktop/Game.lnk', None, True),
    ('the common desktop', 'public/Desktop/Game.lnk', None, True),
    ('the common desktop through a link to it', 'public/Desktop/Other.lnk', 'alias/Desktop', True),
    ('a start menu subfolder', 'menu/Programs/Vendor/Game.lnk', None, True),
    ("the game's folder", 'games/G4/Help.url', None, True),
    ("another profile's desktop", 'profiles/Other/Desktop/Game.lnk', None, False),
    ('a folder elsewhere', 'elsewhere/Game.lnk', None, False),
    ('a folder called Desktop below the common one', 'public/Desktop/x/Desktop/Game.lnk', None,
     False),
]


def test_shortcut_files_go_only_where_shortcuts_live(runner, tmp_path):
    for _, file, _, _ in ROWS:
        (tmp_path / file).parent.mkdir(parents=True, exist_ok=True)
        (tmp_path / file).write_bytes(b'L\0\0\0')
    os.symlink(tmp_path / 'public', tmp_path / 'alias')
    registry = Registry().shell_folders(runner.host_path(tmp_path / 'desktop'),
                                        runner.host_path(tmp_path / 'menu'))
    registry.set(COMMON, 'Common Desktop', runner.host_path(tmp_path / 'public' / 'Desktop'))
    # Two rows per game, as desktop and start-menu shortcut of its document.
    for index in range(0, len(ROWS), 2):
        game = tmp_path / 'games' / f'G{index}'
        game.mkdir(parents=True, exist_ok=True)
        named = []
        for _, file, alias, _ in ROWS[index:index + 2]:
            path = tmp_path / file
            if alias is not None:
                path = tmp_path / alias / path.name
            named.append(runner.host_path(path))
        (game / 'appinstallconfig.xml').write_text(
            f'<config><shortcut desktop="{named[0]}" startmenu="{named[1]}"/></config>')
        registry.set(f'{PRODUCT}\\G{index}', 'INSTALL_PATH', runner.host_path(game))
    registry.save(tmp_path / 'shortcuts.reg')
    runner.load_registry(tmp_path / 'shortcuts.reg')

    result = runner.run(['UninstallGames'], timeout=120)
    assert result.returncode == 0
    outcome = {row: not (tmp_path / file).exists() for row, file, _, _ in ROWS}
    assert outcome == {row: deleted for row, _, _, deleted in ROWS}
    # Every document was rewritten without its shortcut element.
    for document in pathlib.Path(tmp_path / 'games').glob('*/appinstallconfig.xml'):
        assert 'shortcut' not in document.read_text()
