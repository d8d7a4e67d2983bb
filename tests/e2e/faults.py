"""Faulty stand-ins for the web services and a runner without root's privileges,
for the fault-injection suites (test_faults_*.py).

A fault is one of FAULTS. `faulty_service(name, fault)` puts the service `name`
('site', 'collector' or 'tracking') on its fixed port behaving that way; it yields
an object with `.requests` (what was received, possibly nothing) and `.connections`.
"""

from __future__ import annotations

import contextlib
import os
import socket
import socketserver
import ssl
import threading
from typing import Optional

from harness import NativeRunner, RecordingServer, tls

SERVICES = {
    'site': ('https', 47443, 'www.vantor.localhost'),
    'collector': ('https', 47444, 'collector.vantor.localhost'),
    'tracking': ('http', 47080, 'tracking.orvandel.localhost'),
}
OFFSITE_PORT = 47446

# refused: nothing listens; hang: reads the request and never answers; close:
# accepts and closes at once; noise: answers bytes that are no HTTP (after the TLS
# handshake on HTTPS); status500: an error page; garbage: status 200 with binary
# junk; redirect_loop: 302 back to the same URL, forever; redirect_offsite: 302 to
# a host that is not the web site.
FAULTS = ['refused', 'hang', 'close', 'noise', 'status500', 'garbage', 'redirect_loop',
          'redirect_offsite']
# Faults that end the transfer with a libcurl error (and a logged line).
TRANSFER_FAILURES = {'refused', 'hang', 'close', 'noise'}

# Time-outs of 120 s / 60 s become 1.2 s / 0.6 s; pauses of 1 s become 1 ms.
QUICK = {'QIV_HTTP_TIMEOUT_SCALE': '0.01', 'QIV_SLEEP_SCALE': '0.001'}

GARBAGE = bytes(range(256)) * 4 + b'<data><result>success'


def service_url(name: str, path: str) -> str:
    scheme, port, host = SERVICES[name]
    return f'{scheme}://{host}:{port}{path}'


class RawService:
    """A TCP (or TLS) listener that misbehaves below HTTP: 'close' or 'noise'."""

    def __init__(self, scheme: str, port: int, behaviour: str):
        self.behaviour = behaviour
        self.context = tls.server_context('trusted') if scheme == 'https' else None
        self._lock = threading.Lock()
        self._connections = 0
        owner = self

        class Handler(socketserver.BaseRequestHandler):
            def handle(self):
                owner._serve(self.request)

        class Server(socketserver.ThreadingTCPServer):
            allow_reuse_address = True
            daemon_threads = True

            def handle_error(self, request, client_address):
                pass

        self._server = Server(('127.0.0.1', port), Handler)
        self._thread: Optional[threading.Thread] = None

    def _serve(self, connection: socket.socket) -> None:
        with self._lock:
            self._connections += 1
        if self.behaviour == 'close':
            connection.close()
            return
        connection.settimeout(5)
        if self.context is not None:
            connection = self.context.wrap_socket(connection, server_side=True)
        connection.recv(65536)
        connection.sendall(b'\x00\xff\xfeNOT HTTP\r\n\r\n' + GARBAGE)
        connection.close()

    @property
    def requests(self) -> list:
        return []

    @property
    def connections(self) -> int:
        with self._lock:
            return self._connections

    def __enter__(self) -> 'RawService':
        self._thread = threading.Thread(target=self._server.serve_forever,
                                        kwargs={'poll_interval': 0.05}, daemon=True)
        self._thread.start()
        return self

    def __exit__(self, *exc) -> None:
        self._server.shutdown()
        self._server.server_close()
        self._thread.join()


class Nothing:
    """Where nothing listens."""

    requests: list = []
    connections = 0


@contextlib.contextmanager
def faulty_service(name: str, fault: str, path: str = '/'):
    scheme, port, _ = SERVICES[name]
    if fault == 'refused':
        yield Nothing()
        return
    if fault in ('close', 'noise'):
        with RawService(scheme, port, fault) as raw:
            yield raw
        return
    with RecordingServer(scheme, port) as server:
        if fault == 'hang':
            server.default('*', hang=True)
        elif fault == 'status500':
            server.default('*', status=500, body='<html><body>Internal Server Error</body></html>')
        elif fault == 'garbage':
            server.default('*', body=GARBAGE)
        elif fault == 'redirect_loop':
            server.default('*', status=302, redirect=service_url(name, path))
        elif fault == 'redirect_offsite':
            server.default('*', status=302,
                           redirect=f'https://elsewhere.localhost:{OFFSITE_PORT}{path}')
        yield server


@contextlib.contextmanager
def healthy_service(name: str):
    scheme, port, _ = SERVICES[name]
    with RecordingServer(scheme, port) as server:
        yield server


def unprivileged(runner):
    """The runner, made to start the program without root's power over files (as
    the user the installer runs as), so that modes like 0o555 and 0o000 hold."""
    if not isinstance(runner, NativeRunner) or os.geteuid() != 0:
        return runner
    wrapper = ['setpriv', '--bounding-set=-dac_override,-dac_read_search,-fowner', '--']
    copy = NativeRunner(runner.exe, runner.base_env,
                        wrapper + [part.decode() for part in runner.wrapper])
    copy._registry_file = runner._registry_file  # noqa: SLF001 - same registry
    return copy


def driver_lines(result, start: str, end: str) -> list:
    """The driver's own lines, in order, that the run logged."""
    own = {'Enter into main entry...', 'Exit main entry...', start, end}
    return [line for line in result.debug_lines if line in own]
