"""Checks of the shared harness itself, so suites can trust what it records."""

import http.client
import ssl
import stat
import time
import urllib.error
import urllib.request

import pytest

from harness import NativeRunner, RecordingServer, Registry, multipart, tls


def _open(url, data=None, headers=None, context=None, timeout=5):
    request = urllib.request.Request(url, data=data, headers=headers or {})
    try:
        with urllib.request.urlopen(request, context=context, timeout=timeout) as answer:
            return answer.status, answer.read(), answer.headers
    except urllib.error.HTTPError as error:
        return error.code, error.read(), error.headers


class _NoRedirect(urllib.request.HTTPRedirectHandler):
    def redirect_request(self, *args, **kwargs):
        return None


def test_records_request_and_answers_from_queue_then_default():
    with RecordingServer('http') as server:
        server.reply('/a', status=201, body='first')
        server.default('/a', status=500, body=b'later')
        assert _open(server.url('/a?x=1&y=&z=%20q'), data=b'payload',
                     headers={'X-Test': 'yes'})[:2] == (201, b'first')
        assert _open(server.url('/a'))[:2] == (500, b'later')
        assert _open(server.url('/a'))[:2] == (500, b'later')
        assert _open(server.url('/other'))[:2] == (200, b'')
        first = server.requests[0]
        assert (first.method, first.path, first.query) == ('POST', '/a', 'x=1&y=&z=%20q')
        assert first.params == {'x': ['1'], 'y': [''], 'z': [' q']}
        assert first.body == b'payload'
        assert first.header('x-test') == 'yes'
        assert len(server.requests) == 4


def test_redirect_sends_location_with_302():
    with RecordingServer('http') as server:
        server.reply('/from', redirect='/to', body='moved')
        opener = urllib.request.build_opener(_NoRedirect)
        with pytest.raises(urllib.error.HTTPError) as raised:
            opener.open(server.url('/from'), timeout=5)
        assert raised.value.code == 302
        assert raised.value.headers['Location'] == '/to'


def test_https_trusted_verifies_against_test_ca_and_untrusted_does_not():
    with RecordingServer('https', cert='trusted') as good, \
            RecordingServer('https', cert='untrusted') as bad:
        context = tls.client_context()
        assert _open(good.url('/', host='localhost'), context=context)[0] == 200
        with pytest.raises(urllib.error.URLError) as raised:
            _open(bad.url('/', host='localhost'), context=context)
        assert isinstance(raised.value.reason, ssl.SSLCertVerificationError)
        bad.wait_for_requests(0)
        assert bad.requests == []
        deadline = time.monotonic() + 2
        while bad.handshake_failures == 0 and time.monotonic() < deadline:
            time.sleep(0.01)
        assert (bad.connections, bad.handshake_failures) == (1, 1)


def test_hang_and_delay_do_not_hold_up_stop():
    server = RecordingServer('http').start()
    server.reply('/hang', hang=True)
    connection = http.client.HTTPConnection('127.0.0.1', server.port, timeout=5)
    connection.request('GET', '/hang')
    assert len(server.wait_for_requests(1, timeout=2)) == 1
    started = time.monotonic()
    server.stop()
    assert time.monotonic() - started < 2
    connection.close()


def test_delay_postpones_answer():
    with RecordingServer('http') as server:
        server.reply('/slow', delay=0.3, body='late')
        started = time.monotonic()
        assert _open(server.url('/slow'))[1] == b'late'
        assert time.monotonic() - started >= 0.3


def test_multipart_parts_keep_wire_order_and_raw_utf8():
    body = (b'--XyZ\r\nContent-Disposition: form-data; name="zeta"\r\n\r\nlast\r\n'
            b'--XyZ\r\nContent-Disposition: form-data; name="\xc3\xa9t\xc3\xa9"\r\n\r\n'
            b'line one\r\nline two\r\n'
            b'--XyZ\r\nContent-Disposition: form-data; name="f"; filename="a.txt"\r\n'
            b'Content-Type: text/plain\r\n\r\n\r\n--XyZ--\r\n')
    parts = multipart.parse('multipart/form-data; boundary=XyZ', body)
    assert [part.name for part in parts] == ['zeta', '\u00e9t\u00e9', 'f']
    assert parts[1].value == b'line one\r\nline two'
    assert (parts[2].filename, parts[2].value) == (b'a.txt', b'')
    assert parts[2].headers['content-type'] == 'text/plain'
    assert multipart.parse('text/plain', body) == []


