"""UninstallSoftware: the uninstaller's report of the stored attribution and the
registered games to the local analytics collector."""

import pytest

from funnel import FAST, events
from harness import Registry

PRODUCT_KEY = 'HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvandel\\Vantor'
GAMES_LINE = 'VantorDepends_UninstallSoftware::Uninstall Games path:'


def register_ini(directory, **values):
    directory.mkdir(parents=True, exist_ok=True)
    lines = ['[registered_from]'] + [f'{key}={value}' for key, value in values.items()]
    path = directory / 'Register.ini'
    path.write_text('\r\n'.join(lines) + '\r\n', encoding='ascii')
    return path


def with_games(runner, tmp_path, abbreviations):
    """A product key with one game subkey per entry; None stands for a game
    without an abbreviation."""
    registry = Registry().add_key(PRODUCT_KEY)
    for index, abbreviation in enumerate(abbreviations):
        key = f'{PRODUCT_KEY}\\Game{index}'
        registry.set(key, 'INSTALL_PATH', f'C:\\Games\\Game{index}')
        if abbreviation is not None:
            registry.set(key, 'APP_ABBR', abbreviation)
    registry.save(tmp_path / 'games.reg')
    runner.load_registry(tmp_path / 'games.reg')


def directory_arg(runner, directory):
    # The uninstaller passes the directory with its trailing separator.
    return runner.host_path(directory) + '\\'


def uninstall(runner, language, flag, directory):
    return runner.run(['UninstallSoftware', language, flag, directory], env=FAST)


def test_reports_what_the_last_install_stage_stored(runner, site, tracking, collector,
                                                    tmp_path):
    with_games(runner, tmp_path, ['b', 'a', 'b', None, 'B'])
    client = tmp_path / 'client'
    client.mkdir()
    installed = runner.run(['PostInstallEvent', 'complete',
                            runner.host_path(client / 'Register.ini'), 'TX42', 'OF7', 'VN3',
                            'de', 'ska', 'CLK9'], env=FAST)
    assert installed.returncode == 0
    collector.clear()

    directory = directory_arg(runner, client)
    result = uninstall(runner, 'fr', '0', directory)

    assert result.returncode == 0
    [event] = events(collector)
    assert event['event'] == 'qiv_uninstall_start'
    assert event['qiv_language'] == 'fr'
    assert event['qiv_last_game'] == 'xnb'
    # Sorted by code unit (capitals first), duplicates merged, the game without
    # an abbreviation left out.
    assert event['game_list'] == '["B","a","b"]'
    assert event['installer_params'] == {'gclid': 'CLK9', 'hoff_transaction_id': 'TX42',
                                         'hoff_vendor_id': 'VN3', 'hoff_offer_id': 'OF7'}
    assert list(event)[-2:] == ['game_list', 'installer_params']
    assert 'ska' not in event and 'installer_game' not in event
    assert result.lines_containing(GAMES_LINE) == [GAMES_LINE + directory]


@pytest.mark.parametrize('flag, listed', [('1', False), ('', False), ('0', True),
                                          ('yes', True), ('01', True)])
def test_games_flag_decides_whether_games_are_listed(runner, collector, tmp_path, flag,
                                                      listed):
    with_games(runner, tmp_path, ['cd', 'ab'])
    client = tmp_path / 'client'
    register_ini(client, trans_id='T', offer_id='O', vendor_id='V')
    directory = directory_arg(runner, client)
    result = uninstall(runner, 'en', flag, directory)

    assert result.returncode == 0
    [event] = events(collector)
    assert event.get('game_list') == ('["ab","cd"]' if listed else None)
    assert result.lines_containing(GAMES_LINE) == ([GAMES_LINE + directory] if listed else [])
    assert event['installer_params']['hoff_offer_id'] == 'O'


def test_missing_product_key_gives_an_empty_game_list(runner, collector, tmp_path):
    Registry().add_key('HKEY_LOCAL_MACHINE\\SOFTWARE\\Other').save(tmp_path / 'empty.reg')
    runner.load_registry(tmp_path / 'empty.reg')
    result = uninstall(runner, 'en', '0', directory_arg(runner, tmp_path / 'nowhere'))

    assert result.returncode == 0
    [event] = events(collector)
    assert event['game_list'] == ''
    assert event['installer_params'] == {'gclid': '', 'hoff_transaction_id': '',
                                         'hoff_vendor_id': '', 'hoff_offer_id': ''}


def test_directory_without_separator_names_a_sibling_file(runner, collector, tmp_path):
    register_ini(tmp_path / 'Client', trans_id='inside')
    sibling = tmp_path / 'ClientRegister.ini'
    sibling.write_text('[registered_from]\r\ntrans_id=beside\r\n', encoding='ascii')
    result = uninstall(runner, 'en', '1', runner.host_path(tmp_path / 'Client'))

    assert result.returncode == 0
    assert events(collector)[0]['installer_params']['hoff_transaction_id'] == 'beside'


def test_attribution_values_are_cut_to_their_buffers(runner, collector, tmp_path):
    client = tmp_path / 'client'
    register_ini(client, trans_id='t' * 300, vendor_id='v' * 255, offer_id='')
    result = uninstall(runner, 'en', '1', directory_arg(runner, client))

    assert result.returncode == 0
    params = events(collector)[0]['installer_params']
    assert (params['hoff_transaction_id'], params['hoff_vendor_id']) == ('t' * 255, 'v' * 255)


def test_file_without_the_section_still_sends_the_event(runner, collector, tmp_path):
    client = tmp_path / 'client'
    client.mkdir()
    (client / 'Register.ini').write_text('[other]\r\ntrans_id=x\r\n', encoding='ascii')
    result = uninstall(runner, 'en', '1', directory_arg(runner, client))

    assert result.returncode == 0
    [event] = events(collector)
    assert event['event'] == 'qiv_uninstall_start'
    assert event['installer_params']['hoff_transaction_id'] == ''


def test_language_alone_reads_the_file_from_the_windows_directory(
        runner, runner_kind, collector, tmp_path):
    if runner_kind != 'native':
        pytest.skip('places the file in the stand-in Windows directory')
    windows = tmp_path / 'windows'
    register_ini(windows, vendor_id='from-windows-dir')
    result = runner.run(['UninstallSoftware', 'en'],
                        env={**FAST, 'QIV_WINDOWS_DIR': str(windows)})

    assert result.returncode == 0
    [event] = events(collector)
    assert event['installer_params']['hoff_vendor_id'] == 'from-windows-dir'
    assert 'game_list' not in event


def test_collector_down_exits_zero(runner, tmp_path):
    with_games(runner, tmp_path, ['ab'])
    result = uninstall(runner, 'en', '0', directory_arg(runner, tmp_path))

    assert result.returncode == 0
    assert result.has_line('End to uninstall software...')


def test_utf8_code_page_keeps_text_of_three_byte_characters(runner, runner_kind, collector,
                                                              tmp_path):
    if runner_kind != 'native':
        pytest.skip("the stand-in's code page setting")
    client = tmp_path / 'client'
    client.mkdir()
    result = runner.run(['UninstallSoftware', '中文字', '1', directory_arg(runner, client)],
                        env={**FAST, 'QIV_ACP': 'UTF-8'})

    assert result.returncode == 0
    [event] = events(collector)
    # The event goes out as UTF-8; events() reads its bytes as Latin-1.
    assert event['qiv_language'] == '中文字'.encode('utf-8').decode('latin-1')
