"""What makes the build a product an installer can start: the executable's form (the
Windows build), the build string read from version.ini beside the program, the log
lines of one run, and the HTTP library starting over the system's TLS."""

from __future__ import annotations

import pathlib
import re
import struct

import pytest

from funnel import FAST, events
from harness import Registry

DEFAULT_BUILD = 'V3.0.0.999999'
DRIVER_LINES = ['Enter into main entry...', 'Start to uninstall software...',
                'End to uninstall software...', 'Exit main entry...']
# DLLs every Windows system has (lower case).
SYSTEM_DLLS = {'kernel32.dll', 'advapi32.dll', 'shell32.dll', 'user32.dll', 'ws2_32.dll',
               'crypt32.dll', 'bcrypt.dll', 'secur32.dll', 'msvcrt.dll', 'ole32.dll',
               'shlwapi.dll', 'winmm.dll', 'iphlpapi.dll', 'normaliz.dll', 'wldap32.dll',
               'winhttp.dll', 'userenv.dll', 'ntdll.dll'}
# Windows 7, 8, 8.1 and 10/11, as the manifest's supportedOS entries name them.
SUPPORTED_OS_IDS = [b'{35138b9a-5d96-4fbd-8e2d-a2440225f93a}',
                    b'{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}',
                    b'{1f676c76-80e1-4239-95bb-83d0f6d0da78}',
                    b'{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}']


def pe_summary(path) -> dict:
    """Machine, optional-header magic, subsystem and imported DLL names of a PE file."""
    data = pathlib.Path(path).read_bytes()
    assert data[:2] == b'MZ'
    pe = struct.unpack_from('<I', data, 0x3C)[0]
    assert data[pe:pe + 4] == b'PE\0\0'
    machine, sections, _, _, _, optional_size, _ = struct.unpack_from('<HHIIIHH', data, pe + 4)
    optional = pe + 24
    magic = struct.unpack_from('<H', data, optional)[0]
    os_version = struct.unpack_from('<HH', data, optional + 40)
    subsystem_version = struct.unpack_from('<HH', data, optional + 48)
    subsystem, dll_characteristics = struct.unpack_from('<HH', data, optional + 68)
    resource_size = struct.unpack_from('<I', data, optional + 96 + 16 + 4)[0]
    # PE32: 16 data directories from offset 96; the import table is the second.
    import_rva = struct.unpack_from('<I', data, optional + 96 + 8)[0]
    table = []
    for index in range(sections):
        entry = optional + optional_size + 40 * index
        size, rva, raw_size, raw = struct.unpack_from('<IIII', data, entry + 8)
        table.append((rva, max(size, raw_size), raw))

    def offset(rva):
        for start, size, raw in table:
            if start <= rva < start + size:
                return raw + rva - start
        raise ValueError(f'RVA {rva:#x} outside every section')

    names = []
    descriptor = offset(import_rva)
    while True:
        fields = struct.unpack_from('<IIIII', data, descriptor)
        if not any(fields):
            break
        name_at = offset(fields[3])
        names.append(data[name_at:data.index(b'\0', name_at)].decode('ascii'))
        descriptor += 20
    return {'machine': machine, 'magic': magic, 'subsystem': subsystem, 'imports': names,
            'os_version': os_version, 'subsystem_version': subsystem_version,
            'dll_characteristics': dll_characteristics, 'resource_size': resource_size,
            'size': len(data)}


def test_executable_is_a_32_bit_gui_program_needing_only_system_dlls(runner, runner_kind):
    if runner_kind != 'wine':
        pytest.skip('the Windows build')
    summary = pe_summary(runner.exe)
    assert summary['machine'] == 0x14C  # i386
    assert summary['magic'] == 0x10B  # PE32
    assert summary['subsystem'] == 2  # Windows GUI: no console
    assert summary['imports']
    assert {name.lower() for name in summary['imports']} <= SYSTEM_DLLS, summary['imports']
    # Windows 7 SP1 and later; ASLR, no-execute data, Terminal Server aware.
    assert summary['os_version'] == summary['subsystem_version'] == (6, 1)
    assert summary['dll_characteristics'] & 0x8140 == 0x8140
    assert summary['size'] < 1.7 * 1024 * 1024


