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


# Wine has no links of its own and shows the host's as what they lead to: it opens
# a link's target, and its rename does not replace a dangling link. Windows' links
# are reparse points, opened and replaced as themselves, as on the stand-in.
@pytest.mark.parametrize('plant, under_wine', [
    (lambda ini, elsewhere: os.link(elsewhere / 'precious.ini', ini), 'own file'),
    (lambda ini, elsewhere: os.symlink(elsewhere / 'precious.ini', ini), 'target carried'),
    (lambda ini, elsewhere: os.symlink(elsewhere / 'planted.dll', ini), 'not written'),
], ids=['hard link', 'symbolic link', 'link to a file not there yet'])
def test_a_link_planted_as_register_ini_is_replaced_not_written_through(
        runner, runner_kind, place, plant, under_wine):
    ini, elsewhere = place
    plant(ini, elsewhere)
    result = complete(runner, ini)
    outcome = under_wine if runner_kind == 'wine' else 'own file'

    assert result.returncode == 0
    assert (elsewhere / 'precious.ini').read_bytes() == PRECIOUS
    assert os.stat(elsewhere / 'precious.ini').st_nlink == 1
    assert not (elsewhere / 'planted.dll').exists()
    assert sorted(path.name for path in ini.parent.iterdir()) == ['Register.ini']
    if outcome == 'not written':
        assert ini.is_symlink()
        return
    assert not ini.is_symlink() and ini.is_file() and os.stat(ini).st_nlink == 1
    carried = [('secret', [('key', 'precious')])] if outcome == 'target carried' else []
    assert read_ini(ini) == carried + [('registered_from', STORED)]


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
