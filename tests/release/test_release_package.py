"""The release package's zip writer and its check: the same files give the same bytes
whatever their times and order on disk, and the check takes a product build's package
and refuses a test build's program (loopback hosts, a CA file of its own) and a zip not
written the reproducible way."""

from __future__ import annotations

import hashlib
import os
import pathlib
import subprocess
import sys
import zipfile

import pytest

ROOT = pathlib.Path(__file__).resolve().parents[2]
MAKE_ZIP = ROOT / 'packaging' / 'make_release_zip.py'
CHECK = ROOT / 'scripts' / 'check-release-package.py'
EPOCH = 1700000000  # 2023-11-14 22:13:20 UTC
NOTICES = '\n'.join(['Daniel Stenberg', "This software is provided 'as-is'",
                     'GCC RUNTIME LIBRARY EXCEPTION', 'GNU GENERAL PUBLIC LICENSE',
                     'the mingw-w64 project', 'mingw-w64-libraries/winpthreads/'])


def wide(text: str) -> bytes:
    return text.encode('utf-16-le') + b'\0\0'


def program(*strings: bytes, imports=('KERNEL32.dll', 'msvcrt.dll', 'WS2_32.dll')) -> bytes:
    """A PE32 i386 image as far as the checks read it: an import table naming IMPORTS
    in an .idata section, a ".CRT" section name, and STRINGS in its data with the
    product's hosts and libcurl's own ASCII "localhost"."""
    header = bytearray(0x200)
    header[:2] = b'MZ'
    header[0x3C:0x40] = (0x80).to_bytes(4, 'little')
    header[0x80:0x86] = b'PE\0\0\x4c\x01'
    header[0x86:0x88] = (2).to_bytes(2, 'little')       # sections
    header[0x94:0x96] = (0xE0).to_bytes(2, 'little')    # optional header size
    optional = 0x98
    header[optional:optional + 2] = (0x10B).to_bytes(2, 'little')
    header[optional + 28:optional + 32] = (0x400000).to_bytes(4, 'little')
    header[optional + 92:optional + 96] = (16).to_bytes(4, 'little')
    header[optional + 104:optional + 112] = (0x1000).to_bytes(4, 'little') + (0x100).to_bytes(4, 'little')
    for index, (name, address) in enumerate(((b'.idata', 0x1000), (b'.CRT', 0x2000))):
        entry = optional + 0xE0 + 40 * index
        header[entry:entry + 8] = name.ljust(8, b'\0')
        header[entry + 8:entry + 24] = b''.join(value.to_bytes(4, 'little') for value in (
            0x200, address, 0x200 if address == 0x1000 else 0, 0x200 if address == 0x1000 else 0))
    idata = bytearray(0x200)
    names_at = 20 * (len(imports) + 1)
    for index, dll in enumerate(imports):
        idata[20 * index + 12:20 * index + 16] = (0x1000 + names_at).to_bytes(4, 'little')
        encoded = dll.encode() + b'\0'
        idata[names_at:names_at + len(encoded)] = encoded
        names_at += len(encoded)
    data = [b'localhost\0.localhost\0', wide('www.vantor.example'),
            wide('collector.vantor.example'), *strings]
    return bytes(header) + bytes(idata) + b'\0'.join(data)


def package_files(folder: pathlib.Path, exe: bytes) -> list:
    folder.mkdir(parents=True, exist_ok=True)
    files = {'QivDepends.exe': exe, 'version.ini': b'[versioninfo]\r\nbuild=V3.0.0.1\r\n',
             'THIRD_PARTY_NOTICES.txt': NOTICES.encode()}
    sums = ''.join(f'{hashlib.sha256(data).hexdigest()}  {name}\n' for name, data in files.items())
    files['SHA256SUMS'] = sums.encode()
    for name, data in files.items():
        (folder / name).write_bytes(data)
    return [folder / name for name in files]


def make_zip(files, output, env=None, cwd=ROOT) -> subprocess.CompletedProcess:
    environment = {k: v for k, v in os.environ.items() if k != 'SOURCE_DATE_EPOCH'}
    environment.update(env or {})
    return subprocess.run([sys.executable, str(MAKE_ZIP), '--source-dir', str(cwd), '--output',
                           str(output), *map(str, files)], env=environment,
                          capture_output=True, text=True)


