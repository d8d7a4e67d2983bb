"""The NSIS example of examples/nsis/ as a real client: makensis builds the installer
with the Windows program in it, and the silent installer and uninstaller run under
Wine against the recording services, with games registered by a registry fixture.
Two Wine runs in all: one install, one uninstall."""

from __future__ import annotations

import os
import pathlib
import shutil
import subprocess

import pytest

from funnel import (ATTRIBUTION_KEYS, FEEDBACK_PATH, GOAL_PATH, TRACKING_PATH, attribution,
                    events, goal_answer, read_ini)
from harness import Registry

KIT = pathlib.Path(__file__).resolve().parents[2] / 'examples' / 'nsis'
PRODUCT = r'HKEY_LOCAL_MACHINE\SOFTWARE\Orvandel\Vantor'
CLIENT_UNINSTALL_KEY = r'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\QivClient'
BUILD = 'V3.0.0.77'
ATTRIBUTED = {'trans_id': 'TX-1001', 'offer_id': 'OF-7', 'vendor_id': 'VN-3', 'region': 'de',
              'game_abbr': 'ska', 'gclid': 'CLICK-9'}
FUNNEL = [('start', 'qiv_installer_start'), ('eula', 'qiv_installer_eula'),
          ('path', 'qiv_installer_select_path'), ('ready', 'qiv_installer_ready'),
          ('complete', 'qiv_installer_finish')]
# Wine shows OutputDebugString messages on its standard error on this channel (cut
# when long): the run's diagnostics, printed for the log.
DEBUG_STRINGS = {'WINEDEBUG': '-all,warn+seh'}


def build_kit(tmp_path, exe) -> pathlib.Path:
    makensis = shutil.which('makensis')
    assert makensis, 'makensis is missing (Debian package nsis)'
    version_ini = tmp_path / 'version.ini'
    version_ini.write_text(f'[versioninfo]\r\nbuild={BUILD}\r\n')
    setup = tmp_path / 'QivClientSetup.exe'
    # -WX: the example a client copies builds without warnings.
    subprocess.run([makensis, '-V2', '-WX', f'-DQIV_EXE={exe}',
                    f'-DQIV_VERSION_INI={version_ini}', f'-DOUTFILE={setup}',
                    str(KIT / 'QivClient.nsi')], check=True, cwd=tmp_path)
    return setup


def games_world(tmp_path, runner) -> dict:
    """Two games with shortcuts, registry items and folders; keys of others beside them."""
    world = {'shortcuts': [], 'folders': []}
    registry = Registry()
    registry.add_key(r'HKEY_LOCAL_MACHINE\SOFTWARE\Vendor\Keep')
    for name, abbr in (('Alpha Game', 'ald'), ('Skarn', 'ska')):
        folder = tmp_path / 'Games' / name
        (folder / 'data').mkdir(parents=True)
        (folder / 'data' / 'level.pak').write_bytes(b'pak')
        shortcuts = [tmp_path / 'Desktop' / f'{name}.lnk', tmp_path / 'Menu' / f'{name}.lnk']
        for shortcut in shortcuts:
            shortcut.parent.mkdir(exist_ok=True)
            shortcut.write_bytes(b'L\0\0\0')
        settings = rf'SOFTWARE\Vendor\{name}'
        registry.add_key(rf'HKEY_LOCAL_MACHINE\{settings}\Settings')
        (folder / 'appinstallconfig.xml').write_text(
            '<?xml version="1.0" encoding="UTF-8"?>\n<config>'
            f'<registry><vantoritems><item rootpath="HKEY_LOCAL_MACHINE" path="{settings}"/>'
            '</vantoritems><appitems/></registry>'
            f'<shortcut desktop="{runner.host_path(shortcuts[0])}" '
            f'startmenu="{runner.host_path(shortcuts[1])}"/></config>\n', encoding='utf-8')
        registry.set(rf'{PRODUCT}\{name}', 'INSTALL_PATH', runner.host_path(folder))
        registry.set(rf'{PRODUCT}\{name}', 'APP_ABBR', abbr)
        world['shortcuts'] += shortcuts
        world['folders'].append(folder)
    registry.save(tmp_path / 'games.reg')
    runner.load_registry(tmp_path / 'games.reg')
    return world


def run_in_prefix(runner, scratch, program, arguments: str) -> subprocess.CompletedProcess:
    """Runs PROGRAM with the command line ARGUMENTS exactly as written (NSIS wants /D=
    unquoted, blanks and all), from a batch file, which waits for the program."""
    batch = scratch / f'run-{program.stem}.cmd'
    batch.write_text(f'@"{runner.host_path(program)}" {arguments}\r\n', encoding='cp1252')
    runner.prefix.note_registry_change()  # the installer registers itself
    completed = runner.prefix.run(['wine', 'cmd', '/c', runner.host_path(batch)],
                                  env=DEBUG_STRINGS, cwd=program.parent, timeout=600)
    # An NSIS uninstaller copies itself to the temporary folder and returns at once;
    # the prefix's server ends once every program in it has.
    subprocess.run(['wineserver', '-w'], env=runner.prefix.environment(), timeout=600,
                   check=False)
    return completed


