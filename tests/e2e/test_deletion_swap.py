"""UninstallGames in full mode while a second process tries to swap a folder: once
the deletion of a game has begun, it renames the install directory (or the folder
above it) away and moves another tree with the same names, every file a canary,
into its place. The program holds those folders open from its check until the shell returns,
so the swap must fail and the real game be deleted (or, if the swap gets through,
nothing be deleted by the new name); every canary survives.

Wine only: the POSIX stand-in cannot refuse a rename (a unit test covers the
comparison that notices one there).
"""

from __future__ import annotations

import subprocess

import pytest

from harness import Registry

PRODUCT = r'HKEY_LOCAL_MACHINE\SOFTWARE\Orvandel\Vantor'
SWAPPER = 'qiv_folder_swapper.exe'
FOLDERS = [f's{index}' for index in range(10)]
FILES_PER_FOLDER = 100  # enough for the deletion to take a while under Wine
GAME, CANARY = b'game', b'keep me'


def make_tree(title, content):
    for folder in FOLDERS:
        (title / folder).mkdir(parents=True)
        for index in range(FILES_PER_FOLDER):
            (title / folder / f'f{index:03d}.dat').write_bytes(content)


def files_holding(root, content) -> int:
    return sum(1 for path in root.rglob('*.dat') if path.read_bytes() == content)


@pytest.mark.parametrize('swapped', ['install directory', 'folder above it'])
def test_a_folder_cannot_be_swapped_during_the_deletion(runner, runner_kind, tmp_path, swapped):
    if runner_kind != 'wine':
        pytest.skip('renames of held folders are refused by Windows only')
    from harness.wine import WINE64
    title = tmp_path / 'games' / 'Outer' / 'Title'
    make_tree(title, GAME)
    (title / 'appinstallconfig.xml').write_text('<config/>')
    # The other tree has the game's very names, so a deletion that goes on by name
    # after a swap would reach its files.
    decoy_root = tmp_path / 'decoy'
    make_tree(decoy_root / 'Title', CANARY)
    if swapped == 'install directory':
        folder, decoy = title, decoy_root / 'Title'
    else:
        folder, decoy = title.parent, decoy_root
    signals = [runner.host_path(title / name / 'f000.dat') for name in FOLDERS]

    Registry().set(PRODUCT + r'\Title', 'INSTALL_PATH', runner.host_path(title)) \
        .save(tmp_path / 'swap.reg')
    runner.load_registry(tmp_path / 'swap.reg')
    runner.prefix.ensure()
    swapper = runner.exe.parent / SWAPPER
    with open(tmp_path / 'swapper.out', 'wb') as out:
        process = subprocess.Popen(
            [WINE64, str(swapper), runner.host_path(folder), runner.host_path(decoy), *signals],
            env=runner.prefix.environment(), stdin=subprocess.DEVNULL, stdout=out,
            stderr=subprocess.DEVNULL)
        try:
            result = runner.run(['UninstallGames', 'UninstallGame'], timeout=300)
            process.wait(timeout=300)
        finally:
            if process.poll() is None:
                process.kill()
    report = (tmp_path / 'swapper.out').read_text().strip()
    print('swapper:', report)

    assert result.returncode == 0
    # Wherever the other tree is now (a late swap moves it in), all of it is there,
    # and wherever the real game is, nothing of it is left.
    assert files_holding(tmp_path, CANARY) == len(FOLDERS) * FILES_PER_FOLDER, \
        f'deleted through the swapped name ({report})'
    assert files_holding(tmp_path, GAME) == 0
    assert report.startswith('refused') or report.startswith('swapped'), report
