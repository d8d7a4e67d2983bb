"""Arguments arrive as the installer wrote them, whatever the ANSI code page: a
client folder the user named in any script, and feedback the user typed. The Windows
program takes its command line as UTF-16 and the Linux build as UTF-8; under Wine
the code page is 1252, which holds none of these letters."""

import pytest

from funnel import FAST, GOAL_PATH, attribution, events, goal_answer
from harness.wine import WINE64, host_path

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


# Command lines after the command word, byte for byte, and the four arguments the
# feedback form then carries; None: whatever the narrow runtime splits.
COMMAND_LINES = [
    ('plain', 'en 1 5 fine', ['en', '1', '5', 'fine']),
    ('quoted blanks', '"e n" "1 2" 5 "so so"', ['e n', '1 2', '5', 'so so']),
    ('empty arguments', '"" "" "" ""', ['', '', '', '']),
    ('tabs', 'en\t1\t"5\t4"  \t "a\tb"', ['en', '1', '5\t4', 'a\tb']),
    ('escaped quote', 'en \\"1 "a \\"b\\" c" d', ['en', '"1', 'a "b" c', 'd']),
    ('backslashes', 'C:\\a\\ b\\\\ "c\\\\" "d\\\\\\"e"', ['C:\\a\\', 'b\\\\', 'c\\', 'd\\"e']),
    ('quotes inside', 'a"b c"d e f g', ['ab cd', 'e', 'f', 'g']),
    ('doubled quotes', '"a""b" "" c "d""" e', None),
    ('unclosed quote', 'en 1 5 "no end\t here', ['en', '1', '5', 'no end\t here']),
]


@pytest.mark.parametrize('tail, expected', [row[1:] for row in COMMAND_LINES],
                         ids=[row[0] for row in COMMAND_LINES])
def test_command_lines_split_as_the_narrow_runtime_splits_them(runner, runner_kind, site,
                                                               tmp_path, tail, expected):
    if runner_kind != 'wine':
        pytest.skip("the Windows runtime's command-line parser")
    line = tmp_path / 'line.txt'
    line.write_text('UninstallSoftwareFeedback ' + tail, encoding='utf-8')
    start = runner.exe.parent / 'qiv_raw_command_line.exe'
    narrow = runner.prefix.run(
        [WINE64, host_path(start), host_path(line), host_path(runner.exe.parent / 'qiv_narrow_arguments.exe')],
        env={'QIV_ARGUMENTS_FILE': host_path(tmp_path / 'narrow.bin')})
    assert narrow.returncode == 0
    split = (tmp_path / 'narrow.bin').read_bytes().split(b'\0')[:-1]
    by_narrow_runtime = [argument.decode('ascii') for argument in split[1:5]]
    if expected is not None:
        assert by_narrow_runtime == expected

    wide = runner.prefix.run([WINE64, host_path(start), host_path(line), host_path(runner.exe)])

    assert wide.returncode == 0
    [post] = site.requests
    form = post.form()
    assert [form[name] for name in ('lang', 'factors', 'star', 'comments')] == by_narrow_runtime
