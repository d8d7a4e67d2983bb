#!/usr/bin/python3
"""The installer's and uninstaller's lifecycle against local stand-ins.

Starts a recording web site (goal API and feedback form, HTTPS), affiliate
tracker (HTTP) and analytics collector (HTTPS) on the loopback ports of the dev
build, runs the program as the installer and uninstaller would in a sandbox
directory, and prints what each service received and what was left on disk.
Then it registers games on the sandbox's drive C: (QIV_DRIVE_ROOT), with folders,
shortcuts, install configuration documents and registry items, one hostile game
among them whose install path is the Windows folder, runs UninstallGames and
UninstallGames UninstallGame, and prints what was there before and what is left.

    cmake --preset dev && cmake --build --preset dev -j2
    scripts/demo.py [--exe build/dev/QivDepends] [--real-pauses]
"""

from __future__ import annotations

import argparse
import json
import pathlib
import sys
import tempfile
import urllib.parse

ROOT = pathlib.Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / 'tests' / 'e2e'))

from harness import NativeRunner, RecordingServer, Registry  # noqa: E402

SITE_PORT, COLLECTOR_PORT, TRACKING_PORT = 47443, 47444, 47080
GOAL_PATH = '/en/api/get-goal-by-reference-id'
STAGES = ['start', 'eula', 'path', 'ready', 'complete']
ATTRIBUTION = ['TX-1001', 'OF-7', 'VN-3', 'de', 'ska', 'CLICK-9']


def goal_answer(goal_id: str) -> str:
    return ('<?xml version="1.0" encoding="UTF-8"?><data><result>success</result><goals>'
            f'<goal><offer_id>OF-1</offer_id><goal_id>1</goal_id></goal>'
            f'<goal><offer_id>OF-7</offer_id><goal_id>{goal_id}</goal_id></goal>'
            '</goals></data>')


def show_requests(name: str, server: RecordingServer) -> None:
    for request in server.requests:
        line = f'  {name:<9} {request.method:<4} {request.path}'
        if request.parts:
            print(line + '  (multipart form)')
            for part in request.parts:
                print(f'              {part.name} = {part.text!r}')
        elif request.path == '/quarn/':
            data = urllib.parse.unquote(request.query[len('data='):], encoding='latin-1')
            print(line + '?data=')
            for key, value in json.loads(data).items():
                print(f'              {key}: {json.dumps(value)}')
        elif request.body:
            print(f'{line}  body: {request.body.decode("utf-8", "replace")}')
        else:
            print(f'{line}?{request.query}')
    server.clear()


# The games part ---------------------------------------------------------------------

PRODUCT = 'HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvandel\\Vantor'
DESKTOP = 'C:\\Users\\Public\\Desktop'
START_MENU = 'C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs'


def items(entries) -> str:
    return ''.join(f'<item rootpath="{root}" path="{path}"/>' for root, path in entries)


def game_document(vantoritems, appitems, desktop, startmenu) -> str:
    return ('<?xml version="1.0" encoding="UTF-8"?>\n<config>\n'
            f'  <registry><vantoritems>{items(vantoritems)}</vantoritems>'
            f'<appitems>{items(appitems)}</appitems></registry>\n'
            f'  <shortcut desktop="{desktop}" startmenu="{startmenu}"/>\n</config>\n')


