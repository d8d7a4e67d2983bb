"""PostInstallEvent: the installer's funnel against the local web site, affiliate
tracker and analytics collector, with Register.ini on disk."""

import time

import pytest

from funnel import (ATTRIBUTION_KEYS, FAST, GOAL_PATH, TRACKING_PATH, attribution, events,
                    goal_answer, read_ini)

ATTRIBUTED = {'trans_id': 'TX42', 'offer_id': 'OF7', 'vendor_id': 'VN3', 'region': 'de',
              'game_abbr': 'ska', 'gclid': 'CLK9'}


def full_form(stage, ini, values=ATTRIBUTED):
    return ['PostInstallEvent', stage, ini, values['trans_id'], values['offer_id'],
            values['vendor_id'], values['region'], values['game_abbr'], values['gclid']]


@pytest.fixture
def ini(tmp_path, runner):
    """Register.ini in a fresh directory: (path on disk, path as the program sees it)."""
    path = tmp_path / 'client' / 'Register.ini'
    path.parent.mkdir()
    return path, runner.host_path(path)


def test_complete_reports_goal_conversion_event_and_stores_attribution(
        runner, site, tracking, collector, ini):
    site.reply(GOAL_PATH, body=goal_answer(('OF1', 'G1'), ('OF7', 'G77')))
    tracking.default(TRACKING_PATH, body='success=true;')
    result = runner.run(full_form('complete', ini[1]), env=FAST)

    assert result.returncode == 0
    [lookup] = site.requests
    assert (lookup.method, lookup.path, lookup.body) == ('POST', GOAL_PATH,
                                                          b'refer_id=qivinstallcomplete')
    [conversion] = tracking.requests
    assert (conversion.method, conversion.path) == ('GET', TRACKING_PATH)
    assert conversion.query_pairs() == [('a', 'lsr'), ('goal_id', 'G77'),
                                        ('transaction_id', 'TX42')]
    [event] = events(collector)
    assert list(event)[:2] == ['event', 'installer_game']
    assert (event['event'], event['installer_game']) == ('qiv_installer_finish', 'ska')
    assert event['qiv_language'] == 'de'
    assert 'installer_params' not in event
    assert result.has_line('qiv_installer_finish')
    assert attribution(ini[0]) == [
        ('trans_id', 'TX42'), ('offer_id', 'OF7'), ('vendor_id', 'VN3'), ('region', 'de'),
        ('game_abbr', 'ska'), ('gclid', 'CLK9'), ('login_triggered', '0'),
        ('loginsuccess_triggered', '0'), ('defender_triggered', '0'),
        ('gamelaunch_triggered', '0')]


@pytest.mark.parametrize('answers, attempts', [
    (['success=true;'], 1),
    (['busy', '', 'success=true;'], 3),
    (['success=false;'] * 5, 5),
    (['SUCCESS=TRUE;', 'success=true; ', ' success=true;', 'success=true', 'x'], 5),
], ids=['confirmed-at-once', 'confirmed-third', 'never-confirmed', 'near-misses'])
def test_conversion_is_retried_until_confirmed_at_most_five_times(
        runner, site, tracking, collector, ini, answers, attempts):
    site.default(GOAL_PATH, body=goal_answer(('OF7', 'G77')))
    for answer in answers:
        tracking.reply(TRACKING_PATH, body=answer)
    tracking.default(TRACKING_PATH, body='later=true;')
    result = runner.run(full_form('start', ini[1]), env=FAST)

    assert result.returncode == 0
    assert len(tracking.requests) == attempts
    assert {request.target for request in tracking.requests} == {
        '/aff_goal?a=lsr&goal_id=G77&transaction_id=TX42'}
    assert [event['event'] for event in events(collector)] == ['qiv_installer_start']


def test_each_conversion_attempt_is_followed_by_a_one_second_pause(
        runner, site, tracking, collector, ini):
    site.default(GOAL_PATH, body=goal_answer(('OF7', 'G77')))
    tracking.reply(TRACKING_PATH, body='busy')
    tracking.reply(TRACKING_PATH, body='success=true;')
    started = time.monotonic()
    result = runner.run(full_form('ready', ini[1]))
    elapsed = time.monotonic() - started

    assert result.returncode == 0
    assert len(tracking.requests) == 2
    assert elapsed >= 2.0  # one pause after each attempt, the confirmed one included
    assert len(collector.requests) == 1


def test_game_custom_form_takes_values_two_positions_further_on(
        runner, site, tracking, collector, ini):
    site.default(GOAL_PATH, body=goal_answer(('OF7', 'G77')))
    tracking.default(TRACKING_PATH, body='success=true;')
    args = ['PostInstallEvent', 'complete', ini[1], 'GameCustom', 'skipped', 'TX42', 'OF7',
            'VN3', 'de', 'ska', 'CLK9']
    result = runner.run(args, env=FAST)

    assert result.returncode == 0
    assert tracking.requests[0].query_pairs()[1:] == [('goal_id', 'G77'),
                                                      ('transaction_id', 'TX42')]
    assert dict(attribution(ini[0])) == {**ATTRIBUTED, 'login_triggered': '0',
                                         'loginsuccess_triggered': '0',
                                         'defender_triggered': '0', 'gamelaunch_triggered': '0'}
    assert events(collector)[0]['installer_game'] == 'ska'


