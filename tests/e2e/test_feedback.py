"""UninstallSoftwareFeedback: the uninstaller's answers posted to the local web
site's feedback form."""

import re

import pytest

from funnel import FEEDBACK_PATH

FORM_ORDER = ['comments', 'factors', 'lang', 'mailType', 'star', 'submit', 'sysinfo']
DESCRIPTION = re.compile(r'Operating System: .* (32|64)bit')


def test_form_arrives_with_its_seven_parts_in_name_order(runner, site):
    result = runner.run(['UninstallSoftwareFeedback', 'de', '2,5', '\u00bd',
                         'Zu langsam, caf\u00e9 & "mehr" \u20ac'])

    assert result.returncode == 0
    [post] = site.requests
    assert (post.method, post.path) == ('POST', FEEDBACK_PATH)
    assert post.header('content-type').startswith('multipart/form-data')
    assert [part.name for part in post.parts] == FORM_ORDER
    form = post.form()
    # Arguments arrive in the ANSI code page and travel as UTF-8.
    parts = {part.name: part.value for part in post.parts}
    assert parts['comments'] == b'Zu langsam, caf\xc3\xa9 & "mehr" \xe2\x82\xac'
    assert parts['star'] == b'\xc2\xbd'
    assert (form['factors'], form['lang']) == ('2,5', 'de')
    assert (form['mailType'], form['submit']) == ('qiv_uninstall', 'Send')
    assert DESCRIPTION.fullmatch(form['sysinfo']), form['sysinfo']
    assert all(part.filename is None for part in post.parts)


def test_empty_answers_are_still_sent(runner, site):
    result = runner.run(['UninstallSoftwareFeedback', 'en', '', '', ''])

    assert result.returncode == 0
    [post] = site.requests
    assert [part.name for part in post.parts] == FORM_ORDER
    assert [post.form()[name] for name in ('comments', 'factors', 'star')] == ['', '', '']


def test_too_few_answers_post_nothing(runner, site):
    result = runner.run(['UninstallSoftwareFeedback', 'en', '1', '5'])

    assert result.returncode == 0
    assert result.has_line('Start to uninstall software feedback...')
    assert site.requests == []


def test_site_down_exits_zero(runner):
    result = runner.run(['UninstallSoftwareFeedback', 'en', '1', '5', 'bye'])

    assert result.returncode == 0
    assert result.has_line('End to uninstall software feedback...')


@pytest.mark.parametrize('version, wow64, description', [
    (None, None, 'Operating System: Windows 7 Service Pack 1 64bit'),
    ('5.1.2600.1:Service Pack 3', '0', 'Operating System: Windows XP Service Pack 3 32bit'),
    ('6.1.7600.1', '1', 'Operating System: Windows 7  64bit'),
    ('6.0.6002.1:Service Pack 2', '0', 'Operating System: Windows Vista Service Pack 2 32bit'),
    ('10.0.19045.1', '1', 'Operating System:  64bit'),
], ids=['stand-in-default', 'xp-sp3-32', 'seven-no-sp-64', 'vista-sp2-32', 'ten-64'])
def test_description_of_the_reported_system(runner, runner_kind, site, version, wow64,
                                            description):
    if runner_kind != 'native':
        pytest.skip("the stand-in's system facts; under Wine they are Wine's own")
    env = {name: value for name, value in (('QIV_OS_VERSION', version), ('QIV_WOW64', wow64))
           if value is not None}
    result = runner.run(['UninstallSoftwareFeedback', 'en', '1', '5', 'bye'], env=env)

    assert result.returncode == 0
    assert site.requests[0].form()['sysinfo'] == description
