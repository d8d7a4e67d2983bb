"""Fault injection, file side: a missing, unreadable, malformed or huge registry
file, Register.ini, version.ini and install configuration document; files that
cannot be deleted; a read-only directory. Every run exits 0, logs the driver's
lines, keeps what it must keep and deletes nothing it must not.

The program runs without root's power over files (faults.unprivileged), so the
modes set here hold as they would for the installer's user."""

import pathlib

import pytest

from faults import QUICK, driver_lines, unprivileged
from funnel import events
from harness import Registry

PRODUCT = 'HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvandel\\Vantor'
MACHINE_ID = 'HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Cryptography'
DEFAULT_BUILD = 'V3.0.0.999999'
HUGE_BYTES = 12 * 1024 * 1024
JUNK = bytes(range(256)) * 64


@pytest.fixture(autouse=True)
def native_only(runner_kind):
    if runner_kind != 'native':
        pytest.skip('file modes and the stand-in registry file are POSIX matters')


@pytest.fixture
def user(runner):
    return unprivileged(runner)


def make_state(path: pathlib.Path, state: str, good: bytes):
    """Puts `path` into one of the states: missing, unreadable, directory,
    malformed, huge (the good content after ~12 MiB of other lines) or good."""
    path.parent.mkdir(parents=True, exist_ok=True)
    if state == 'missing':
        return
    if state == 'directory':
        path.mkdir()
        return
    if state == 'malformed':
        path.write_bytes(JUNK + b'\r\n[\x00\xff=\r\n=\r\n' + JUNK)
        return
    if state == 'huge':
        filler = b'; filler line that nothing reads, repeated to make the file large\r\n'
        path.write_bytes(filler * (HUGE_BYTES // len(filler)) + good)
        return
    path.write_bytes(good)
    if state == 'unreadable':
        path.chmod(0)


def run(runner, args, **kwargs):
    result = runner.run(args, env={**QUICK, **kwargs.pop('env', {})}, timeout=120, **kwargs)
    assert result.returncode == 0, result.stderr
    assert result.debug_lines[0] == 'Enter into main entry...', result.debug_lines
    assert result.debug_lines[-1] == 'Exit main entry...', result.debug_lines
    return result


def tree(root: pathlib.Path) -> dict:
    """Every file and directory below root with its bytes (None for directories)."""
    found = {}
    for path in sorted(root.rglob('*')):
        relative = str(path.relative_to(root))
        if path.is_symlink() or path.is_file():
            try:
                found[relative] = path.read_bytes()
            except PermissionError:
                found[relative] = 'unreadable'
        else:
            found[relative] = None
    return found


# Registry file -------------------------------------------------------------------

REGISTRY_STATES = ['missing', 'unreadable', 'directory', 'malformed', 'huge', 'good']


def registry_bytes(game_dir) -> bytes:
    registry = Registry()
    registry.set(MACHINE_ID, 'MachineGuid', 'guid-1')
    registry.set(PRODUCT + '\\Alpha', 'INSTALL_PATH', str(game_dir))
    registry.set(PRODUCT + '\\Alpha', 'APP_ABBR', 'al')
    return registry.dumps().encode('utf-8')


@pytest.mark.parametrize('state', REGISTRY_STATES)
def test_registry_file_states(user, collector, tmp_path, state):
    game = tmp_path / 'games' / 'Alpha'
    game.mkdir(parents=True)
    (game / 'data.pak').write_bytes(b'pak')
    reg = tmp_path / 'registry.reg'
    good = registry_bytes(user.host_path(game))
    if state == 'huge':
        # A registry that knows many other programs' keys, with the game's at the end.
        others = ''.join(f'[HKEY_CURRENT_USER\\Software\\Other\\Program{index}]\r\n'
                         f'"Setting"="value {index}"\r\n\r\n' for index in range(200000))
        reg.write_bytes(good.replace(b'\r\n\r\n', ('\r\n\r\n' + others).encode(), 1))
    else:
        make_state(reg, state, good)
    env = {'QIV_REGISTRY_FILE': str(reg)}
    before = reg.read_bytes() if reg.is_file() else None

    result = run(user, ['UninstallSoftware', 'en', 'yes', user.host_path(tmp_path) + '\\'],
                 env=env)
    [event] = events(collector)
    readable = state in ('huge', 'good')
    assert event['game_list'] == ('["al"]' if readable else '')
    assert event['device_id'] == ('guid-1' if readable else '')
    assert result.has_line('VantorDepends_UninstallSoftware::Uninstall Games path:'
                           + user.host_path(tmp_path) + '\\')

    # Shortcut mode changes nothing here; the file stays as it was (or absent).
    run(user, ['UninstallGames'], env=env)
    assert (reg.read_bytes() if reg.is_file() else None) == before
    assert (game / 'data.pak').exists()
    assert reg.exists() == (state != 'missing')


def test_registry_file_that_cannot_be_rewritten(user, tmp_path):
    # Full mode in a read-only directory: the game's files go, its registration
    # cannot, and the registry file is left whole.
    game = tmp_path / 'games' / 'Alpha'
    game.mkdir(parents=True)
    (game / 'data.pak').write_bytes(b'pak')
    folder = tmp_path / 'registry'
    folder.mkdir()
    reg = folder / 'registry.reg'
    reg.write_bytes(registry_bytes(user.host_path(game)))
    before = reg.read_bytes()
    folder.chmod(0o555)
    try:
        result = run(user, ['UninstallGames', 'UninstallGame'], env={'QIV_REGISTRY_FILE': str(reg)})
    finally:
        folder.chmod(0o755)
    assert driver_lines(result, 'Start to uninstall games...', 'End to uninstall games...')[1:3] \
        == ['Start to uninstall games...', 'End to uninstall games...']
    assert not game.exists()
    assert reg.read_bytes() == before
    assert sorted(p.name for p in folder.iterdir()) == ['registry.reg']  # no temporary left


# Register.ini ----------------------------------------------------------------------

ATTRIBUTION = b'[registered_from]\r\ntrans_id=TX\r\noffer_id=OF\r\nvendor_id=VN\r\n'


@pytest.mark.parametrize('state', ['missing', 'unreadable', 'directory', 'malformed', 'huge',
                                   'good'])
def test_register_ini_read_by_the_uninstaller(user, collector, tmp_path, state):
    make_state(tmp_path / 'client' / 'Register.ini', state, ATTRIBUTION)
    run(user, ['UninstallSoftware', 'en', '1', user.host_path(tmp_path / 'client') + '\\'])
    [event] = events(collector)
    params = event['installer_params']
    expected = ('TX', 'OF', 'VN') if state in ('huge', 'good') else ('', '', '')
    assert (params['hoff_transaction_id'], params['hoff_offer_id'],
            params['hoff_vendor_id']) == expected


OTHER_CONTENT = b'; written by the client\r\n[launcher]\r\nlast=2024-01-01\r\n'


@pytest.mark.parametrize('state', ['missing', 'unreadable', 'directory', 'malformed', 'huge',
                                   'read-only file', 'read-only directory', 'no directory'])
def test_register_ini_written_by_the_last_install_stage(user, site, tracking, collector,
                                                        tmp_path, state):
    client = tmp_path / 'client'
    ini = client / 'Register.ini'
    if state == 'no directory':
        ini = tmp_path / 'absent' / 'Register.ini'
    elif state.startswith('read-only'):
        client.mkdir()
        ini.write_bytes(OTHER_CONTENT)
        (ini if state == 'read-only file' else client).chmod(0o444 if state.endswith('file')
                                                            else 0o555)
    else:
        make_state(ini, state, OTHER_CONTENT)
    before = tree(tmp_path)
    try:
        result = run(user, ['PostInstallEvent', 'complete', user.host_path(ini), 'TX', 'OF', 'VN',
                            'de', 'ska', 'CLK'])
    finally:
        client.chmod(0o755) if client.exists() else None
    assert result.has_line('qiv_installer_finish')
    assert len(events(collector)) == 1  # the event goes whatever the file does

    writable = state in ('missing', 'malformed', 'huge')
    after = tree(tmp_path)
    if not writable:
        assert after == before
        return
    content = ini.read_bytes()
    assert b'[registered_from]trans_id=TXoffer_id=OF' in unbroken(content)
    # Nothing that was in the file is lost (line ends may be made uniform).
    kept = {'missing': b'', 'malformed': JUNK, 'huge': OTHER_CONTENT}[state]
    assert unbroken(kept) in unbroken(content)
    assert len(content) >= len(before.get('client/Register.ini') or b'')


def unbroken(data: bytes) -> bytes:
    return data.replace(b'\r', b'').replace(b'\n', b'')


# version.ini ------------------------------------------------------------------------

@pytest.mark.parametrize('state, build', [
    ('missing', DEFAULT_BUILD), ('unreadable', DEFAULT_BUILD), ('directory', DEFAULT_BUILD),
    ('malformed', DEFAULT_BUILD), ('huge', 'V3.1.0.77'), ('good', 'V3.1.0.77'),
    ('too long', 'V' + '1234567890' * 3)])
def test_version_ini_states(user, collector, tmp_path, state, build):
    beside = user.relocated(tmp_path / 'bin')
    version = tmp_path / 'bin' / 'version.ini'
    if state == 'too long':
        version.write_bytes(b'[versioninfo]\r\nbuild=V' + b'1234567890' * 4 + b'\r\n')
    else:
        make_state(version, state, b'[versioninfo]\r\nbuild=V3.1.0.77\r\n')
    run(beside, ['UninstallSoftware', 'en'])
    [event] = events(collector)
    assert event['qiv_ver'] == build


# Install configuration documents ---------------------------------------------------

def game_world(tmp_path, user, document_state):
    """One registered game whose document lists two shortcuts, in the given state."""
    game = tmp_path / 'games' / 'Alpha'
    (game / 'data').mkdir(parents=True)
    (game / 'data' / 'level.pak').write_bytes(b'pak')
    shortcuts = [tmp_path / 'desktop' / 'Alpha.lnk', tmp_path / 'menu' / 'Alpha.lnk']
    for shortcut in shortcuts:
        shortcut.parent.mkdir(parents=True, exist_ok=True)
        shortcut.write_bytes(b'L\0\0\0')
    good = ('<?xml version="1.0" encoding="UTF-8"?>\n<config><registry><appitems/></registry>'
            f'<shortcut desktop="{user.host_path(shortcuts[0])}" '
            f'startmenu="{user.host_path(shortcuts[1])}"/></config>\n').encode()
    document = game / 'appinstallconfig.xml'
    if document_state == 'deep':
        document.write_bytes(b'<a>' * 100000 + good)
    elif document_state == 'huge':
        document.write_bytes(good.replace(b'</config>', b'<pad>' + b'x' * (5 << 20) + b'</pad>'
                                          b'</config>'))
    else:
        make_state(document, document_state, good)
    reg = tmp_path / 'registry.reg'
    Registry().set(PRODUCT + '\\Alpha', 'INSTALL_PATH', user.host_path(game)) \
        .shell_folders(user.host_path(tmp_path / 'desktop'), user.host_path(tmp_path / 'menu')) \
        .save(reg)
    user.load_registry(reg)
    return game, document, shortcuts


def registered(tmp_path) -> bool:
    keys = Registry.load(tmp_path / 'registry.reg').keys()
    return any(key.lower().startswith(PRODUCT.lower()) for key in keys)


@pytest.mark.parametrize('state', ['missing', 'unreadable', 'directory', 'malformed', 'deep',
                                   'huge', 'good'])
def test_install_configuration_document_states(user, tmp_path, state):
    game, document, shortcuts = game_world(tmp_path, user, state)
    before = tree(tmp_path / 'games')

    run(user, ['UninstallGames'])
    read = state == 'good'
    assert [shortcut.exists() for shortcut in shortcuts] == [not read, not read]
    after = tree(tmp_path / 'games')
    if read:
        assert b'<shortcut' not in document.read_bytes()
        assert b'<registry>' in document.read_bytes()
    else:
        assert after == before  # an unreadable document is never rewritten

    # Full mode deletes the game whatever its document is.
    run(user, ['UninstallGames', 'UninstallGame'])
    assert not game.exists()
    assert not registered(tmp_path)


def test_shortcuts_that_cannot_be_deleted(user, tmp_path):
    game, document, shortcuts = game_world(tmp_path, user, 'good')
    locked = shortcuts[0].parent
    locked.chmod(0o555)
    try:
        run(user, ['UninstallGames'])
    finally:
        locked.chmod(0o755)
    assert shortcuts[0].exists() and not shortcuts[1].exists()
    # As for any failed deletion, the document no longer lists the shortcuts.
    assert b'<shortcut' not in document.read_bytes()


def test_read_only_game_directory(user, tmp_path):
    game, document, shortcuts = game_world(tmp_path, user, 'good')
    game.chmod(0o555)
    try:
        run(user, ['UninstallGames'])
        # The shortcuts go; the document cannot be replaced and keeps listing them,
        # so that a later run tries again.
        assert not any(shortcut.exists() for shortcut in shortcuts)
        assert b'<shortcut' in document.read_bytes()
        assert sorted(p.name for p in game.iterdir()) == ['appinstallconfig.xml', 'data']

        run(user, ['UninstallGames', 'UninstallGame'])
        # Whatever the shell could not delete stays; the registration goes.
        assert document.exists() and (game / 'data').exists()
        assert not registered(tmp_path)
    finally:
        game.chmod(0o755)


def test_install_directory_partly_undeletable(user, tmp_path):
    game, document, shortcuts = game_world(tmp_path, user, 'good')
    (game / 'data').chmod(0o555)
    try:
        run(user, ['UninstallGames', 'UninstallGame'])
        assert (game / 'data' / 'level.pak').exists()
        assert not document.exists()
        assert not registered(tmp_path)
    finally:
        (game / 'data').chmod(0o755)
