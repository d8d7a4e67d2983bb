"""Answers that never end, from each service: the program takes in a bounded part
of each, ends the transfer as failed (one failure line, as for a broken
connection), goes on as it does after any failed transfer, and exits 0 in
bounded time. On both builds; no time-out is shortened, so only the limit on an
answer's size can end these transfers in time."""

from __future__ import annotations

import time

import pytest

from conftest import COLLECTOR_HOST, SITE_HOST, TRACKING_HOST
from funnel import (COLLECTOR_PATH, FAST, FEEDBACK_PATH, GOAL_PATH, TRACKING_PATH, attribution,
                    goal_answer)

WRITE_FAILURE = 'curl error: Failed writing received data to disk/application URL='
FORM_WRITE_FAILURE = 'CWebService::PostFormService, curl error: Failed writing received data'
# The program keeps at most 64 KiB of an answer; the loopback socket buffers hold a
# few MiB more. A program that kept reading would take gigabytes in the same time.
STREAM_BOUND = 16 * 1024 * 1024
# Five tracking attempts with a pause of one second each under Wine, plus its start.
RUN_BUDGET = 60

GOAL = '<goal><offer_id>OF7</offer_id><goal_id>G7</goal_id></goal>'
GOAL_START = goal_answer(('OF7', 'G7')).split('</goals>')[0]


def run(runner, args):
    started = time.monotonic()
    result = runner.run(args, env=FAST, timeout=RUN_BUDGET)
    assert result.returncode == 0, result.stderr
    assert time.monotonic() - started < RUN_BUDGET
    return result


def complete_stage(runner, tmp_path):
    ini = tmp_path / 'Register.ini'
    result = run(runner, ['PostInstallEvent', 'complete', runner.host_path(ini), 'TX', 'OF7', 'VN',
                          'en', 'ska', 'CLK'])
    return result, ini


def write_failures(result):
    return result.lines_containing(WRITE_FAILURE)


def test_an_endless_goal_answer_finds_no_goal(runner, site, tracking, collector, tmp_path):
    # The endless answer repeats the very goal the install is after: what came before
    # the limit is no answer, so no conversion is reported.
    site.default(GOAL_PATH, body=GOAL_START, endless=GOAL * 256)
    result, ini = complete_stage(runner, tmp_path)

    assert [line.split(' URL=')[1] for line in write_failures(result)] == [
        f'https://{SITE_HOST}{GOAL_PATH}']
    assert site.streamed < STREAM_BOUND
    assert tracking.requests == []
    assert len(collector.requests) == 1
    assert dict(attribution(ini))['trans_id'] == 'TX'


def test_an_endless_tracking_answer_is_retried_as_a_failed_one(runner, site, tracking, collector,
                                                                tmp_path):
    site.default(GOAL_PATH, body=goal_answer(('OF7', 'G7')))
    tracking.default(TRACKING_PATH, body='success=true;', endless=b'success=true;' * 1024)
    result, ini = complete_stage(runner, tmp_path)

    url = f'http://{TRACKING_HOST}{TRACKING_PATH}?a=lsr&goal_id=G7&transaction_id=TX'
    assert [line.split(' URL=')[1] for line in write_failures(result)] == [url] * 5
    assert len(tracking.requests) == 5
    assert tracking.streamed < 5 * STREAM_BOUND
    assert len(collector.requests) == 1
    assert dict(attribution(ini))['trans_id'] == 'TX'


def test_an_endless_collector_answer_fails_the_event(runner, collector, tmp_path):
    collector.default(COLLECTOR_PATH, endless=b'x' * 16384)
    result = run(runner, ['UninstallSoftware', 'en', '0', runner.host_path(tmp_path) + '\\'])

    [line] = write_failures(result)
    assert f' URL=https://{COLLECTOR_HOST}{COLLECTOR_PATH}?data=' in line
    assert len(collector.requests) == 1
    assert collector.streamed < STREAM_BOUND
    assert result.has_line('End to uninstall software...')


def test_an_endless_feedback_answer_fails_the_form(runner, site):
    # The answer to the form is never read, and still ends the transfer.
    site.default(FEEDBACK_PATH, endless=b'<html>' + b' ' * 16384)
    result = run(runner, ['UninstallSoftwareFeedback', 'en', '1,2', '4', 'too slow'])

    assert len(result.lines_containing(FORM_WRITE_FAILURE)) == 1, result.debug_lines
    [post] = site.requests
    assert post.form()['comments'] == 'too slow'
    assert site.streamed < STREAM_BOUND
    assert result.has_line('End to uninstall software feedback...')


@pytest.mark.parametrize('nested, converted', [(3994, True), (3995, False)],
                         ids=['at-the-limit', 'past-the-limit'])
def test_a_goal_answer_nested_past_the_documents_limit_is_refused(runner, site, tracking,
                                                                   collector, tmp_path, nested,
                                                                   converted):
    # The answer's own six elements and `nested` more: the install configuration's
    # limit of 4000 element tags, which the program's stack takes on both builds.
    depth = '<x>' * nested + '</x>' * nested
    site.default(GOAL_PATH, body=GOAL_START + depth + '</goals></data>')
    tracking.default(TRACKING_PATH, body='success=true;')
    result, _ = complete_stage(runner, tmp_path)

    assert len(tracking.requests) == (1 if converted else 0)
    assert len(collector.requests) == 1
    assert not result.lines_containing('curl error')
