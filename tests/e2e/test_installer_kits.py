"""The example installers of examples/ (NSIS, Inno Setup and MSI, installer_kits.py) as
real clients: each kit's compiler builds its installer with the Windows program in it,
and the silent installer and uninstaller run under Wine against the services, with
games registered by a registry fixture; one scenario for every kit. Three
networks: working (the recording services), refusing (nothing listens) and silent
(the services take the request and never answer; the program's own time-outs stay,
so a wait for it would show as minutes). Each run times every stage of the install
(from Wine's process trace) and the whole uninstall, and prints them."""

from __future__ import annotations

import contextlib
import os
import pathlib
import re
import subprocess
import time

import pytest

from faults import faulty_service, healthy_service
from funnel import (ATTRIBUTION_KEYS, FEEDBACK_PATH, GOAL_PATH, TRACKING_PATH, attribution,
                    events, goal_answer, read_ini)
from harness import Registry
from installer_kits import BUILD, KITS, RUN_TIMEOUT

PRODUCT = r'HKEY_LOCAL_MACHINE\SOFTWARE\Orvandel\Vantor'
ATTRIBUTED = {'trans_id': 'TX-1001', 'offer_id': 'OF-7', 'vendor_id': 'VN-3', 'region': 'de',
              'game_abbr': 'ska', 'gclid': 'CLICK-9'}
FUNNEL = [('start', 'qiv_installer_start'), ('eula', 'qiv_installer_eula'),
          ('path', 'qiv_installer_select_path'), ('ready', 'qiv_installer_ready'),
          ('complete', 'qiv_installer_finish')]
# Wine shows OutputDebugString messages on its standard error on this channel (cut
# when long): the run's diagnostics, printed for the log. The process channel with
# time stamps shows when each program was started, which times the stages.
TRACE = {'WINEDEBUG': '-all,warn+seh,+timestamp,+process'}
# (Wine cuts a long command line, adding "....)
STARTED = re.compile(r'^(\d+\.\d+):[0-9a-f]+:trace:process:CreateProcessInternalW app .*? '
                     r'cmdline L"(.*)"(?:\.\.\.)?$')
NETWORKS = ['working', 'refusing', 'silent']
# What the wizard may spend on a stage besides its own work, what the whole silent
# install may take (one that waited for the network would take minutes), and what the
# uninstaller may add to its time on a working network, whatever the network does.
PAGE_BUDGET = 1.0
INSTALL_BUDGET = 10.0
UNINSTALL_EXTRA_BUDGET = 15.0


@pytest.fixture(scope='module', params=KITS, ids=lambda kit: kit.name)
def kit(request, tmp_path_factory):
    """(the kit, its installer around the program under test), built once for the
    kit's runs, which run in the kit's session (Inno Setup's: a virtual display)."""
    exe = request.config.getoption('--exe')
    if not exe or request.config.getoption('--runner') != 'wine':
        pytest.skip('the installers are Windows programs')
    from harness.wine import WinePrefix
    exe = pathlib.Path(exe).resolve()
    prefix = WinePrefix(os.environ.get('QIV_WINEPREFIX') or exe.parent / 'wineprefix')
    prefix.ensure()
    setup = request.param.build(tmp_path_factory.mktemp(f'kit-{request.param.name}'), exe, prefix)
    with request.param.session(prefix):
        yield request.param, setup


def games_world(tmp_path, runner) -> dict:
    """Two games with shortcuts, registry items and folders; keys of others beside them."""
    world = {'shortcuts': [], 'folders': []}
    registry = Registry().shell_folders(runner.host_path(tmp_path / 'Desktop'),
                                        runner.host_path(tmp_path / 'Menu'))
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
        # The game's product key names its folder: the settings are the game's.
        registry.set(rf'HKEY_LOCAL_MACHINE\{settings}', 'InstallDir', runner.host_path(folder))
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