def test_multipart_is_recorded_by_server():
    body = b'--b1\r\nContent-Disposition: form-data; name="q"\r\n\r\nv\r\n--b1--\r\n'
    with RecordingServer('http') as server:
        _open(server.url('/f'), data=body,
              headers={'Content-Type': 'multipart/form-data; boundary=b1'})
        assert server.requests[0].form() == {'q': 'v'}


@pytest.mark.parametrize('utf16', [True, False])
def test_registry_round_trip(tmp_path, utf16):
    path = tmp_path / 'reg.reg'
    Registry().set('HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvandel\\Vantor\\Game1', 'INSTALL_PATH',
                   'C:\\Games\\\u00c9 "one"').set('HKEY_LOCAL_MACHINE\\SOFTWARE\\X', '', 'dflt') \
        .set('HKEY_LOCAL_MACHINE\\SOFTWARE\\X', 'Count', 7).save(path, utf16=utf16)
    loaded = Registry.load(path)
    assert loaded.value('hkey_local_machine\\software\\orvandel\\vantor\\game1',
                        'install_path') == 'C:\\Games\\\u00c9 "one"'
    assert loaded.subkeys('HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvandel\\Vantor') == ['Game1']
    assert loaded.values('HKEY_LOCAL_MACHINE\\SOFTWARE\\X') == {'': 'dflt',
                                                                'Count': 'dword:00000007'}


def test_registry_reads_regedit_exports():
    text = ('Windows Registry Editor Version 5.00\r\n\r\n'
            '[HKEY_LOCAL_MACHINE\\A]\r\n"Bin"=hex:01,02,\\\r\n  03\r\n"S"="x"\r\n\r\n'
            '[HKEY_LOCAL_MACHINE\\A\\B]\r\n\r\n[-HKEY_LOCAL_MACHINE\\A\\B]\r\n')
    registry = Registry.parse(text)
    assert registry.value('HKEY_LOCAL_MACHINE\\A', 'bin') == 'hex:01,02,03'
    assert not registry.has_key('HKEY_LOCAL_MACHINE\\A\\B')
    with pytest.raises(ValueError):
        Registry.parse('[HKEY_LOCAL_MACHINE\\A]\r\n')


def test_native_runner_passes_text_args_as_utf8_and_splits_debug_lines(tmp_path):
    script = tmp_path / 'fake.sh'
    script.write_text('#!/bin/sh\nprintf "%s\\n" "$1" | od -An -tx1 | tr -d " \\n" >&2\n'
                      'printf "\\nREG=%s\\n" "$QIV_REGISTRY_FILE" >&2\nexit 3\n')
    script.chmod(script.stat().st_mode | stat.S_IEXEC)
    runner = NativeRunner(script)
    runner.load_registry(tmp_path / 'r.reg')
    result = runner.run(['\u00e9'])
    assert result.returncode == 3
    assert result.debug_lines == ['c3a90a', f'REG={tmp_path / "r.reg"}']
    moved = runner.relocated(tmp_path / 'copy')
    assert moved.exe == tmp_path / 'copy' / 'fake.sh'
    assert moved.run(['a'], env={'QIV_ACP': 'UTF-8'}).debug_lines[0] == '610a'


def test_serve_cli_scripts_and_reports_over_pipes():
    import pathlib
    import subprocess
    import sys
    serve = pathlib.Path(__file__).parent / 'harness' / 'serve.py'
    process = subprocess.Popen([sys.executable, str(serve), '--server', 'http:0'],
                               stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
    try:
        port = int(process.stdout.readline().split()[1])

        def command(line):
            process.stdin.write(line + '\n')
            process.stdin.flush()
            answer = [process.stdout.readline().strip()]
            while answer[0].startswith('connections') and answer[-1] != 'end':
                answer.append(process.stdout.readline().strip())
            return answer

        assert command('reply 0 /p 201 6869 location=2f71') == ['ok']
        assert command('bogus 0') == ['error unknown command bogus']
        body = b'--b\r\nContent-Disposition: form-data; name="n"\r\n\r\nv\r\n--b--\r\n'
        status, answer, headers = _open(f'http://127.0.0.1:{port}/p?a=%20', data=body,
                                        headers={'Content-Type': 'multipart/form-data; boundary=b'})
        assert (status, headers['Location']) == (201, '/q')
        records = command('records 0')
        assert records[0] == 'connections 1'
        words = records[1].split()
        assert words[:2] == ['request', 'POST']
        assert bytes.fromhex(words[2]) == b'/p?a=%20'
        assert bytes.fromhex(words[3]) == body
        assert records[2:] == [f'part {b"n".hex()} {b"v".hex()}', 'end']
    finally:
        process.stdin.close()
        process.wait(timeout=5)
