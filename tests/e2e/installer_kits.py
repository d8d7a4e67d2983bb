"""The example installers of examples/ as the kit scenario sees them: one adapter per
installer system, each building its example around the program under test and saying
how its setup and uninstaller are run and what they leave behind."""

from __future__ import annotations

import contextlib
import os
import pathlib
import re
import shutil
import signal
import subprocess

EXAMPLES = pathlib.Path(__file__).resolve().parents[2] / 'examples'
SCRIPTS = pathlib.Path(__file__).resolve().parents[2] / 'scripts'
BUILD = 'V3.0.0.77'
# QIV_NSIS_KIT measures another copy of the NSIS example (an older one, say); one that
# waits for the program may take 20 minutes on the silent network.
RUN_TIMEOUT = 1800 if os.environ.get('QIV_NSIS_KIT') else 600


def quoted(value: str) -> str:
    return f'"{value}"' if ' ' in value else value


def write_version_ini(folder: pathlib.Path) -> pathlib.Path:
    version_ini = folder / 'version.ini'
    version_ini.write_text(f'[versioninfo]\r\nbuild={BUILD}\r\n')
    return version_ini


class NsisKit:
    """examples/nsis/, built with Debian's makensis."""

    name = 'nsis'
    folder = pathlib.Path(os.environ.get('QIV_NSIS_KIT') or EXAMPLES / 'nsis')
    setup_name = 'QivClientSetup.exe'
    # The program whose start begins the install.
    started_as = setup_name
    uninstaller_name = 'uninstall.exe'
    uninstaller_copy = True
    client_files = ['QivDepends.exe', 'Register.ini', 'uninstall.exe', 'version.ini']
    uninstall_key = r'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\QivClient'

    def build(self, scratch: pathlib.Path, exe: pathlib.Path, prefix) -> pathlib.Path:
        del prefix  # makensis is a Linux program
        makensis = shutil.which('makensis')
        assert makensis, 'makensis is missing (Debian package nsis)'
        version_ini = write_version_ini(scratch)
        setup = scratch / self.setup_name
        # -WX: the example a client copies builds without warnings.
        subprocess.run([makensis, '-V2', '-WX', f'-DQIV_EXE={exe}',
                        f'-DQIV_VERSION_INI={version_ini}', f'-DOUTFILE={setup}',
                        str(self.folder / 'QivClient.nsi')], check=True, cwd=scratch)
        return setup

    @contextlib.contextmanager
    def session(self, prefix):
        del prefix
        yield

    @staticmethod
    def options(values: dict) -> str:
        return ' '.join(f'/{name}={quoted(value)}' for name, value in values.items())

    def install_command(self, runner, setup: pathlib.Path, values: dict, client: str) -> str:
        # /D= comes last, unquoted, blanks and all.
        return f'"{runner.host_path(setup)}" /S {self.options(values)} /D={client}'

    def uninstall_command(self, runner, client: pathlib.Path, values: dict) -> str:
        program = runner.host_path(client / self.uninstaller_name)
        return f'"{program}" /S {self.options(values)}'

    def is_uninstaller_copy(self, program: pathlib.PureWindowsPath) -> bool:
        """An NSIS uninstaller runs from a copy of itself in a ~nsu folder."""
        return program.parent.name.startswith('~nsu')

    def own_leftover(self, path: pathlib.Path) -> bool:
        """The empty folder an NSIS uninstaller ran from, which NSIS itself leaves for
        the next restart."""
        return path.name.startswith('~nsu') and path.is_dir() and not any(path.iterdir())

    def in_own_folder(self, path: str) -> bool:
        """A file of the folder an NSIS uninstaller runs its copy from."""
        return '~nsu' in path