@contextlib.contextmanager
def network(kind: str):
    """The site, the tracking service and the collector on their ports: answering,
    refusing connections, or reading each request and never answering."""
    with contextlib.ExitStack() as stack:
        services = {}
        for name in ('site', 'tracking', 'collector'):
            if kind == 'working':
                services[name] = stack.enter_context(healthy_service(name))
            else:
                fault = 'refused' if kind == 'refusing' else 'hang'
                services[name] = stack.enter_context(faulty_service(name, fault))
        yield services


def run_batch(runner, scratch, name: str, command: str) -> subprocess.CompletedProcess:
    """Runs COMMAND exactly as written (NSIS wants /D= unquoted, blanks and all; Inno
    Setup wants /DIR= quoted) from a batch file, which waits for the program, then
    starts a small program whose start marks the end in the trace."""
    batch = scratch / f'run-{name}.cmd'
    batch.write_text(f'@{command}\r\n@hostname.exe >nul\r\n', encoding='cp1252')
    runner.prefix.note_registry_change()  # the installer registers itself
    return runner.prefix.run(['wine', 'cmd', '/c', runner.host_path(batch)], env=TRACE,
                             cwd=scratch, timeout=RUN_TIMEOUT)


def settle(runner) -> None:
    """Waits for every program in the prefix, those left running in the background too."""
    subprocess.run(['wineserver', '-w'], env=runner.prefix.environment(), timeout=RUN_TIMEOUT,
                   check=False)


def started(completed) -> list:
    """(time in seconds, command line) of every program started during the run."""
    text = completed.stderr.decode('utf-8', errors='replace')
    return [(float(m.group(1)), m.group(2).replace('\\"', '"').replace('\\\\', '\\'))
            for m in map(STARTED.match, text.splitlines()) if m]


def debug_lines(completed) -> list:
    text = completed.stderr.decode('utf-8', errors='replace')
    return [line.split('OutputDebugStringA ', 1)[1] for line in text.splitlines()
            if 'OutputDebugStringA ' in line]


def program_of(command: str) -> pathlib.PureWindowsPath:
    return pathlib.PureWindowsPath(command.split('"')[1] if command.startswith('"')
                                   else command.split(' ')[0])


def stage_times(completed, started_as: str) -> dict:
    """How long the installer stayed at each stage: from the start of its report to the
    next report, or to the installer's end; 'install' is the whole run (from the start
    of the setup program, not of the copy an Inno setup runs)."""
    marks = []
    for moment, command in started(completed):
        stage = re.search(r' PostInstallEvent "(\w+)"', command)
        if stage:
            marks.append((stage.group(1), moment))
        elif program_of(command).name.lower() == started_as.lower() and not marks:
            marks.append(('begin', moment))
        elif 'hostname.exe' in command:
            marks.append(('end', moment))
    names = [name for name, _ in marks]
    assert names[0] == 'begin' and names[-1] == 'end', names
    times = {name: round(later - moment, 2)
             for (name, moment), (_, later) in zip(marks[1:-1], marks[2:])}
    times['install'] = round(marks[-1][1] - marks[0][1], 2)
    return times


def prefix_processes(runner) -> list:
    """Names of the live processes of the runner's prefix (Wine names each after its
    program, cut to 15 characters)."""
    mine = f'WINEPREFIX={runner.prefix.path}'.encode()
    names = []
    for entry in pathlib.Path('/proc').iterdir():
        try:
            if not entry.name.isdigit():
                continue
            if mine not in (entry / 'environ').read_bytes().split(b'\0'):
                continue
            if (entry / 'stat').read_text().rsplit(')', 1)[1].split()[0] != 'Z':
                names.append((entry / 'comm').read_text().strip())
        except OSError:
            continue
    return names


