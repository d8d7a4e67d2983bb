"""The committed TLS test data (tests/data/tls) and server contexts made from it."""

from __future__ import annotations

import pathlib
import ssl

DATA_DIR = pathlib.Path(__file__).resolve().parents[2] / 'data' / 'tls'
CA_FILE = DATA_DIR / 'ca.pem'

_CERTS = {
    'trusted': (DATA_DIR / 'server.pem', DATA_DIR / 'server-key.pem'),
    'untrusted': (DATA_DIR / 'untrusted.pem', DATA_DIR / 'untrusted-key.pem'),
}


def server_context(cert: str = 'trusted') -> ssl.SSLContext:
    """'trusted': signed by the test CA (ca.pem); 'untrusted': self-signed."""
    try:
        cert_file, key_file = _CERTS[cert]
    except KeyError:
        raise ValueError(f'unknown certificate {cert!r}') from None
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert_file, key_file)
    return context


def client_context() -> ssl.SSLContext:
    """A client context that trusts only the test CA."""
    return ssl.create_default_context(cafile=str(CA_FILE))