def test_short_form_stores_empty_attribution_and_never_tracks(
        runner, site, tracking, collector, ini):
    # A goal for the empty offer is found, but there is no affiliate to credit.
    site.default(GOAL_PATH, body=goal_answer(('', 'G0')))
    result = runner.run(['PostInstallEvent', 'complete', ini[1]], env=FAST)

    assert result.returncode == 0
    assert len(site.requests) == 1
    assert tracking.requests == []
    [event] = events(collector)
    assert event['event'] == 'qiv_installer_finish'
    assert 'installer_game' not in event
    assert attribution(ini[0]) == [(key, '0' if key.endswith('_triggered') else '')
                                   for key in ATTRIBUTION_KEYS]


def test_stage_word_keeps_its_case_in_the_lookup(runner, site, tracking, collector, ini):
    result = runner.run(full_form('COMPLETE', ini[1]), env=FAST)

    assert result.returncode == 0
    assert site.requests[0].body == b'refer_id=qivinstallCOMPLETE'
    assert [event['event'] for event in events(collector)] == ['qiv_installer_finish']
    assert len(attribution(ini[0])) == 10


@pytest.mark.parametrize('stage, event_name', [
    ('start', 'qiv_installer_start'), ('EULA', 'qiv_installer_eula'),
    ('path', 'qiv_installer_select_path'), ('Ready', 'qiv_installer_ready')])
def test_earlier_stages_send_their_event_and_store_nothing(
        runner, site, tracking, collector, ini, stage, event_name):
    result = runner.run(full_form(stage, ini[1]), env=FAST)

    assert result.returncode == 0
    assert site.requests[0].body == f'refer_id=qivinstall{stage}'.encode()
    [event] = events(collector)
    assert (event['event'], event['installer_game']) == (event_name, 'ska')
    assert result.has_line(event_name)
    assert not ini[0].exists()


def test_unknown_stage_still_tracks_but_sends_no_event_and_stores_nothing(
        runner, site, tracking, collector, ini):
    site.default(GOAL_PATH, body=goal_answer(('OF7', 'G5')))
    tracking.default(TRACKING_PATH, body='success=true;')
    result = runner.run(full_form('install', ini[1]), env=FAST)

    assert result.returncode == 0
    assert site.requests[0].body == b'refer_id=qivinstallinstall'
    assert len(tracking.requests) == 1
    assert collector.requests == []
    assert not ini[0].exists()


@pytest.mark.parametrize('status, answer', [
    (200, ''),
    (200, 'success=true;'),
    (200, '<data><result>success</result><goals><goal><offer_id>OF7</offer_id>'),
    (200, goal_answer(('OF7', 'G77'), result='error')),
    (200, goal_answer(('OF8', 'G88'))),
    (200, goal_answer(('OF7', ''))),
    (200, '<?xml version="1.0" encoding="UTF-8"?><data>\xe4'),
    (404, '<html><body>not found</body></html>'),
], ids=['empty', 'not-xml', 'cut-short', 'result-error', 'other-offer', 'empty-goal-id',
        'truncated-utf8', 'not-found-page'])
def test_answers_without_a_goal_for_the_offer_send_no_conversion(
        runner, site, tracking, collector, ini, status, answer):
    site.default(GOAL_PATH, status=status, body=answer.encode('latin-1'))
    result = runner.run(full_form('complete', ini[1]), env=FAST)

    assert result.returncode == 0
    assert len(site.requests) == 1
    assert tracking.requests == []
    assert [event['event'] for event in events(collector)] == ['qiv_installer_finish']
    assert len(attribution(ini[0])) == 10


def test_every_service_down_still_stores_attribution_and_exits_zero(runner, ini):
    result = runner.run(full_form('complete', ini[1]), env=FAST)

    assert result.returncode == 0
    assert result.has_line('qiv_installer_finish')
    assert dict(attribution(ini[0]))['trans_id'] == 'TX42'


def test_line_breaks_in_a_value_stay_inside_that_value(runner, ini):
    injected = 'G\r\n[registered_from]\r\nlogin_triggered=1\r\ntrans_id=EVIL'
    result = runner.run(full_form('complete', ini[1], {**ATTRIBUTED, 'gclid': injected}),
                        env=FAST)

    assert result.returncode == 0
    [(section, pairs)] = read_ini(ini[0])
    assert section == 'registered_from'
    assert [key for key, _ in pairs] == ATTRIBUTION_KEYS
    values = dict(pairs)
    assert values['gclid'] == 'G  [registered_from]  login_triggered=1  trans_id=EVIL'
    assert (values['trans_id'], values['login_triggered']) == ('TX42', '0')