def uninstall(runner, kit, scratch, client, values: dict) -> float:
    """Runs the uninstaller and returns the seconds until it has ended (for an NSIS or
    Inno Setup uninstaller, the copy in the temporary folder that it runs from); the
    programs it left running in the background do not count."""
    begin = time.monotonic()
    completed = run_batch(runner, scratch, 'uninstall', kit.uninstall_command(runner, client, values))
    if not kit.uninstaller_copy:
        return round(time.monotonic() - begin, 2)
    programs = [program_of(command) for _, command in started(completed)]
    copies = [program.name[:15] for program in programs if kit.is_uninstaller_copy(program)]
    assert copies, 'the uninstaller started no copy of itself'
    deadline = begin + RUN_TIMEOUT
    while copies[0] in prefix_processes(runner):
        assert time.monotonic() < deadline, 'the uninstaller never ended'
        time.sleep(0.1)
    return round(time.monotonic() - begin, 2)


def temporary_files(runner, kit) -> set:
    """What the temporary folders of the prefix hold, but what the installer system
    itself leaves for the next restart (kit.own_leftover)."""
    found = set()
    for path in runner.prefix.path.glob('drive_c/users/*/Temp/**/*'):
        if not kit.own_leftover(path):
            found.add(str(path.relative_to(runner.prefix.path)))
    return found


# Per kit, per network: the figures of the last run.
TIMINGS: dict = {}


@pytest.fixture(scope='module', autouse=True)
def figures():
    """The kits' figures side by side once the runs are done (pytest -s shows them)."""
    yield
    print('\nseconds: kit, network, slowest page, whole install, uninstall')
    for kit_name, networks in TIMINGS.items():
        for kind, timings in networks.items():
            print(f'  {kit_name:10} {kind:9} {max(timings[stage] for stage, _ in FUNNEL):5} '
                  f'{timings["install"]:6} {timings["uninstall"]:6}')