class InnoSetupKit:
    """examples/innosetup/, built with the Inno Setup compiler (the npm package, a
    Windows program run in the prefix; scripts/install-innosetup.sh). Its setups need
    a display even when very silent: a virtual one, Debian's Xvfb."""

    name = 'innosetup'
    folder = EXAMPLES / 'innosetup'
    setup_name = 'QivClientSetup.exe'
    started_as = setup_name
    uninstaller_name = 'unins000.exe'
    uninstaller_copy = True
    client_files = ['QivDepends.exe', 'Register.ini', 'unins000.dat', 'unins000.exe',
                    'version.ini']
    uninstall_key = r'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\QivClient_is1'
    QUIET = '/VERYSILENT /SUPPRESSMSGBOXES /NORESTART'
    # The uninstaller's second phase runs as iu-XXXXX.tmp\_unins.tmp, which Inno itself
    # leaves for the next restart.
    OWN_FOLDER = re.compile(r'iu-\w+\.tmp')

    def build(self, scratch: pathlib.Path, exe: pathlib.Path, prefix) -> pathlib.Path:
        from harness.wine import host_path
        iscc = pathlib.Path(subprocess.run(
            ['bash', str(SCRIPTS / 'install-innosetup.sh'), '--path'], check=True,
            capture_output=True, text=True).stdout.strip())
        assert iscc.is_file(), f'{iscc} is missing: run scripts/install-innosetup.sh'
        version_ini = write_version_ini(scratch)
        compiled = prefix.run(['wine', host_path(iscc), f'/DQIV_EXE={host_path(exe)}',
                               f'/DQIV_VERSION_INI={host_path(version_ini)}',
                               f'/O{host_path(scratch)}', f'/F{pathlib.Path(self.setup_name).stem}',
                               host_path(self.folder / 'QivClient.iss')], cwd=scratch)
        output = completed_text(compiled)
        assert compiled.returncode == 0, output
        # The example a client copies compiles without warnings (/Q would hide them).
        assert 'Warning' not in output, output
        return scratch / self.setup_name

    @contextlib.contextmanager
    def session(self, prefix):
        """A virtual display for every Wine program of the session; the prefix's
        processes are ended first, so that Wine's desktop starts on it."""
        with subprocess.Popen(['Xvfb', '-displayfd', '1', '-nolisten', 'tcp'],
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL) as server:
            try:
                display = server.stdout.readline().decode().strip()
                assert display, 'Xvfb did not start (Debian package xvfb)'
                before = os.environ.get('DISPLAY')
                os.environ['DISPLAY'] = f':{display}'
                prefix.stop_server()
                try:
                    yield
                finally:
                    prefix.stop_server()
                    if before is None:
                        del os.environ['DISPLAY']
                    else:
                        os.environ['DISPLAY'] = before
            finally:
                server.send_signal(signal.SIGTERM)
                server.wait(timeout=30)

    def install_command(self, runner, setup: pathlib.Path, values: dict, client: str) -> str:
        return (f'"{runner.host_path(setup)}" {self.QUIET} {NsisKit.options(values)} '
                f'/DIR="{client}"')

    def uninstall_command(self, runner, client: pathlib.Path, values: dict) -> str:
        program = runner.host_path(client / self.uninstaller_name)
        return f'"{program}" {self.QUIET} {NsisKit.options(values)}'

    def is_uninstaller_copy(self, program: pathlib.PureWindowsPath) -> bool:
        return program.name == '_unins.tmp' and bool(self.OWN_FOLDER.fullmatch(program.parent.name))

    def own_leftover(self, path: pathlib.Path) -> bool:
        if path.is_dir():
            return bool(self.OWN_FOLDER.fullmatch(path.name))
        return path.name == '_unins.tmp' and bool(self.OWN_FOLDER.fullmatch(path.parent.name))

    def in_own_folder(self, path: str) -> bool:
        return any(self.OWN_FOLDER.fullmatch(part) for part in pathlib.PurePath(path).parts)


class MsiKit:
    """examples/msi/, built with Debian's wixl and msibuild (examples/msi/build.sh) and
    run by Wine's msiexec. The package has no uninstaller file of its own: msiexec
    removes it by its product code and runs every call itself, so nothing runs from a
    copy."""

    name = 'msi'
    folder = EXAMPLES / 'msi'
    setup_name = 'QivClient.msi'
    started_as = 'msiexec.exe'
    uninstaller_copy = False
    client_files = ['QivDepends.exe', 'Register.ini', 'version.ini']
    PRODUCT_CODE = '{AB57F80D-C46C-44F7-9E9C-3940A27CF3A0}'
    uninstall_key = rf'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\{PRODUCT_CODE}'

    def build(self, scratch: pathlib.Path, exe: pathlib.Path, prefix) -> pathlib.Path:
        del prefix  # wixl is a Linux program
        actions = exe.parent / 'qiv_msi_actions.dll'
        assert actions.is_file(), f'{actions} is missing: build the windows preset'
        setup = scratch / self.setup_name
        subprocess.run(['bash', str(self.folder / 'build.sh'), str(exe),
                        str(write_version_ini(scratch)), str(actions), str(setup)],
                       check=True, cwd=scratch)
        return setup

    @contextlib.contextmanager
    def session(self, prefix):
        del prefix
        yield

    @staticmethod
    def options(values: dict) -> str:
        return ' '.join(f'{name}={quoted(value)}' for name, value in values.items())

    def install_command(self, runner, setup: pathlib.Path, values: dict, client: str) -> str:
        return (f'msiexec.exe /i "{runner.host_path(setup)}" /qn {self.options(values)} '
                f'INSTALLDIR="{client}"')

    def uninstall_command(self, runner, client: pathlib.Path, values: dict) -> str:
        del runner, client
        return f'msiexec.exe /x {self.PRODUCT_CODE} /qn {self.options(values)}'

    def is_uninstaller_copy(self, program: pathlib.PureWindowsPath) -> bool:
        del program
        return False

    def own_leftover(self, path: pathlib.Path) -> bool:
        del path
        return False

    def in_own_folder(self, path: str) -> bool:
        del path
        return False


KITS = [NsisKit(), InnoSetupKit(), MsiKit()]


def completed_text(completed) -> str:
    return (completed.stdout + completed.stderr).decode('utf-8', errors='replace')
