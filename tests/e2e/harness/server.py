"""Recording HTTP and HTTPS servers on the loopback address.

A RecordingServer answers from a script (per path: a queue of replies, then a
default) and records every request it receives. It runs in a background thread
and is used as a context manager:

    with RecordingServer('https', 47443) as site:
        site.reply('/feedback', status=500, body='oops')
        ... run the program ...
        [request] = site.requests
        assert request.parts[0].name == 'answer'
"""

from __future__ import annotations

import dataclasses
import errno
import http.server
import socket
import ssl
import threading
import time
import urllib.parse
from typing import Optional, Union

from . import multipart, tls

Bytes = Union[bytes, str]


def _as_bytes(value: Bytes) -> bytes:
    return value.encode('utf-8') if isinstance(value, str) else bytes(value)


@dataclasses.dataclass
class Reply:
    """One scripted answer. hang=True never answers (until the server stops);
    endless=CHUNK sends a body without a length, `body` and then CHUNK again and
    again until the client goes away (or the server stops)."""

    status: int = 200
    body: bytes = b''
    headers: dict = dataclasses.field(default_factory=dict)
    delay: float = 0.0
    hang: bool = False
    redirect: Optional[str] = None
    endless: Optional[bytes] = None


@dataclasses.dataclass
class Request:
    """What the server received, as received."""

    method: str
    target: str  # the request target as sent: path and query, still encoded
    path: str  # the target's path, still percent-encoded
    query: str  # the raw query text (without '?'), still percent-encoded
    params: dict  # parse_qs of query: name -> list of values (blank values kept)
    headers: dict  # lower-case header name -> value (last one wins)
    header_list: list  # (name, value) pairs in order
    body: bytes
    parts: list  # multipart.Part items in wire order (multipart bodies only)
    server_name: str  # the Host header

    def header(self, name: str, default: Optional[str] = None) -> Optional[str]:
        return self.headers.get(name.lower(), default)

    def form(self) -> dict:
        """The multipart parts as name -> value text (UTF-8)."""
        return {part.name: part.text for part in self.parts}

    def query_pairs(self) -> list:
        return urllib.parse.parse_qsl(self.query, keep_blank_values=True)


class _Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = 'HTTP/1.1'
    server: '_Server'

    def log_message(self, format, *args):  # noqa: A002 - keep the test output quiet
        pass

    def _read_body(self) -> bytes:
        if self.headers.get('Transfer-Encoding', '').lower() == 'chunked':
            chunks = []
            while True:
                size = int(self.rfile.readline().split(b';')[0].strip() or b'0', 16)
                if size == 0:
                    while self.rfile.readline() not in (b'\r\n', b'\n', b''):
                        pass
                    return b''.join(chunks)
                chunks.append(self.rfile.read(size))
                self.rfile.readline()
        length = int(self.headers.get('Content-Length') or 0)
        return self.rfile.read(length) if length > 0 else b''

    def _handle(self):
        owner = self.server.owner
        body = self._read_body()
        split = urllib.parse.urlsplit(self.path)
        header_list = list(self.headers.items())
        request = Request(
            method=self.command,
            target=self.path,
            path=split.path,
            query=split.query,
            params=urllib.parse.parse_qs(split.query, keep_blank_values=True),
            headers={name.lower(): value for name, value in header_list},
            header_list=header_list,
            body=body,
            parts=multipart.parse(self.headers.get('Content-Type', ''), body),
            server_name=self.headers.get('Host', ''),
        )
        reply = owner._record_and_pick(request)
        if reply.hang:
            owner._stopping.wait()
            self.close_connection = True
            return
        if reply.delay > 0 and owner._stopping.wait(reply.delay):
            self.close_connection = True
            return
        status = reply.status
        headers = dict(reply.headers)
        if reply.redirect is not None:
            headers.setdefault('Location', reply.redirect)
        self.send_response(status)
        for name, value in headers.items():
            self.send_header(name, value)
        if reply.endless is None:
            self.send_header('Content-Length', str(len(reply.body)))
        self.send_header('Connection', 'close')
        self.end_headers()
        if reply.endless is not None:
            self._stream(reply.body, reply.endless)
        elif self.command != 'HEAD':
            self.wfile.write(reply.body)
        self.close_connection = True

    def _stream(self, start: bytes, chunk: bytes) -> None:
        owner = self.server.owner
        self.connection.settimeout(10)  # a client that stops reading ends it too
        try:
            self.wfile.write(start)
            while not owner._stopping.is_set():
                self.wfile.write(chunk)
                owner._count_streamed(len(chunk))
        except OSError:
            pass  # the client hung up: what it had to do

    do_GET = do_POST = do_PUT = do_DELETE = do_HEAD = do_PATCH = do_OPTIONS = _handle


class _Server(http.server.ThreadingHTTPServer):
    allow_reuse_address = True
    daemon_threads = True

    def __init__(self, owner: 'RecordingServer', address, context: Optional[ssl.SSLContext]):
        self.owner = owner
        self.context = context
        super().__init__(address, _Handler)

    def finish_request(self, request, client_address):
        # The TLS handshake runs here, in the connection's own thread, so a client
        # that stalls or refuses the certificate never blocks the accept loop.
        self.owner._count_connection()
        if self.context is not None:
            try:
                request.settimeout(10)
                request = self.context.wrap_socket(request, server_side=True)
                request.settimeout(None)
            except (ssl.SSLError, OSError):
                self.owner._count_handshake_failure()
                return
        super().finish_request(request, client_address)

    def handle_error(self, request, client_address):
        pass  # a client that goes away mid-request is normal in these tests