def check(path) -> subprocess.CompletedProcess:
    return subprocess.run([sys.executable, str(CHECK), str(path)], capture_output=True, text=True)


def test_same_files_give_the_same_zip_whatever_their_times_and_order(tmp_path):
    first = package_files(tmp_path / 'a', program())
    second = package_files(tmp_path / 'elsewhere' / 'b', program())
    for number, path in enumerate(second):
        os.utime(path, (EPOCH + 1000 * number, EPOCH + 1000 * number))
    env = {'SOURCE_DATE_EPOCH': str(EPOCH)}
    assert make_zip(first, tmp_path / 'one.zip', env).returncode == 0
    assert make_zip(list(reversed(second)), tmp_path / 'two.zip', env).returncode == 0
    assert (tmp_path / 'one.zip').read_bytes() == (tmp_path / 'two.zip').read_bytes()

    with zipfile.ZipFile(tmp_path / 'one.zip') as archive:
        entries = archive.infolist()
    assert [e.filename for e in entries] == sorted(p.name for p in first)
    assert {(e.date_time, e.external_attr >> 16, e.extra) for e in entries} == {
        ((2023, 11, 14, 22, 13, 20), 0o100644, b'')}
    assert check(tmp_path / 'one.zip').returncode == 0


def test_zip_time_comes_from_the_commit_without_source_date_epoch(tmp_path):
    files = package_files(tmp_path / 'files', program())
    tree = tmp_path / 'tree'
    tree.mkdir()
    git_env = {**os.environ, 'GIT_AUTHOR_DATE': f'@{EPOCH} +0000',
               'GIT_COMMITTER_DATE': f'@{EPOCH} +0000', 'GIT_AUTHOR_NAME': 'r',
               'GIT_AUTHOR_EMAIL': 'r@example.org', 'GIT_COMMITTER_NAME': 'r',
               'GIT_COMMITTER_EMAIL': 'r@example.org'}
    subprocess.run(['git', 'init', '-q', str(tree)], check=True)
    subprocess.run(['git', '-C', str(tree), 'commit', '-q', '--allow-empty', '-m', 'r'],
                   check=True, env=git_env)
    assert make_zip(files, tmp_path / 'commit.zip', cwd=tree).returncode == 0
    with zipfile.ZipFile(tmp_path / 'commit.zip') as archive:
        assert {e.date_time for e in archive.infolist()} == {(2023, 11, 14, 22, 13, 20)}

    # Neither a commit nor a time: no zip with whatever time the machine has.
    refused = make_zip(files, tmp_path / 'none.zip', cwd=tmp_path / 'files')
    assert refused.returncode != 0 and 'SOURCE_DATE_EPOCH' in refused.stderr
    assert not (tmp_path / 'none.zip').exists()
    bad = make_zip(files, tmp_path / 'bad.zip', {'SOURCE_DATE_EPOCH': 'yesterday'})
    assert bad.returncode != 0 and not (tmp_path / 'bad.zip').exists()


# What a test build's program carries, and whether the check takes it.
PROGRAMS = [
    ('product hosts', b'', None),
    ('loopback site', wide('www.vantor.localhost:47443'), 'www.vantor.localhost:47443'),
    ('loopback collector', wide('collector.vantor.LOCALHOST'), 'collector.vantor.LOCALHOST'),
    ('QA suffix', wide('-qa.vantor.localhost'), '-qa.vantor.localhost'),
    ('loopback address', wide('127.0.0.1:47080'), '127.0.0.1:47080'),
    ('test CA path', b'Z:/home/build/src/tests/data/tls/ca.pem\0',
     'Z:/home/build/src/tests/data/tls/ca.pem'),
    ('CA file with blanks', b'C:\\Program Files\\Certs\\bundle.CRT\0', 'bundle.CRT'),
    ('wide CA file', wide('C:\\certs\\trust.cer'), 'C:\\certs\\trust.cer'),
]