def add_games(drive: pathlib.Path, registry: Registry) -> None:
    """Skarn, Aldmoor and Skarn2 get folders, shortcuts, documents and registry items;
    "Intruder" names the Windows folder as its install path, a Windows program as its
    shortcut and shared registry keys as its items."""
    def on_drive(path: str) -> pathlib.Path:
        return drive / path[0].lower() / path[3:].replace('\\', '/')

    for name in ('Skarn', 'Aldmoor', 'Skarn2'):
        folder = f'C:\\Games\\{name}'
        studio = f'SOFTWARE\\{name} Studios\\{name}'
        for file in (f'{name}.exe', 'data\\level1.pak', 'saves\\slot1.sav'):
            on_drive(f'{folder}\\{file}').parent.mkdir(parents=True, exist_ok=True)
            on_drive(f'{folder}\\{file}').write_bytes(b'demo')
        desktop, menu = f'{DESKTOP}\\{name}.lnk', f'{START_MENU}\\{name}.lnk'
        for shortcut in (desktop, menu):
            on_drive(shortcut).parent.mkdir(parents=True, exist_ok=True)
            on_drive(shortcut).write_bytes(b'L\0\0\0')
        on_drive(f'{folder}\\appinstallconfig.xml').write_text(game_document(
            [('HKEY_LOCAL_MACHINE', studio)],
            [('HKEY_CURRENT_USER', f'Software\\{name} Studios\\{name}'),
             ('HKEY_CLASSES_ROOT', f'.{name.lower()}save'), ('HKEY_CLASSES_ROOT', f'{name}.Save')],
            desktop, menu), encoding='utf-8')
        registry.add_key(f'HKEY_LOCAL_MACHINE\\{studio}\\Settings')
        # The game's own key names its folder: that, not the absence of other paths, is
        # what lets its trees, and their twin in the user's hive, go.
        registry.set(f'HKEY_LOCAL_MACHINE\\{studio}', 'InstallDir', folder)
        registry.add_key(f'HKEY_CURRENT_USER\\Software\\{name} Studios\\{name}\\Saves')
        registry.set(f'HKEY_CLASSES_ROOT\\.{name.lower()}save', '', f'{name}.Save')
        # The file class opens with the game's program, so it is the game's to remove.
        registry.set(f'HKEY_CLASSES_ROOT\\{name}.Save\\shell\\open\\command', '',
                     f'"{folder}\\{name}.exe" "%1"')

    windows = 'C:\\Windows'
    for file in ('explorer.exe', 'System32\\kernel32.dll'):
        on_drive(f'{windows}\\{file}').parent.mkdir(parents=True, exist_ok=True)
        on_drive(f'{windows}\\{file}').write_bytes(b'system')
    on_drive(f'{windows}\\appinstallconfig.xml').write_text(game_document(
        [('HKEY_LOCAL_MACHINE', 'SOFTWARE'),
         ('HKEY_LOCAL_MACHINE', 'SOFTWARE\\Microsoft\\Windows')],
        [('HKEY_CLASSES_ROOT', '.exe')], f'{windows}\\explorer.exe',
        f'{windows}\\System32\\kernel32.dll'), encoding='utf-8')
    registry.add_key('HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion')
    registry.set('HKEY_CLASSES_ROOT\\.exe', '', 'exefile')
    registry.set(f'{PRODUCT}\\Intruder', 'INSTALL_PATH', windows)
    registry.set(f'{PRODUCT}\\Intruder', 'APP_ABBR', 'int')


def drive_files(drive: pathlib.Path) -> list:
    return sorted(f'{path.relative_to(drive).parts[0].upper()}:\\' +
                  '\\'.join(path.relative_to(drive).parts[1:])
                  for path in drive.rglob('*') if path.is_file())


def state(drive: pathlib.Path, runner) -> tuple:
    return drive_files(drive), sorted(runner.read_registry().keys(), key=str.lower)


def show_state(title: str, files: list, keys: list) -> None:
    print(f'\n--- {title}: {len(files)} files, {len(keys)} registry keys')
    for path in files:
        print(f'  file      {path}')
    for key in keys:
        print(f'  key       {key}')


def show_change(before: tuple, after: tuple) -> None:
    for label, old, new in (('file', before[0], after[0]), ('key', before[1], after[1])):
        gone = [entry for entry in old if entry not in new]
        for entry in gone:
            print(f'  removed   {label:<5} {entry}')
        if not gone:
            print(f'  removed   {label:<5} (none)')


