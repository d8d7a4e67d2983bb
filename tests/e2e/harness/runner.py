"""Runners start the program the way the installer does and collect what it did.

Runner is the interface every suite uses; NativeRunner runs the Linux build,
and the Windows suite supplies a WineRunner with the same methods.
"""

from __future__ import annotations

import abc
import dataclasses
import os
import pathlib
import shutil
import subprocess
from typing import Optional, Sequence, Union

from .regfile import Registry

Arg = Union[str, bytes]


@dataclasses.dataclass
class Result:
    returncode: int
    debug_lines: list  # one entry per debug-output message, line feed removed
    stdout: str
    stderr: str

    def has_line(self, text: str) -> bool:
        return text in self.debug_lines

    def lines_containing(self, text: str) -> list:
        return [line for line in self.debug_lines if text in line]


class Runner(abc.ABC):
    """Starts the program under test.

    run(args): args exclude the program name; str arguments reach the program as
    the text they hold (the Windows program takes its command line as UTF-16, the
    Linux build as UTF-8), bytes are passed as they are.
    host_path(path): the path as the program sees it (native: unchanged; Wine: Z:\\...).
    load_registry(reg_file): later runs see that registry (native: the file itself
    becomes the live registry and the program rewrites it; Wine: imported with regedit).
    read_registry(): the registry as it is now, as a regfile.Registry.
    relocated(directory): a runner for a copy of the program in directory (for files
    the program reads beside itself, such as version.ini).
    """

    exe: pathlib.Path

    @abc.abstractmethod
    def run(self, args: Sequence[Arg], env: Optional[dict] = None, cwd=None,
            timeout: float = 60) -> Result: ...

    @abc.abstractmethod
    def host_path(self, path) -> str: ...

    @abc.abstractmethod
    def load_registry(self, reg_file) -> None: ...

    @abc.abstractmethod
    def read_registry(self) -> Registry: ...

    @abc.abstractmethod
    def relocated(self, directory) -> 'Runner': ...


class NativeRunner(Runner):
    """Runs the Linux build. The ANSI code page (for INI files, debug text and
    analytic values) defaults to CP1252, as on an English Windows."""

    DEFAULT_ACP = 'CP1252'

    def __init__(self, exe, base_env: Optional[dict] = None, wrapper: Sequence[str] = ()):
        self.exe = pathlib.Path(exe).resolve()
        if not self.exe.is_file():
            raise FileNotFoundError(f'program not found: {self.exe}')
        self.base_env = dict(base_env or {})
        # A command that starts the program, e.g. valgrind with its options.
        self.wrapper = [part.encode() for part in wrapper]
        self._registry_file: Optional[pathlib.Path] = None

    def environment(self, env: Optional[dict] = None) -> dict:
        merged = dict(os.environ)
        merged.pop('QIV_REGISTRY_FILE', None)
        merged.setdefault('QIV_ACP', self.DEFAULT_ACP)
        merged.update(self.base_env)
        if self._registry_file is not None:
            merged['QIV_REGISTRY_FILE'] = str(self._registry_file)
        merged.update(env or {})
        return merged

    def run(self, args: Sequence[Arg], env: Optional[dict] = None, cwd=None,
            timeout: float = 60) -> Result:
        environment = self.environment(env)
        argv = self.wrapper + [str(self.exe).encode()] + [
            arg if isinstance(arg, bytes) else arg.encode('utf-8', errors='surrogateescape')
            for arg in args
        ]
        completed = subprocess.run(argv, env=environment, cwd=cwd, capture_output=True,
                                   timeout=timeout, check=False)
        stderr = completed.stderr.decode('utf-8', errors='replace')
        return Result(returncode=completed.returncode, debug_lines=stderr.splitlines(),
                      stdout=completed.stdout.decode('utf-8', errors='replace'), stderr=stderr)

    def host_path(self, path) -> str:
        return str(path)

    def load_registry(self, reg_file) -> None:
        self._registry_file = pathlib.Path(reg_file).resolve()

    def read_registry(self) -> Registry:
        if self._registry_file is None or not self._registry_file.exists():
            return Registry()
        return Registry.load(self._registry_file)

    def relocated(self, directory) -> 'NativeRunner':
        target = pathlib.Path(directory) / self.exe.name
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copy2(self.exe, target)
        copy = NativeRunner(target, self.base_env, [part.decode() for part in self.wrapper])
        copy._registry_file = self._registry_file
        return copy