@pytest.mark.parametrize('kind', NETWORKS)
def test_silent_install_and_uninstall_drive_every_command(tmp_path, kit, runner, kind):
    kit, setup_program = kit
    timed = TIMINGS.setdefault(kit.name, {})
    world = games_world(tmp_path, runner)
    client = tmp_path / 'Program Files' / 'Qiv Client'
    temporary_before = temporary_files(runner, kit)
    with network(kind) as services:
        site, tracking, collector = (services[name] for name in ('site', 'tracking', 'collector'))
        if kind == 'working':
            site.default(GOAL_PATH, body=goal_answer(('OF-1', 'G-1'), ('OF-7', 'G-77')))
            tracking.default(TRACKING_PATH, body='success=true;')

        a = ATTRIBUTED
        installed = run_batch(
            runner, tmp_path, 'install', kit.install_command(
                runner, setup_program,
                {'TRANSACTION': a['trans_id'], 'OFFER': a['offer_id'], 'VENDOR': a['vendor_id'],
                 'REGION': a['region'], 'GAME': a['game_abbr'], 'GCLID': a['gclid']},
                runner.host_path(client)))
        assert installed.returncode == 0
        timings = stage_times(installed, kit.started_as)
        if kind != 'silent':
            settle(runner)  # the reports finish in the background
        else:
            # Each stage reached the site once; the reports wait there.
            site.wait_for_requests(len(FUNNEL), timeout=120)
        print(f'{kit.name}, {kind} network, install debug lines:', *debug_lines(installed),
              sep='\n  ')

        # Every stage once: goal lookup, conversion, funnel event (side by side, so in
        # any order).
        if kind != 'refusing':
            assert sorted(r.body for r in site.requests) == sorted(
                f'refer_id=qivinstall{stage}'.encode() for stage, _ in FUNNEL)
        if kind == 'working':
            assert [r.query_pairs() for r in tracking.requests] == [
                [('a', 'lsr'), ('goal_id', 'G-77'), ('transaction_id', 'TX-1001')]] * 5
            funnel = events(collector)
            print('install, events:', *funnel, sep='\n  ')
            assert sorted(e['event'] for e in funnel) == sorted(name for _, name in FUNNEL)
            assert {(e['installer_game'], e['qiv_ver'], e['qiv_language']) for e in funnel} == {
                ('ska', BUILD, 'de')}
        if kind != 'silent':
            # Register.ini holds the program's ten keys and nothing of the installer's.
            assert [name for name, _ in read_ini(client / 'Register.ini')] == ['registered_from']
            assert attribution(client / 'Register.ini') == [
                (key, ATTRIBUTED.get(key, '0')) for key in ATTRIBUTION_KEYS]
            assert sorted(p.name for p in client.iterdir()) == kit.client_files

        if kind == 'working':
            for server in services.values():
                server.clear()
        site_before = len(site.requests)
        timings['uninstall'] = uninstall(
            runner, kit, tmp_path, client,
            {'LANG': 'de', 'FACTORS': '2,5', 'STAR': '3', 'COMMENTS': 'Zu langsam'})
        timed[kind] = timings
        print(f'{kit.name}, {kind} network, seconds:', timings)
        if kind == 'silent':
            site.wait_for_requests(site_before + 1, timeout=60)
            collector.wait_for_requests(1, timeout=60)
            left_running = [name for name in prefix_processes(runner) if name == 'QivDepends.exe']
            staying = [path for path in sorted(temporary_files(runner, kit) - temporary_before)
                       if (runner.prefix.path / path).is_file()] + [
                str(path) for path in client.rglob('*') if path.is_file()]
            print(f'{kit.name}, silent network, {len(left_running)} programs still running; '
                  'left until the next restart:', *staying, sep='\n  ')
            # Only program files that still run stay: the client's, run by the last
            # install report, and the uninstaller's copies (besides the installer
            # system's own copy of the uninstaller).
            assert {pathlib.PurePath(path).name for path in staying
                    if not kit.in_own_folder(path)} == {'QivDepends.exe'}, staying
            runner.prefix.restart()
        else:
            settle(runner)

        if kind != 'refusing':
            [feedback] = site.requests[site_before:]
            assert feedback.path == FEEDBACK_PATH
            form = feedback.form()
            assert {k: form[k] for k in ('lang', 'factors', 'star', 'comments', 'mailType')} == {
                'lang': 'de', 'factors': '2,5', 'star': '3', 'comments': 'Zu langsam',
                'mailType': 'qiv_uninstall'}
            [uninstalled] = events(collector)
            print('uninstall, event:', uninstalled, sep='\n  ')
            assert uninstalled['event'] == 'qiv_uninstall_start'
            assert uninstalled['qiv_language'] == 'de'
            # Read before the games went.
            assert uninstalled['game_list'] == '["ald","ska"]'
        if kind == 'working':
            assert uninstalled['installer_params'] == {
                'gclid': 'CLICK-9', 'hoff_transaction_id': 'TX-1001', 'hoff_vendor_id': 'VN-3',
                'hoff_offer_id': 'OF-7'}
            assert not tracking.requests

    # The games are gone with their shortcuts, settings and registrations; so is the
    # client, and nothing is left in the temporary folder.
    assert [p for p in world['shortcuts'] + world['folders'] if os.path.lexists(p)] == []
    left = {key.lower() for key in runner.read_registry().keys()}
    assert not [key for key in left if 'vantor' in key or 'alpha' in key or 'skarn' in key], left
    assert r'hkey_local_machine\software\vendor\keep' in left
    assert not client.exists()
    assert runner.prefix.reg('query', kit.uninstall_key, '/reg:32') != 0
    assert temporary_files(runner, kit) - temporary_before == set()

    # No stage keeps the wizard waiting, nor the install, and the uninstaller's wait for
    # the network is bounded.
    assert max(timings[stage] for stage, _ in FUNNEL) <= PAGE_BUDGET, timings
    assert timings['install'] <= INSTALL_BUDGET, timings
    if kind != 'working' and 'working' in timed:
        assert timings['uninstall'] <= timed['working']['uninstall'] + UNINSTALL_EXTRA_BUDGET
