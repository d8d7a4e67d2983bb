"""Fault injection, network side: every command against each of its services
refusing connections, never answering, closing at once, answering noise, 500,
garbage, a redirect loop and an off-site redirect. Every run exits 0, logs the
driver's lines (and one failure line per failed transfer), sends what the healthy
services should still get, and keeps the attribution it must store."""

import contextlib
import time

import pytest

from faults import (FAULTS, OFFSITE_PORT, QUICK, TRANSFER_FAILURES, driver_lines,
                    faulty_service, healthy_service, service_url)
from funnel import COLLECTOR_PATH, FEEDBACK_PATH, GOAL_PATH, TRACKING_PATH, attribution, goal_answer
from harness import RecordingServer

FIELD_FAILURE = 'CWebService::FieldService, curl error: '
FORM_FAILURE = 'CWebService::PostFormService, curl error: '
TOO_MANY_REDIRECTS = 'Number of redirects hit maximum amount'
# Generous: a hanging service costs 1.2 s per request here, five tracking attempts 6 s.
RUN_BUDGET = 30


@pytest.fixture(autouse=True)
def native_only(runner_kind):
    if runner_kind != 'native':
        pytest.skip('shortened time-outs exist only in the POSIX build')


@pytest.fixture
def offsite():
    with RecordingServer('https', OFFSITE_PORT) as server:
        yield server


def run(runner, args):
    started = time.monotonic()
    result = runner.run(args, env=QUICK, timeout=RUN_BUDGET)
    assert result.returncode == 0, result.stderr
    assert time.monotonic() - started < RUN_BUDGET
    return result


def failure_lines(result, prefix):
    return [line for line in result.debug_lines if line.startswith(prefix)]


def expect_field_failures(result, fault, url, count=1):
    lines = failure_lines(result, FIELD_FAILURE)
    if fault in TRANSFER_FAILURES:
        assert len(lines) == count, result.debug_lines
        assert all(line.endswith(' URL=' + url) for line in lines), lines
        if fault == 'hang':
            assert all('Timeout' in line for line in lines), lines
    elif fault == 'redirect_loop' and url.startswith(service_url('site', '')):
        assert len(lines) == count and TOO_MANY_REDIRECTS in lines[0], lines
    else:
        assert lines == [], lines


def expect_requests(service, fault, per_call, calls=1):
    """How many requests a faulty service saw: one per call, six for a followed
    redirect loop (the first and five redirects), none where nothing listens."""
    if fault in ('refused', 'close', 'noise'):
        assert service.requests == []
        if fault != 'refused':
            assert service.connections >= calls
    else:
        assert len(service.requests) == per_call * calls


@pytest.mark.parametrize('fault', FAULTS)
def test_uninstall_software_with_a_faulty_collector(runner, tmp_path, offsite, fault):
    url = service_url('collector', COLLECTOR_PATH)
    with faulty_service('collector', fault, COLLECTOR_PATH) as collector:
        result = run(runner, ['UninstallSoftware', 'en', '0', runner.host_path(tmp_path) + '\\'])
    assert driver_lines(result, 'Start to uninstall software...', 'End to uninstall software...') \
        == ['Enter into main entry...', 'Start to uninstall software...',
            'End to uninstall software...', 'Exit main entry...']
    # The logged URL is the one given, before the event is percent-encoded.
    lines = failure_lines(result, FIELD_FAILURE)
    if fault in TRANSFER_FAILURES:
        assert len(lines) == 1 and ' URL=' + url + '?data={' in lines[0], lines
    else:
        assert lines == []
    expect_requests(collector, fault, per_call=1)
    assert offsite.connections == 0


@pytest.mark.parametrize('fault', FAULTS)
def test_post_install_with_a_faulty_goal_api(runner, tmp_path, offsite, fault):
    ini = tmp_path / 'Register.ini'
    with contextlib.ExitStack() as stack:
        site = stack.enter_context(faulty_service('site', fault, GOAL_PATH))
        tracking = stack.enter_context(healthy_service('tracking'))
        collector = stack.enter_context(healthy_service('collector'))
        result = run(runner, ['PostInstallEvent', 'complete', runner.host_path(ini), 'TX', 'OF7',
                              'VN', 'en', 'ska', 'CLK'])
    expect_field_failures(result, fault, service_url('site', GOAL_PATH))
    expect_requests(site, fault, per_call=6 if fault == 'redirect_loop' else 1)
    # No goal was learnt, so no conversion; the funnel event and the attribution go on.
    assert tracking.requests == []
    assert len(collector.requests) == 1
    assert result.has_line('qiv_installer_finish')
    assert [key for key, _ in attribution(ini)][:6] == ['trans_id', 'offer_id', 'vendor_id',
                                                       'region', 'game_abbr', 'gclid']
    assert offsite.connections == 0


