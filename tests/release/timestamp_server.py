#!/usr/bin/env python3
"""An RFC 3161 time-stamp server on the loopback interface for the release's signing
check: it answers each time-stamp query with `openssl ts -reply`, signed by the given
time-stamping certificate. It writes its URL to URL_FILE once it listens.

    timestamp_server.py --cert TSA.pem --key TSA.key --chain CA.pem --url-file URL_FILE
"""

from __future__ import annotations

import argparse
import http.server
import pathlib
import subprocess
import sys
import tempfile

CONFIG = '''[ tsa ]
default_tsa = tsa_config
[ tsa_config ]
serial = {dir}/serial
crypto_device = builtin
signer_cert = {cert}
signer_key = {key}
certs = {chain}
signer_digest = sha256
default_policy = 1.3.6.1.4.1.4146.2.3
digests = sha256, sha384, sha512
accuracy = secs:1
ordering = yes
tsa_name = yes
ess_cert_id_chain = no
ess_cert_id_alg = sha256
'''


def handler(config: pathlib.Path, scratch: pathlib.Path):
    class TimeStamps(http.server.BaseHTTPRequestHandler):
        def do_POST(self):  # noqa: N802 (the standard library's name)
            query = self.rfile.read(int(self.headers.get('Content-Length', 0)))
            with tempfile.TemporaryDirectory(dir=scratch) as work:
                (pathlib.Path(work) / 'query').write_bytes(query)
                answered = subprocess.run(
                    ['openssl', 'ts', '-reply', '-config', str(config), '-queryfile',
                     f'{work}/query', '-out', f'{work}/reply'], capture_output=True)
                if answered.returncode != 0:
                    sys.stderr.write(answered.stderr.decode(errors='replace'))
                    self.send_error(500)
                    return
                reply = (pathlib.Path(work) / 'reply').read_bytes()
            self.send_response(200)
            self.send_header('Content-Type', 'application/timestamp-reply')
            self.send_header('Content-Length', str(len(reply)))
            self.end_headers()
            self.wfile.write(reply)

        def log_message(self, *args):
            pass

    return TimeStamps


def main(argv) -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    for name in ('cert', 'key', 'chain', 'url-file'):
        parser.add_argument(f'--{name}', required=True, type=pathlib.Path)
    options = parser.parse_args(argv)
    with tempfile.TemporaryDirectory() as scratch:
        folder = pathlib.Path(scratch)
        (folder / 'serial').write_text('01\n')
        config = folder / 'tsa.cnf'
        config.write_text(CONFIG.format(dir=folder, cert=options.cert.resolve(),
                                        key=options.key.resolve(),
                                        chain=options.chain.resolve()))
        server = http.server.HTTPServer(('127.0.0.1', 0), handler(config, folder))
        partial = options.url_file.with_name(options.url_file.name + '.partial')
        partial.write_text(f'http://127.0.0.1:{server.server_address[1]}/\n')
        partial.replace(options.url_file)
        server.serve_forever()
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