def debug_lines(completed) -> list:
    text = completed.stderr.decode('utf-8', errors='replace')
    return [line.split('OutputDebugStringA ', 1)[1] for line in text.splitlines()
            if 'OutputDebugStringA ' in line]


def test_silent_install_and_uninstall_drive_every_command(tmp_path, runner, runner_kind, site,
                                                         tracking, collector):
    if runner_kind != 'wine':
        pytest.skip('NSIS installers are Windows programs')
    setup = build_kit(tmp_path, runner.exe)
    world = games_world(tmp_path, runner)
    client = tmp_path / 'Program Files' / 'Qiv Client'
    site.default(GOAL_PATH, body=goal_answer(('OF-1', 'G-1'), ('OF-7', 'G-77')))
    tracking.default(TRACKING_PATH, body='success=true;')

    a = ATTRIBUTED
    installed = run_in_prefix(
        runner, tmp_path, setup, f'/S /TRANSACTION={a["trans_id"]} /OFFER={a["offer_id"]} '
        f'/VENDOR={a["vendor_id"]} /REGION={a["region"]} /GAME={a["game_abbr"]} '
        f'/GCLID={a["gclid"]} /D={runner.host_path(client)}')
    print('install, debug lines:', *debug_lines(installed), sep='\n  ')
    assert installed.returncode == 0

    # Every stage: goal lookup, conversion, funnel event, in the order of the stages.
    assert [r.body for r in site.requests] == [
        f'refer_id=qivinstall{stage}'.encode() for stage, _ in FUNNEL]
    assert [r.query_pairs() for r in tracking.requests] == [
        [('a', 'lsr'), ('goal_id', 'G-77'), ('transaction_id', 'TX-1001')]] * 5
    funnel = events(collector)
    print('install, events:', *funnel, sep='\n  ')
    assert [e['event'] for e in funnel] == [name for _, name in FUNNEL]
    assert {(e['installer_game'], e['qiv_ver'], e['qiv_language']) for e in funnel} == {
        ('ska', BUILD, 'de')}
    # Register.ini holds the program's ten keys and nothing of the installer's.
    assert [name for name, _ in read_ini(client / 'Register.ini')] == ['registered_from']
    assert attribution(client / 'Register.ini') == [
        (key, ATTRIBUTED.get(key, '0')) for key in ATTRIBUTION_KEYS]
    assert sorted(p.name for p in client.iterdir()) == [
        'QivDepends.exe', 'Register.ini', 'uninstall.exe', 'version.ini']

    for server in (site, tracking, collector):
        server.clear()
    # (The uninstaller's copy runs detached, so its programs' debug lines are not seen.)
    run_in_prefix(runner, tmp_path, client / 'uninstall.exe',
                  '/S /LANG=de /FACTORS=2,5 /STAR=3 /COMMENTS="Zu langsam"')

    [feedback] = site.requests
    assert feedback.path == FEEDBACK_PATH
    form = feedback.form()
    assert {k: form[k] for k in ('lang', 'factors', 'star', 'comments', 'mailType')} == {
        'lang': 'de', 'factors': '2,5', 'star': '3', 'comments': 'Zu langsam',
        'mailType': 'qiv_uninstall'}
    [uninstall] = events(collector)
    print('uninstall, event:', uninstall, sep='\n  ')
    assert uninstall['event'] == 'qiv_uninstall_start'
    assert uninstall['qiv_language'] == 'de'
    assert uninstall['game_list'] == '["ald","ska"]'
    assert uninstall['installer_params'] == {
        'gclid': 'CLICK-9', 'hoff_transaction_id': 'TX-1001', 'hoff_vendor_id': 'VN-3',
        'hoff_offer_id': 'OF-7'}
    assert not tracking.requests

    # The games are gone with their shortcuts, settings and registrations; so is the client.
    assert [p for p in world['shortcuts'] + world['folders'] if os.path.lexists(p)] == []
    left = {key.lower() for key in runner.read_registry().keys()}
    assert not [key for key in left if 'vantor' in key or 'alpha' in key or 'skarn' in key], left
    assert r'hkey_local_machine\software\vendor\keep' in left
    assert not client.exists()
    assert runner.prefix.reg('query', CLIENT_UNINSTALL_KEY, '/reg:32') != 0