def test_executable_carries_its_manifest_and_version_information(runner, runner_kind):
    if runner_kind != 'wine':
        pytest.skip('the Windows build')
    assert pe_summary(runner.exe)['resource_size'] > 0
    data = runner.exe.read_bytes()
    assert b'<requestedExecutionLevel level="asInvoker" uiAccess="false"/>' in data
    assert all(guid in data for guid in SUPPORTED_OS_IDS)

    from harness.wine import WINE64, host_path
    reader = runner.exe.parent / 'qiv_version_reader.exe'
    completed = runner.prefix.run([WINE64, host_path(reader), host_path(runner.exe)])
    assert completed.returncode == 0, completed.stderr
    fields = dict(line.split('=', 1) for line in completed.stdout.decode().splitlines())
    assert fields == {
        'FixedFileVersion': '3.0.0.0', 'FixedProductVersion': '3.0.0.0',
        'CompanyName': 'Orvandel', 'FileDescription': 'Vantor install and uninstall helper',
        'FileVersion': '3.0.0.0', 'InternalName': 'QivDepends',
        'OriginalFilename': 'QivDepends.exe', 'ProductName': 'Vantor', 'ProductVersion': '3.0.0'}


def uninstall_report(runner, collector, tmp_path):
    client = tmp_path / 'client'
    client.mkdir(exist_ok=True)
    result = runner.run(['UninstallSoftware', 'en', '0', runner.host_path(client) + '\\'],
                        env=FAST)
    assert result.returncode == 0
    [event] = events(collector)
    collector.clear()
    return result, event


@pytest.mark.parametrize('ini, build', [
    ('[versioninfo]\r\nbuild=V7.7.7.77\r\n', 'V7.7.7.77'),
    # Case does not matter in names; values are trimmed; 31 characters at most.
    ('[VersionInfo]\r\nBUILD =  V1.2.3.4-' + 'x' * 30 + '\r\n', ('V1.2.3.4-' + 'x' * 30)[:31]),
    ('[other]\r\nbuild=V9\r\n', DEFAULT_BUILD),
    (None, DEFAULT_BUILD),
])
def test_build_string_comes_from_version_ini_beside_the_program(runner, collector, tmp_path,
                                                                ini, build):
    program_dir = tmp_path / 'program'
    moved = runner.relocated(program_dir)
    if ini is not None:
        (program_dir / 'version.ini').write_text(ini, encoding='ascii')
    # A version.ini in the working directory is not the one beside the program.
    (tmp_path / 'version.ini').write_text('[versioninfo]\r\nbuild=cwd\r\n', encoding='ascii')

    result, event = uninstall_report(moved, collector, tmp_path)

    assert event['qiv_ver'] == build


def test_one_run_logs_the_driver_lines_and_starts_the_http_library(runner, collector, tmp_path):
    result, event = uninstall_report(runner, collector, tmp_path)

    driver = [line for line in result.debug_lines if line in DRIVER_LINES]
    assert driver == DRIVER_LINES
    # The library's start-up over the system's TLS would have logged its failure.
    assert not any('curl_global_init' in line for line in result.debug_lines)
    assert event['event'] == 'qiv_uninstall_start'



# Wine 8 reports the server product type for its win7 setting and the workstation type
# for win2008r2, so the name for 6.1 is not pinned here (the unit tests pin the rule).
# XP and Vista settings cannot be used: libcurl's Schannel takes a CA file only from
# Windows 7 on, and the test site's certificate needs one.
@pytest.mark.parametrize('version, description', [
    ('win7', r'Operating System: (Windows 7|Windows Server 2008 R2) Service Pack 1 64bit'),
    ('win2008r2', r'Operating System: (Windows 7|Windows Server 2008 R2) Service Pack 1 64bit'),
    ('win81', r'Operating System:  64bit'),
    ('win10', r'Operating System:  64bit'),
])
def test_feedback_describes_the_windows_version_wine_reports(runner, runner_kind, site, tmp_path,
                                                              version, description):
    if runner_kind != 'wine':
        pytest.skip("Wine's own version settings")
    # The prefix is 64-bit, so the 32-bit program runs under WOW64 whatever the version.
    fixture = Registry().set('HKEY_CURRENT_USER\\Software\\Wine', 'Version', version)
    runner.load_registry(fixture.save(tmp_path / 'version.reg'))

    result = runner.run(['UninstallSoftwareFeedback', 'en', '1', '5', 'bye'])

    assert result.returncode == 0
    [post] = site.requests
    assert re.fullmatch(description, post.form()['sysinfo']), post.form()['sysinfo']


def test_device_id_is_read_from_the_64_bit_registry_view(runner, runner_kind, collector,
                                                         tmp_path):
    if runner_kind != 'wine':
        pytest.skip('registry views exist only on Windows')
    key = 'HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Cryptography'
    # Windows keeps the machine's id in the 64-bit view only; the 32-bit view gets a
    # decoy the program must not report.
    runner.load_registry(Registry().set(key, 'MachineGuid', 'decoy-32').save(tmp_path / '32.reg'))
    real = Registry().set(key, 'MachineGuid', 'machine-64').save(tmp_path / '64.reg')
    assert runner.prefix.reg('import', runner.host_path(real), '/reg:64') == 0

    result, event = uninstall_report(runner, collector, tmp_path)

    assert event['device_id'] == 'machine-64'