def games_part(runner, sandbox: pathlib.Path, registry: Registry, env: dict) -> None:
    drive = sandbox / 'drive'
    env = dict(env, QIV_DRIVE_ROOT=str(drive))
    add_games(drive, registry)
    registry.save(sandbox / 'registry.reg')
    print(f'\n=== Uninstalling games: drive C: is {drive / "c"}')
    before = state(drive, runner)
    show_state('before', *before)
    for args in (['UninstallGames'], ['UninstallGames', 'UninstallGame']):
        start = state(drive, runner)
        run(runner, args, env, [])
        show_change(start, state(drive, runner))
    after = state(drive, runner)
    show_state('left after both runs', *after)
    print('  (Intruder: its install path is the Windows folder, its shortcut a program and its')
    print('   items shared keys, so nothing of it was deleted; only its registration went.)')


def run(runner, args, env, services) -> None:
    print('\n$ QivDepends ' + ' '.join(a if a and ' ' not in a else repr(a) for a in args))
    result = runner.run(args, env=env)
    for line in result.debug_lines:
        print(f'  debug     {line}')
    print(f'  exit      {result.returncode}')
    for name, server in services:
        show_requests(name, server)


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--exe', default=str(ROOT / 'build' / 'dev' / 'QivDepends'))
    parser.add_argument('--real-pauses', action='store_true',
                        help='keep the one-second pause after each tracking request')
    options = parser.parse_args()
    env = {} if options.real_pauses else {'QIV_SLEEP_SCALE': '0.001'}

    with tempfile.TemporaryDirectory(prefix='qiv-demo-') as temporary, \
            RecordingServer('https', SITE_PORT) as site, \
            RecordingServer('https', COLLECTOR_PORT) as collector, \
            RecordingServer('http', TRACKING_PORT) as tracking:
        sandbox = pathlib.Path(temporary)
        client = sandbox / 'Vantor'
        client.mkdir()
        product = 'HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvandel\\Vantor'
        registry = Registry()
        for name, abbreviation in [('Skarn', 'ska'), ('Aldmoor', 'ald'), ('Skarn2', 'ska')]:
            registry.set(f'{product}\\{name}', 'APP_ABBR', abbreviation)
            registry.set(f'{product}\\{name}', 'INSTALL_PATH', f'C:\\Games\\{name}')
        registry.set('HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Cryptography', 'MachineGuid',
                     '4c1d2e3f-0000-4000-8000-00000000d3m0')
        registry.save(sandbox / 'registry.reg')
        runner = NativeRunner(options.exe).relocated(sandbox / 'bin')
        runner.load_registry(sandbox / 'registry.reg')
        (sandbox / 'bin' / 'version.ini').write_text('[versioninfo]\nbuild=V3.1.0.2048\n')
        services = [('site', site), ('tracking', tracking), ('collector', collector)]

        print(f'sandbox: {sandbox} (program, version.ini and registry file inside)')
        print('site answers every goal lookup with goals for offers OF-1 and OF-7;')
        print('tracker confirms with "success=true;" on the second attempt of each stage.')
        for index, stage in enumerate(STAGES):
            site.reply(GOAL_PATH, body=goal_answer(str(200 + index)))
            tracking.reply('/aff_goal', body='busy')
            tracking.reply('/aff_goal', body='success=true;')
            run(runner, ['PostInstallEvent', stage, str(client / 'Register.ini')] + ATTRIBUTION,
                env, services)

        print(f'\n--- {client / "Register.ini"} after "complete":')
        print((client / 'Register.ini').read_text(encoding='utf-8', errors='replace').rstrip())

        run(runner, ['UninstallSoftware', 'de', '0', str(client) + '/'], env, services)
        run(runner, ['UninstallSoftwareFeedback', 'de', '2,5', '3', 'Zu langsam'], env,
            services)
        games_part(runner, sandbox, registry, env)
    return 0


if __name__ == '__main__':
    sys.exit(main())
