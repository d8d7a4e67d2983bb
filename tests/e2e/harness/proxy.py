"""A recording HTTP proxy on 127.0.0.1: CONNECT tunnels (for HTTPS) and absolute-URI
requests forwarded to their origin (plain HTTP), one upstream connection per
client connection. It records what it was asked for, as (method, target) pairs:
('CONNECT', 'host:port') or ('GET', 'http://host:port/path?query').

Names under .localhost resolve to the loopback address here, as libcurl resolves
them for the program.
"""

from __future__ import annotations

import errno
import select
import socket
import socketserver
import threading
import time
from typing import Optional


def _connect(authority: str) -> socket.socket:
    host, _, port = authority.rpartition(':')
    if host == 'localhost' or host.endswith('.localhost'):
        host = '127.0.0.1'
    return socket.create_connection((host, int(port)), timeout=10)


def _relay(a: socket.socket, b: socket.socket) -> None:
    """Copies both ways until either side closes."""
    sockets = [a, b]
    while True:
        readable, _, _ = select.select(sockets, [], [], 30)
        if not readable:
            return
        for source in readable:
            data = source.recv(65536)
            if not data:
                return
            (b if source is a else a).sendall(data)


class _Handler(socketserver.StreamRequestHandler):
    def handle(self):
        head = b''
        while b'\r\n\r\n' not in head:
            chunk = self.request.recv(65536)
            if not chunk:
                return
            head += chunk
        head, _, rest = head.partition(b'\r\n\r\n')
        lines = head.decode('latin-1').split('\r\n')
        method, target, version = lines[0].split(' ', 2)
        self.server.owner._record(method, target)
        if method == 'CONNECT':
            upstream = _connect(target)
            self.request.sendall(b'HTTP/1.1 200 Connection established\r\n\r\n')
        else:
            scheme, _, remainder = target.partition('://')
            authority, slash, path = remainder.partition('/')
            if ':' not in authority:
                authority += ':80'
            upstream = _connect(authority)
            kept = [line for line in lines[1:] if not line.lower().startswith('proxy-')]
            request = '\r\n'.join([f'{method} /{path} {version}'] + kept) + '\r\n\r\n'
            upstream.sendall(request.encode('latin-1') + rest)
            rest = b''
        with upstream:
            if rest:
                upstream.sendall(rest)
            _relay(self.request, upstream)


class _Server(socketserver.ThreadingTCPServer):
    allow_reuse_address = True
    daemon_threads = True

    def handle_error(self, request, client_address):
        pass  # a client or an origin that goes away is normal in these tests


class RecordingProxy:
    def __init__(self, port: int):
        self._address = ('127.0.0.1', port)
        self._lock = threading.Lock()
        self._requests: list = []
        self._server: Optional[_Server] = None
        self._thread: Optional[threading.Thread] = None

    def _record(self, method: str, target: str) -> None:
        with self._lock:
            self._requests.append((method, target))

    @property
    def requests(self) -> list:
        with self._lock:
            return list(self._requests)

    def start(self, wait: float = 20.0) -> 'RecordingProxy':
        deadline = time.monotonic() + wait
        while True:
            try:
                self._server = _Server(self._address, _Handler)
                break
            except OSError as error:
                if error.errno != errno.EADDRINUSE or time.monotonic() > deadline:
                    raise
                time.sleep(0.05)
        self._server.owner = self
        self._thread = threading.Thread(target=self._server.serve_forever,
                                        kwargs={'poll_interval': 0.05}, daemon=True)
        self._thread.start()
        return self

    def stop(self) -> None:
        if self._server is not None:
            self._server.shutdown()
            self._server.server_close()
            self._thread.join()
            self._server = None

    def __enter__(self) -> 'RecordingProxy':
        return self.start()

    def __exit__(self, *exc) -> None:
        self.stop()
