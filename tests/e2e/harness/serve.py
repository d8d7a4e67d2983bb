"""Recording servers for a test program in another language, driven over stdin/stdout.

    python3 serve.py --server https:47443:trusted --server http:0

starts the servers and prints "ready PORT..." (one port per --server, in order).
Then one command per input line, each answered on standard output:

    reply INDEX PATH STATUS BODY [location=HEX] [delay=SECONDS] [hang] [default]
        -> ok        queue one answer for PATH ('*' = any path); 'default' makes it
                     the path's answer from now on instead
    records INDEX
        -> connections N
           request METHOD TARGET BODY HOST PARTS    (one line per request, in order)
           part NAME VALUE                          (PARTS lines after each request)
           end
    clear INDEX  -> ok
    quit (or end of input) stops the servers.

BODY, TARGET, HOST, NAME, VALUE and HEX are bytes as lowercase hex, '-' when empty.
"""

from __future__ import annotations

import argparse
import pathlib
import sys

if __package__ in (None, ''):
    sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent.parent))
    from harness.server import RecordingServer  # noqa: E402
else:
    from .server import RecordingServer


def _hex(data: bytes) -> str:
    return data.hex() if data else '-'


def _unhex(text: str) -> bytes:
    return b'' if text == '-' else bytes.fromhex(text)


def _reply(server: RecordingServer, words: list) -> None:
    path, status, body = words[0], int(words[1]), _unhex(words[2])
    options = {'delay': 0.0, 'hang': False, 'redirect': None, 'times': 1}
    for word in words[3:]:
        if word == 'hang':
            options['hang'] = True
        elif word == 'default':
            options['times'] = None
        elif word.startswith('delay='):
            options['delay'] = float(word[6:])
        elif word.startswith('location='):
            options['redirect'] = _unhex(word[9:]).decode('latin-1')
        else:
            raise ValueError(f'unknown option {word}')
    server.reply(path, status=status, body=body, **options)


def _records(server: RecordingServer) -> list:
    lines = [f'connections {server.connections}']
    for request in server.requests:
        lines.append(' '.join(['request', request.method, _hex(request.target.encode('latin-1')),
                               _hex(request.body), _hex(request.server_name.encode('latin-1')),
                               str(len(request.parts))]))
        lines.extend(f'part {_hex(part.name_bytes)} {_hex(part.value)}' for part in request.parts)
    lines.append('end')
    return lines


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--server', action='append', required=True,
                        help='SCHEME:PORT[:CERT], e.g. https:47443:trusted or http:0')
    options = parser.parse_args()
    servers = []
    try:
        for description in options.server:
            scheme, port, *cert = description.split(':')
            servers.append(RecordingServer(scheme, int(port), cert=cert[0] if cert else 'trusted')
                           .start())
        print('ready', *(server.port for server in servers), flush=True)
        for line in sys.stdin:
            words = line.split()
            if not words:
                continue
            if words[0] == 'quit':
                break
            try:
                server = servers[int(words[1])]
                if words[0] == 'reply':
                    _reply(server, words[2:])
                    answer = ['ok']
                elif words[0] == 'records':
                    answer = _records(server)
                elif words[0] == 'clear':
                    server.clear()
                    answer = ['ok']
                else:
                    answer = [f'error unknown command {words[0]}']
            except (IndexError, ValueError) as error:
                answer = [f'error {error}'.replace('\n', ' ')]
            print('\n'.join(answer), flush=True)
    finally:
        for server in servers:
            server.stop()
    return 0


if __name__ == '__main__':
    sys.exit(main())
