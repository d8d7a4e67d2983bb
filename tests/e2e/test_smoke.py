"""One ordinary run of each command, the way the installer and uninstaller start
them. Small and quick on purpose: scripts/valgrind-e2e.sh runs exactly these
under Valgrind memcheck (-k smoke), where every start costs seconds."""

import pytest

from funnel import GOAL_PATH, TRACKING_PATH, attribution, events, goal_answer
from harness import Registry

PRODUCT = 'HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvandel\\Vantor'
# Valgrind runs the program several times slower: time-outs of 6 s (3 s to
# connect, TLS handshake included) and pauses of 1 ms.
SMOKE = {'QIV_HTTP_TIMEOUT_SCALE': '0.05', 'QIV_SLEEP_SCALE': '0.001'}
BUDGET = 120


def run(runner, args, **kwargs):
    result = runner.run(args, env={**SMOKE, **kwargs.pop('env', {})}, timeout=BUDGET, **kwargs)
    assert result.returncode == 0, result.stderr
    return result


def test_smoke_without_a_command(runner):
    assert run(runner, []).debug_lines == []


def test_smoke_install_software(runner):
    result = run(runner, ['InstallSoftware', 'x'])
    assert result.debug_lines == ['Enter into main entry...', 'Start to install software...',
                                  'End to install software...', 'Exit main entry...']


def test_smoke_uninstall_games(runner, tmp_path):
    game = tmp_path / 'games' / 'Alpha'
    game.mkdir(parents=True)
    shortcut = tmp_path / 'Alpha.lnk'
    shortcut.write_bytes(b'L')
    (game / 'appinstallconfig.xml').write_text(
        '<config><registry><appitems><item rootpath="HKEY_CURRENT_USER" '
        'path="Software\\Vendor\\Alpha"/></appitems></registry>'
        f'<shortcut desktop="{runner.host_path(shortcut)}"/></config>')
    registry = Registry()
    registry.set(PRODUCT + '\\Alpha', 'INSTALL_PATH', runner.host_path(game))
    registry.set('HKEY_CURRENT_USER\\Software\\Vendor\\Alpha\\Saves', 'slot', '1')
    registry.shell_folders(desktop=runner.host_path(tmp_path))
    # The machine's key of the same name names the game's folder: the settings are its.
    registry.set('HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\Alpha', 'InstallDir',
                 runner.host_path(game))
    registry.save(tmp_path / 'registry.reg')
    runner.load_registry(tmp_path / 'registry.reg')

    run(runner, ['UninstallGames', 'UninstallGame'])
    assert not game.exists() and not shortcut.exists()
    gone = ('hkey_current_user\\software\\vendor\\alpha', PRODUCT.lower())
    assert not [key for key in runner.read_registry().keys() if key.lower().startswith(gone)]


def test_smoke_uninstall_software(runner, collector, tmp_path):
    (tmp_path / 'Register.ini').write_text('[registered_from]\r\ntrans_id=TX\r\n')
    registry = Registry()
    registry.set(PRODUCT + '\\Alpha', 'APP_ABBR', 'al')
    registry.save(tmp_path / 'registry.reg')
    runner.load_registry(tmp_path / 'registry.reg')

    run(runner, ['UninstallSoftware', 'en', '0', runner.host_path(tmp_path) + '\\'])
    [event] = events(collector)
    assert (event['game_list'], event['installer_params']['hoff_transaction_id']) == (
        '["al"]', 'TX')


def test_smoke_uninstall_feedback(runner, site):
    run(runner, ['UninstallSoftwareFeedback', 'en', '1,2', '5', 'caf\u00e9'])
    [post] = site.requests
    assert post.form()['comments'] == 'caf\u00e9'


@pytest.mark.parametrize('goal_api', ['answers', 'fails'])
def test_smoke_post_install_event(runner, runner_kind, site, tracking, collector, tmp_path,
                                  goal_api):
    if goal_api == 'answers':
        site.default(GOAL_PATH, body=goal_answer(('OF', 'G1')))
    elif runner_kind == 'native':
        site.default(GOAL_PATH, hang=True)  # the time-out, shortened by SMOKE
    else:
        # The Windows build waits its full 120 s for a silent server; a failing answer
        # takes the same path after the lookup without the wait.
        site.default(GOAL_PATH, status=500)
    tracking.default(TRACKING_PATH, body='success=true;')
    ini = tmp_path / 'Register.ini'

    run(runner, ['PostInstallEvent', 'complete', runner.host_path(ini), 'TX', 'OF', 'VN', 'en',
                 'ska', 'CLK'])
    assert len(tracking.requests) == (1 if goal_api == 'answers' else 0)
    assert [event['event'] for event in events(collector)] == ['qiv_installer_finish']
    assert dict(attribution(ini))['trans_id'] == 'TX'
