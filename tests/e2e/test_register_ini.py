"""PostInstallEvent complete writes Register.ini into the client's folder, which a
standard user may be able to write: whatever is planted at its name is replaced as
an entry, never written through, and a file of its own keeps what it held. Both
runners; the links are planted from the host (Wine sees them as the host's)."""

import os

import pytest

from funnel import ATTRIBUTION_KEYS, FAST, events, read_ini

VALUES = ['TX42', 'OF7', 'VN3', 'de', 'ska', 'CLK9']
STORED = list(zip(ATTRIBUTION_KEYS, VALUES + ['0'] * 4))
PRECIOUS = b'[secret]\r\nkey=precious\r\n'


def complete(runner, ini):
    return runner.run(['PostInstallEvent', 'complete', runner.host_path(ini), *VALUES], env=FAST)


@pytest.fixture
def place(tmp_path):
    """The client's folder, and a file elsewhere on the volume a plant leads to."""
    client, elsewhere = tmp_path / 'client', tmp_path / 'elsewhere'
    client.mkdir()
    elsewhere.mkdir()
    (elsewhere / 'precious.ini').write_bytes(PRECIOUS)
    return client / 'Register.ini', elsewhere


@pytest.mark.parametrize('plant', [
    lambda ini, elsewhere: os.link(elsewhere / 'precious.ini', ini),
    lambda ini, elsewhere: os.symlink(elsewhere / 'precious.ini', ini),
    lambda ini, elsewhere: os.symlink(elsewhere / 'planted.dll', ini),
], ids=['hard link', 'symbolic link', 'link to a file not there yet'])
def test_a_link_planted_as_register_ini_is_replaced_not_written_through(
        runner, place, plant):
    ini, elsewhere = place
    plant(ini, elsewhere)
    result = complete(runner, ini)

    assert result.returncode == 0
    assert (elsewhere / 'precious.ini').read_bytes() == PRECIOUS
    assert os.stat(elsewhere / 'precious.ini').st_nlink == 1
    assert not (elsewhere / 'planted.dll').exists()
    assert not ini.is_symlink() and ini.is_file() and os.stat(ini).st_nlink == 1
    assert read_ini(ini) == [('registered_from', STORED)]
    assert sorted(path.name for path in ini.parent.iterdir()) == ['Register.ini']


def utf16(text):
    return b'\xff\xfe' + text.encode('utf-16-le')


@pytest.mark.parametrize('before, after', [
    (b'; client settings\r\n[client]\r\nlang=de\r\n\r\n[registered_from]\r\n'
     b'login_triggered=1\r\nTRANS_ID = old\r\n\r\n[later]\r\nx=1\r\n',
     b'; client settings\r\n[client]\r\nlang=de\r\n\r\n[registered_from]\r\n'
     b'login_triggered=0\r\nTRANS_ID=TX42\r\n' +
     b''.join(f'{key}={value}\r\n'.encode() for key, value in STORED
              if key not in ('trans_id', 'login_triggered')) + b'\r\n[later]\r\nx=1\r\n'),
    (utf16('[client]\r\nlang=de\r\n'),
     utf16('[client]\r\nlang=de\r\n\r\n[registered_from]\r\n' +
           ''.join(f'{key}={value}\r\n' for key, value in STORED))),
], ids=['other sections, keys and comments kept in order', 'UTF-16 kept UTF-16'])
def test_a_file_of_its_own_keeps_what_it_held(runner, collector, place, before, after):
    ini, _ = place
    ini.write_bytes(before)
    result = complete(runner, ini)

    assert result.returncode == 0
    assert ini.read_bytes() == after
    # The uninstaller reads the values back through the profile functions.
    collector.clear()
    runner.run(['UninstallSoftware', 'en', '1', runner.host_path(ini.parent) + '\\'], env=FAST)
    [event] = events(collector)
    assert event['installer_params']['hoff_transaction_id'] == 'TX42'


def test_a_folder_that_cannot_be_held_gets_nothing(runner, place):
    ini, _ = place
    missing = ini.parent / 'missing' / 'Register.ini'
    result = complete(runner, missing)

    assert result.returncode == 0
    assert not missing.parent.exists()
    assert result.has_line('profile file not written (its folder cannot be held): ' +
                           runner.host_path(missing))
