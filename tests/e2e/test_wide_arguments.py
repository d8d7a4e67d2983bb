"""Arguments arrive as the installer wrote them, whatever the ANSI code page: a
client folder the user named in any script, and feedback the user typed. The Windows
program takes its command line as UTF-16 and the Linux build as UTF-8; under Wine
the code page is 1252, which holds none of these letters."""

import pytest

from funnel import FAST, GOAL_PATH, attribution, events, goal_answer

SCRIPTS = {
    'cyrillic': ('Игры', 'Очень медленно, но красиво'),
    'cjk': ('游戏 ゲーム', '太慢了，但是很好看'),
    'greek': ('Παιχνίδια', 'Πολύ αργό, αλλά όμορφο'),
}


@pytest.mark.parametrize('script', list(SCRIPTS))
def test_register_ini_in_a_client_folder_of_any_script(runner, site, tracking, collector,
                                                       tmp_path, script):
    client = tmp_path / SCRIPTS[script][0] / 'Vantor'
    client.mkdir(parents=True)
    site.reply(GOAL_PATH, body=goal_answer())
    installed = runner.run(['PostInstallEvent', 'complete',
                            runner.host_path(client / 'Register.ini'), 'TX42', 'OF7', 'VN3',
                            'de', 'ska', 'CLK9'], env=FAST)
    assert installed.returncode == 0
    assert ('trans_id', 'TX42') in attribution(client / 'Register.ini')
    collector.clear()

    removed = runner.run(['UninstallSoftware', 'en', '0', runner.host_path(client) + '\\'],
                         env=FAST)

    assert removed.returncode == 0
    [event] = events(collector)
    assert event['installer_params'] == {'gclid': 'CLK9', 'hoff_transaction_id': 'TX42',
                                         'hoff_vendor_id': 'VN3', 'hoff_offer_id': 'OF7'}


@pytest.mark.parametrize('script', list(SCRIPTS))
def test_feedback_in_any_script_reaches_the_site_as_typed(runner, site, script):
    comment = SCRIPTS[script][1] + ' \u20ac \U0001F600'
    result = runner.run(['UninstallSoftwareFeedback', 'ru', '1,3', '5', comment])

    assert result.returncode == 0
    [post] = site.requests
    parts = {part.name: part.value for part in post.parts}
    # The program's own encoder writes each half of a surrogate pair on its own.
    emoji = '\U0001F600'.encode('utf-16-le')
    halves = b''.join(chr(int.from_bytes(emoji[i:i + 2], 'little')).encode('utf-8', 'surrogatepass')
                      for i in (0, 2))
    assert parts['comments'] == (SCRIPTS[script][1] + ' \u20ac ').encode('utf-8') + halves
    assert (parts['lang'], parts['factors']) == (b'ru', b'1,3')