@pytest.mark.parametrize('fault', FAULTS)
def test_post_install_with_a_faulty_tracker(runner, tmp_path, offsite, fault):
    ini = tmp_path / 'Register.ini'
    tracking_url = service_url('tracking', TRACKING_PATH) + '?a=lsr&goal_id=G7&transaction_id=TX'
    with contextlib.ExitStack() as stack:
        site = stack.enter_context(healthy_service('site'))
        site.default(GOAL_PATH, body=goal_answer(('OF7', 'G7')))
        tracking = stack.enter_context(faulty_service('tracking', fault, TRACKING_PATH))
        collector = stack.enter_context(healthy_service('collector'))
        result = run(runner, ['PostInstallEvent', 'complete', runner.host_path(ini), 'TX', 'OF7',
                              'VN', 'en', 'ska', 'CLK'])
    # Five attempts, none confirmed; redirects from the tracker are never followed.
    expect_field_failures(result, fault, tracking_url, count=5)
    expect_requests(tracking, fault, per_call=1, calls=5)
    assert len(collector.requests) == 1
    assert dict(attribution(ini))['trans_id'] == 'TX'
    assert offsite.connections == 0


@pytest.mark.parametrize('fault', FAULTS)
def test_post_install_with_a_faulty_collector(runner, tmp_path, offsite, fault):
    ini = tmp_path / 'Register.ini'
    with contextlib.ExitStack() as stack:
        site = stack.enter_context(healthy_service('site'))
        site.default(GOAL_PATH, body=goal_answer(('OF7', 'G7')))
        tracking = stack.enter_context(healthy_service('tracking'))
        tracking.default(TRACKING_PATH, body='success=true;')
        collector = stack.enter_context(faulty_service('collector', fault, COLLECTOR_PATH))
        result = run(runner, ['PostInstallEvent', 'eula', runner.host_path(ini), 'TX', 'OF7',
                              'VN', 'en', 'ska', 'CLK'])
    assert len(site.requests) == 1 and len(tracking.requests) == 1
    expect_requests(collector, fault, per_call=1)
    assert len(failure_lines(result, FIELD_FAILURE)) == (1 if fault in TRANSFER_FAILURES else 0)
    assert result.has_line('qiv_installer_eula')
    assert not ini.exists()  # only the last stage writes the attribution
    assert offsite.connections == 0


@pytest.mark.parametrize('fault', FAULTS)
def test_feedback_with_a_faulty_site(runner, offsite, fault):
    with faulty_service('site', fault, FEEDBACK_PATH) as site:
        result = run(runner, ['UninstallSoftwareFeedback', 'en', '1,2', '4', 'too slow'])
    assert driver_lines(result, 'Start to uninstall software feedback...',
                        'End to uninstall software feedback...') == [
        'Enter into main entry...', 'Start to uninstall software feedback...',
        'End to uninstall software feedback...', 'Exit main entry...']
    lines = failure_lines(result, FORM_FAILURE)
    if fault in TRANSFER_FAILURES:
        assert len(lines) == 1, result.debug_lines
    elif fault == 'redirect_loop':
        assert len(lines) == 1 and TOO_MANY_REDIRECTS in lines[0], lines
    else:
        assert lines == []
    expect_requests(site, fault, per_call=6 if fault == 'redirect_loop' else 1)
    if fault not in TRANSFER_FAILURES:
        assert all(request.form()['comments'] == 'too slow' for request in site.requests)
    assert offsite.connections == 0


def test_commands_without_network_need_no_service(runner, tmp_path):
    # Nothing listens anywhere: these commands make no request and log no failure.
    for args, start in ((['UninstallGames'], 'Start to uninstall games...'),
                        (['UninstallGames', 'UninstallGame'], 'Start to uninstall games...'),
                        (['InstallSoftware', 'x'], 'Start to install software...')):
        result = run(runner, args)
        assert start in result.debug_lines
        assert not any('curl error' in line for line in result.debug_lines), result.debug_lines
