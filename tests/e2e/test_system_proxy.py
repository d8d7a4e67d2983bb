"""Requests through the proxy the system names: natively through the environment
variables libcurl reads, under Wine through the current user's Internet settings
(the DefaultConnectionSettings blob that WinHTTP reads: a static proxy, or a
configuration script that WinHTTP runs). The installer's last stage reaches all
three services: the site (HTTPS, tunnelled), the tracker (plain HTTP, forwarded)
and the collector (HTTPS, tunnelled)."""

from __future__ import annotations

import struct

import pytest

from conftest import COLLECTOR_HOST, SITE_HOST, TRACKING_HOST
from funnel import FAST, GOAL_PATH, TRACKING_PATH, goal_answer
from harness import RecordingServer
from harness.proxy import RecordingProxy

PROXY_PORT = 47461
REFUSING_PORT = 47462  # nothing listens there
LEAK_PORT = 47463
SCRIPT_PORT = 47464


def connection_settings(proxy: str, bypass: str, script: str = '') -> str:
    """The Internet settings blob for a static proxy or a configuration script, as a
    regedit hex value."""
    def text(value):
        data = value.encode('ascii')
        return struct.pack('<I', len(data)) + data
    # Version 0x46, a change counter, flags: direct (1) | named proxy (2) or
    # configuration script (4); then the proxy, the bypass list and the script's address.
    flags = 0x5 if script else 0x3
    blob = struct.pack('<III', 0x46, 1, flags) + text(proxy) + text(bypass) + text(script)
    blob += bytes(32)
    return 'hex:' + ','.join(f'{byte:02x}' for byte in blob)


def load_connection_settings(runner, tmp_path, blob: str) -> None:
    key = (r'HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Internet Settings'
           r'\Connections')
    reg = tmp_path / 'proxy.reg'
    reg.write_text(f'Windows Registry Editor Version 5.00\r\n\r\n[{key}]\r\n'
                   f'"DefaultConnectionSettings"={blob}\r\n', encoding='utf-16')
    runner.load_registry(reg)


def use_proxy(runner, runner_kind, tmp_path, port, bypass_host=None) -> dict:
    """Points the program at a proxy on `port`; returns the environment to run with."""
    if runner_kind == 'native':
        env = {'https_proxy': f'http://127.0.0.1:{port}', 'http_proxy': f'http://127.0.0.1:{port}'}
        if bypass_host:
            env['no_proxy'] = bypass_host
        return {**FAST, **env}
    # The per-scheme form and a bypass list with WinHTTP's own entries.
    bypass = ';'.join(filter(None, ['<local>', bypass_host]))
    blob = connection_settings(f'http=127.0.0.1:{port};https=127.0.0.1:{port}', bypass)
    load_connection_settings(runner, tmp_path, blob)
    return FAST


def complete_stage(runner, tmp_path, env):
    client = tmp_path / 'client'
    client.mkdir(exist_ok=True)
    args = ['PostInstallEvent', 'complete', runner.host_path(client / 'Register.ini'), 'TX42',
            'OF7', 'VN3', 'de', 'ska', 'CLK9']
    return runner.run(args, env=env)


@pytest.mark.parametrize('bypassed', [None, 'collector.vantor.localhost'],
                         ids=['all-proxied', 'collector-bypassed'])
def test_every_service_is_reached_through_the_proxy(runner, runner_kind, site, tracking,
                                                    collector, tmp_path, bypassed):
    site.reply(GOAL_PATH, body=goal_answer(('OF7', 'G77')))
    tracking.default(TRACKING_PATH, body='success=true;')
    with RecordingProxy(PROXY_PORT) as proxy:
        result = complete_stage(runner, tmp_path, use_proxy(runner, runner_kind, tmp_path,
                                                            PROXY_PORT, bypassed))

    assert result.returncode == 0
    assert (len(site.requests), len(tracking.requests), len(collector.requests)) == (1, 1, 1)
    expected = [('CONNECT', SITE_HOST),
                ('GET', f'http://{TRACKING_HOST}/aff_goal?a=lsr&goal_id=G77&transaction_id=TX42'),
                ('CONNECT', COLLECTOR_HOST)]
    if bypassed:
        expected.pop()
    assert proxy.requests == expected
    assert not result.lines_containing('curl error')


def test_a_refusing_proxy_fails_each_request_with_its_line(runner, runner_kind, site, tracking,
                                                           collector, tmp_path):
    result = complete_stage(runner, tmp_path,
                            use_proxy(runner, runner_kind, tmp_path, REFUSING_PORT))

    assert result.returncode == 0
    assert (site.requests, tracking.requests, collector.requests) == ([], [], [])
    failures = result.lines_containing('CWebService::FieldService, curl error: ')
    assert failures and all("Couldn't connect to server" in line for line in failures), failures
    assert any(SITE_HOST in line for line in failures)
    assert any(COLLECTOR_HOST in line for line in failures)


# Sends a request through the recording proxy only when it was asked about one of
# the three origins exactly, and anything else (a path, a query) to the leak proxy.
ORIGIN_SCRIPT = """function FindProxyForURL(url, host) {
  var origins = ["https://%s/", "http://%s/", "https://%s/"];
  for (var i = 0; i < origins.length; i++) {
    if (url == origins[i]) return "PROXY 127.0.0.1:%d";
  }
  return "PROXY 127.0.0.1:%d";
}
""" % (SITE_HOST, TRACKING_HOST, COLLECTOR_HOST, PROXY_PORT, LEAK_PORT)


def test_a_configuration_script_sees_only_the_origin(runner, runner_kind, site, tracking,
                                                     collector, tmp_path):
    if runner_kind == 'native':
        pytest.skip('the POSIX build has no configuration scripts: the environment names the proxy')
    site.reply(GOAL_PATH, body=goal_answer(('OF7', 'G77')))
    tracking.default(TRACKING_PATH, body='success=true;')
    with RecordingServer('http', SCRIPT_PORT) as scripts, RecordingProxy(PROXY_PORT) as proxy, \
            RecordingProxy(LEAK_PORT) as leak:
        scripts.default('/proxy.pac', body=ORIGIN_SCRIPT,
                        headers={'Content-Type': 'application/x-ns-proxy-autoconfig'})
        load_connection_settings(runner, tmp_path, connection_settings(
            '', '', f'http://127.0.0.1:{SCRIPT_PORT}/proxy.pac'))
        result = complete_stage(runner, tmp_path, FAST)

    assert result.returncode == 0
    assert scripts.requests, 'WinHTTP never fetched the configuration script'
    assert leak.requests == []
    assert proxy.requests == [
        ('CONNECT', SITE_HOST),
        ('GET', f'http://{TRACKING_HOST}/aff_goal?a=lsr&goal_id=G77&transaction_id=TX42'),
        ('CONNECT', COLLECTOR_HOST)]
    assert (len(site.requests), len(tracking.requests), len(collector.requests)) == (1, 1, 1)