class RecordingServer:
    """An HTTP or HTTPS server on 127.0.0.1 that records requests and answers
    from a script. port=0 picks a free port (see .port after start)."""

    def __init__(self, scheme: str = 'http', port: int = 0, cert: str = 'trusted',
                 host: str = '127.0.0.1'):
        if scheme not in ('http', 'https'):
            raise ValueError(f'unknown scheme {scheme!r}')
        self.scheme = scheme
        self.cert = cert
        self._address = (host, port)
        self._lock = threading.Condition()
        self._stopping = threading.Event()
        self._requests: list[Request] = []
        self._queues: dict[str, list[Reply]] = {}
        self._defaults: dict[str, Reply] = {}
        self._connections = 0
        self._handshake_failures = 0
        self._streamed = 0
        self._server: Optional[_Server] = None
        self._thread: Optional[threading.Thread] = None

    # Lifetime -------------------------------------------------------------
    def start(self, wait: float = 20.0) -> 'RecordingServer':
        """Binds and serves. A fixed port still held by someone else (another test
        run on this machine) is retried for up to `wait` seconds."""
        context = tls.server_context(self.cert) if self.scheme == 'https' else None
        self._stopping.clear()
        deadline = time.monotonic() + wait
        while True:
            try:
                self._server = _Server(self, self._address, context)
                break
            except OSError as error:
                if error.errno != errno.EADDRINUSE or time.monotonic() > deadline:
                    raise
                time.sleep(0.05)
        self._thread = threading.Thread(target=self._server.serve_forever,
                                        kwargs={'poll_interval': 0.05}, daemon=True)
        self._thread.start()
        return self

    def stop(self) -> None:
        if self._server is None:
            return
        self._stopping.set()  # releases hanging and delayed answers
        self._server.shutdown()
        self._server.server_close()
        self._thread.join()
        self._server = None

    def __enter__(self) -> 'RecordingServer':
        return self.start()

    def __exit__(self, *exc) -> None:
        self.stop()

    @property
    def port(self) -> int:
        return self._server.server_address[1] if self._server else self._address[1]

    def url(self, path: str = '/', host: str = '127.0.0.1') -> str:
        return f'{self.scheme}://{host}:{self.port}{path}'

    # Script ---------------------------------------------------------------
    def reply(self, path: str, status: int = 200, body: Bytes = b'', headers=None,
              delay: float = 0.0, hang: bool = False, redirect: Optional[str] = None,
              times: Optional[int] = 1, endless: Optional[Bytes] = None) -> None:
        """Script the answer for `path` ('*' matches any path). times=N queues it for
        the next N requests; times=None makes it the path's default from now on."""
        answer = Reply(status=status if redirect is None or status != 200 else 302,
                       body=_as_bytes(body), headers=dict(headers or {}), delay=delay,
                       hang=hang, redirect=redirect,
                       endless=None if endless is None else _as_bytes(endless))
        with self._lock:
            if times is None:
                self._defaults[path] = answer
            else:
                self._queues.setdefault(path, []).extend([answer] * times)

    def default(self, path: str = '*', **kwargs) -> None:
        """Shorthand for reply(path, ..., times=None)."""
        self.reply(path, times=None, **kwargs)

    def clear(self) -> None:
        with self._lock:
            self._requests.clear()
            self._queues.clear()
            self._defaults.clear()
            self._connections = 0
            self._handshake_failures = 0
            self._streamed = 0

    # Records --------------------------------------------------------------
    @property
    def requests(self) -> list:
        with self._lock:
            return list(self._requests)

    @property
    def connections(self) -> int:
        """Accepted TCP connections, whether or not a request followed."""
        with self._lock:
            return self._connections

    @property
    def streamed(self) -> int:
        """Bytes of endless bodies written so far (the client holds no more)."""
        with self._lock:
            return self._streamed

    @property
    def handshake_failures(self) -> int:
        with self._lock:
            return self._handshake_failures

    def wait_for_requests(self, count: int, timeout: float = 5.0) -> list:
        deadline = time.monotonic() + timeout
        with self._lock:
            while len(self._requests) < count:
                left = deadline - time.monotonic()
                if left <= 0:
                    break
                self._lock.wait(left)
            return list(self._requests)

    # Called from handler threads -------------------------------------------
    def _record_and_pick(self, request: Request) -> Reply:
        with self._lock:
            self._requests.append(request)
            self._lock.notify_all()
            for key in (request.path, '*'):
                queue = self._queues.get(key)
                if queue:
                    return queue.pop(0)
                if key in self._defaults:
                    return self._defaults[key]
            return Reply()

    def _count_connection(self) -> None:
        with self._lock:
            self._connections += 1

    def _count_streamed(self, count: int) -> None:
        with self._lock:
            self._streamed += count

    def _count_handshake_failure(self) -> None:
        with self._lock:
            self._handshake_failures += 1


def port_is_free(port: int, host: str = '127.0.0.1') -> bool:
    with socket.socket() as probe:
        probe.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        try:
            probe.bind((host, port))
        except OSError:
            return False
        return True