@pytest.mark.parametrize('name, strings, named', PROGRAMS, ids=[p[0] for p in PROGRAMS])
def test_check_refuses_a_test_build(tmp_path, name, strings, named):
    files = package_files(tmp_path / 'files', program(strings))
    assert make_zip(files, tmp_path / 'package.zip', {'SOURCE_DATE_EPOCH': str(EPOCH)}).returncode == 0
    result = check(tmp_path / 'package.zip')
    if named is None:
        assert result.returncode == 0, result.stderr
    else:
        assert result.returncode != 0
        assert 'test build' in result.stderr and named in result.stderr, result.stderr


# Import tables: known DLLs pass in any letter case; a DLL Windows would first look
# for beside the program does not.
IMPORTS = [
    ('known only', ('KERNEL32.dll', 'ADVAPI32.dll', 'ntdll.dll', 'msvcrt.dll', 'ws2_32.DLL'), None),
    ('winhttp', ('KERNEL32.dll', 'WINHTTP.dll'), 'WINHTTP.dll'),
    ('crypt32 and bcrypt', ('bcrypt.dll', 'CRYPT32.dll', 'USER32.dll'), 'bcrypt.dll, CRYPT32.dll'),
    ('version', ('VERSION.dll',), 'VERSION.dll'),
]


@pytest.mark.parametrize('name, imports, named', IMPORTS, ids=[i[0] for i in IMPORTS])
def test_checks_refuse_imports_outside_the_known_dlls(tmp_path, name, imports, named):
    files = package_files(tmp_path / 'files', program(imports=imports))
    assert make_zip(files, tmp_path / 'package.zip', {'SOURCE_DATE_EPOCH': str(EPOCH)}).returncode == 0
    packaged = check(tmp_path / 'package.zip')
    alone = subprocess.run([sys.executable, str(ROOT / 'scripts' / 'pe_imports.py'),
                            str(tmp_path / 'files' / 'QivDepends.exe')],
                           capture_output=True, text=True)
    assert ', '.join(imports) in alone.stdout
    for result in (packaged, alone):
        if named is None:
            assert result.returncode == 0, result.stderr
        else:
            assert result.returncode != 0
            assert f'not known DLLs: {named}' in result.stderr, result.stderr


def rewrite(source: pathlib.Path, target: pathlib.Path, change) -> None:
    """A copy of the zip SOURCE with its entries passed through CHANGE(entries)."""
    with zipfile.ZipFile(source) as archive:
        entries = [(info, archive.read(info)) for info in archive.infolist()]
    with zipfile.ZipFile(target, 'w') as archive:
        for info, data in change(entries):
            archive.writestr(info, data)


def later(entries):
    entries[-1][0].date_time = (2024, 1, 1, 0, 0, 0)
    return entries


def with_owner(entries):
    entries[0][0].extra = b'ux\x0b\x00\x01\x04\xe8\x03\x00\x00\x04\xe8\x03\x00\x00'
    return entries


def other_program(entries):
    return [(info, program(b'changed') if info.filename == 'QivDepends.exe' else data)
            for info, data in entries]


def extra_file(entries):
    info = zipfile.ZipInfo('notes.txt', date_time=entries[0][0].date_time)
    return entries + [(info, b'x')]


ZIPS = [('reversed order', lambda entries: list(reversed(entries)), 'order'),
        ('one later time', later, 'different times'),
        ('owner field', with_owner, 'extra fields'),
        ('program not in the checksums', other_program, 'does not match QivDepends.exe'),
        ('a fifth file', extra_file, 'expected')]


@pytest.mark.parametrize('name, change, message', ZIPS, ids=[z[0] for z in ZIPS])
def test_check_refuses_a_zip_not_written_reproducibly(tmp_path, name, change, message):
    files = package_files(tmp_path / 'files', program())
    assert make_zip(files, tmp_path / 'good.zip', {'SOURCE_DATE_EPOCH': str(EPOCH)}).returncode == 0
    rewrite(tmp_path / 'good.zip', tmp_path / 'changed.zip', change)
    result = check(tmp_path / 'changed.zip')
    assert result.returncode != 0 and message in result.stderr, result.stderr
