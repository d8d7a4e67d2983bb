"""Libraries planted beside the program (Wine): the kits start the program elevated
from a temporary folder the user's own programs can write. A DLL put there under a
system library's name must never be loaded, by the program or by the system on its
behalf, whatever the load order, and every command must still do its job.

The marker DLL exports none of the real functions and leaves "<name>.dll.loaded"
beside itself when any process loads it.
"""

import shutil

import pytest

from funnel import FAST, GOAL_PATH, TRACKING_PATH, attribution, events, goal_answer
from harness.wine import BASE_ENVIRONMENT
from test_uninstall_games import PRODUCT, World

MARKER = 'qiv_marker_library.dll'

# System libraries outside the known DLLs that the program, libcurl's TLS, the
# system proxy code, the profile functions or the socket and name services load,
# on Windows or under Wine.
PLANTED = ('bcrypt', 'crypt32', 'userenv', 'winhttp', 'secur32', 'sspicli', 'netapi32',
           'dhcpcsvc', 'dhcpcsvc6', 'iphlpapi', 'dnsapi', 'mswsock', 'winnsi', 'wintrust',
           'msasn1', 'ncrypt', 'rsaenh', 'schannel', 'cryptbase', 'cryptsp', 'cryptnet',
           'profapi', 'ntmarta', 'winmm', 'uxtheme', 'dwmapi', 'mpr', 'rasapi32', 'wkscli',
           'netutils', 'version')
# Wine's own user32 imports version.dll (Windows' does not), so a native-first order
# for it would plant it in every program Wine starts, before the program's first
# instruction: that name keeps Wine's default order in both rows.
WINE_OWN_IMPORTS = ('version',)

ORDERS = {
    # The order Windows uses for a name that is not a known DLL: the program's
    # folder first, then the system's.
    'native-first': ','.join(name for name in PLANTED if name not in WINE_OWN_IMPORTS) + '=n,b',
    'wine-default': None,
}


def overrides(order):
    base = BASE_ENVIRONMENT['WINEDLLOVERRIDES']
    return {'WINEDLLOVERRIDES': base + (';' + ORDERS[order] if ORDERS[order] else '')}


@pytest.fixture
def planted(runner, runner_kind, tmp_path):
    """A copy of the program in a folder with a marker under every planted name."""
    if runner_kind != 'wine':
        pytest.skip('loads Windows libraries')
    folder = tmp_path / 'temp-folder'
    moved = runner.relocated(folder)
    for name in PLANTED:
        shutil.copy2(runner.exe.parent / MARKER, folder / f'{name}.dll')
    return moved, folder


def loaded(folder) -> list:
    return sorted(path.name[:-len('.dll.loaded')] for path in folder.glob('*.dll.loaded'))


# Each command against its services, with what it must have done.

def post_install_event(runner, folder, tmp_path, site, tracking, collector, env):
    site.reply(GOAL_PATH, body=goal_answer(('OF7', 'G77')))
    tracking.default(TRACKING_PATH, body='success=true;')
    ini = tmp_path / 'client' / 'Register.ini'
    ini.parent.mkdir()
    result = runner.run(['PostInstallEvent', 'complete', runner.host_path(ini), 'TX42', 'OF7',
                         'VN3', 'de', 'ska', 'CLK9'], env=env, cwd=folder)
    assert result.has_line('End to post install event...')
    assert [request.path for request in site.requests + tracking.requests] == [GOAL_PATH,
                                                                                TRACKING_PATH]
    assert [event['event'] for event in events(collector)] == ['qiv_installer_finish']
    assert ('trans_id', 'TX42') in attribution(ini)
    return result


def uninstall_software(runner, folder, tmp_path, site, tracking, collector, env):
    client = tmp_path / 'client'
    client.mkdir()
    (client / 'Register.ini').write_text('[registered_from]\r\ntrans_id=TX9\r\n', encoding='ascii')
    result = runner.run(['UninstallSoftware', 'en', '0', runner.host_path(client) + '\\'],
                        env=env, cwd=folder)
    assert result.has_line('End to uninstall software...')
    [event] = events(collector)
    assert event['installer_params']['hoff_transaction_id'] == 'TX9'
    return result


def uninstall_feedback(runner, folder, tmp_path, site, tracking, collector, env):
    result = runner.run(['UninstallSoftwareFeedback', 'en', '2', '5', 'fine'], env=env, cwd=folder)
    assert len(site.requests) == 1, result.debug_lines
    [post] = site.requests
    assert (post.form()['comments'], post.form()['star']) == ('fine', '5')
    return result


def uninstall_games(runner, folder, tmp_path, site, tracking, collector, env):
    world = World(tmp_path, runner)
    game = world.game_dir('Alpha')
    world.register('Alpha', world.host(game), APP_ABBR='al')
    world.save()
    result = runner.run(['UninstallGames', 'UninstallGame'], env={**world.env, **env}, cwd=folder)
    assert result.has_line('End to uninstall games...')
    assert not game.exists()
    assert not runner.read_registry().has_key(PRODUCT)
    return result


def install_software(runner, folder, tmp_path, site, tracking, collector, env):
    result = runner.run(['InstallSoftware', 'x'], env=env, cwd=folder)
    assert result.has_line('End to install software...')
    return result


COMMANDS = [post_install_event, uninstall_software, uninstall_feedback, uninstall_games,
            install_software]


@pytest.mark.parametrize('order', list(ORDERS))
@pytest.mark.parametrize('command', COMMANDS, ids=[command.__name__ for command in COMMANDS])
def test_no_planted_library_is_loaded(planted, tmp_path, site, tracking, collector, order,
                                      command):
    runner, folder = planted
    result = command(runner, folder, tmp_path, site, tracking, collector,
                     {**FAST, **overrides(order)})

    assert result.returncode == 0
    assert result.has_line('Exit main entry...')
    assert loaded(folder) == []
