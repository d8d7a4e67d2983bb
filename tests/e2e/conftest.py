"""pytest plumbing for the end-to-end suites.

Options: --exe PATH (the program under test), --runner native|wine and, for the native
runner, --wrap COMMAND (a command that starts the program, e.g. valgrind with its options).
Fixtures: runner, and the loopback servers the dev build's endpoints name:
site (HTTPS 47443), collector (HTTPS 47444), tracking (HTTP 47080) and
qa_site (HTTPS 47445, untrusted certificate, reached as www-qa.vantor.localhost).
Each server fixture starts a fresh server for one test and stops it afterwards.
"""

from __future__ import annotations

import importlib
import shlex

import pytest

from harness import NativeRunner, RecordingServer

SITE_PORT = 47443
COLLECTOR_PORT = 47444
TRACKING_PORT = 47080
QA_SITE_PORT = 47445

SITE_HOST = f'www.vantor.localhost:{SITE_PORT}'
COLLECTOR_HOST = f'collector.vantor.localhost:{COLLECTOR_PORT}'
TRACKING_HOST = f'tracking.orvandel.localhost:{TRACKING_PORT}'
QA_SITE_HOST = f'www-qa.vantor.localhost:{QA_SITE_PORT}'


def pytest_addoption(parser):
    group = parser.getgroup('qiv', 'QivDepends end-to-end')
    group.addoption('--exe', default=None, help='path of the program under test')
    group.addoption('--runner', default='native', choices=('native', 'wine'),
                    help='how to start the program')
    group.addoption('--wrap', default='',
                    help='native runner: a command that starts the program, e.g. valgrind')


def _make_runner(kind: str, exe: str, wrap: str = ''):
    if kind == 'native':
        return NativeRunner(exe, wrapper=shlex.split(wrap))
    # The Windows suite provides harness/wine.py with a WineRunner(exe) class.
    module = importlib.import_module('harness.wine')
    return module.WineRunner(exe)


@pytest.fixture
def runner(request):
    exe = request.config.getoption('--exe')
    if not exe:
        pytest.skip('needs --exe PATH')
    return _make_runner(request.config.getoption('--runner'), exe,
                        request.config.getoption('--wrap'))


@pytest.fixture
def runner_kind(request) -> str:
    return request.config.getoption('--runner')


@pytest.fixture
def site():
    with RecordingServer('https', SITE_PORT) as server:
        yield server


@pytest.fixture
def collector():
    with RecordingServer('https', COLLECTOR_PORT) as server:
        yield server


@pytest.fixture
def tracking():
    with RecordingServer('http', TRACKING_PORT) as server:
        yield server


@pytest.fixture
def qa_site():
    with RecordingServer('https', QA_SITE_PORT, cert='untrusted') as server:
        yield server
