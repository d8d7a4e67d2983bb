"""Reading and writing registry files in the regedit export format.

The native build keeps its registry in such a file (QIV_REGISTRY_FILE); Wine
imports and exports the same format with regedit, so one fixture serves both.
Key paths and value names compare case-insensitively, as in the registry.
String values read back as str; any other kind (dword:..., hex(...):...) as the
raw text after '=' with line continuations joined.
"""

from __future__ import annotations

import pathlib
from typing import Optional, Union

HEADER_V5 = 'Windows Registry Editor Version 5.00'
HEADER_V4 = 'REGEDIT4'


class Registry:
    def __init__(self):
        self._keys: dict[str, tuple[str, dict]] = {}  # lower path -> (path, values)

    # Reading ----------------------------------------------------------------
    @classmethod
    def load(cls, path) -> 'Registry':
        data = pathlib.Path(path).read_bytes()
        if data.startswith(b'\xff\xfe'):
            text = data[2:].decode('utf-16-le')
        else:
            text = data.decode('utf-8-sig')
        return cls.parse(text)

    @classmethod
    def parse(cls, text: str) -> 'Registry':
        registry = cls()
        lines = _logical_lines(text)
        if not lines or lines[0].strip() not in (HEADER_V5, HEADER_V4):
            raise ValueError('not a registry file')
        values = None
        for line in lines[1:]:
            stripped = line.strip()
            if not stripped or stripped.startswith(';'):
                continue
            if stripped.startswith('[') and stripped.endswith(']'):
                path = stripped[1:-1]
                if path.startswith('-'):
                    registry.delete_tree(path[1:])
                    values = None
                else:
                    values = registry._ensure(path)
                continue
            if values is None:
                continue
            name, value = _parse_value_line(stripped)
            if value is None:
                values.pop(name.lower(), None)
            else:
                values[name.lower()] = (name, value)
        return registry

    def has_key(self, path: str) -> bool:
        return path.lower() in self._keys

    def keys(self) -> list:
        return [path for path, _ in self._keys.values()]

    def subkeys(self, path: str) -> list:
        """Names of the direct subkeys of path."""
        prefix = path.lower().rstrip('\\') + '\\'
        names = []
        for lower, (original, _) in self._keys.items():
            if lower.startswith(prefix) and '\\' not in lower[len(prefix):]:
                names.append(original[len(prefix):])
        return names

    def values(self, path: str) -> dict:
        """name -> value of one key ('' names the default value)."""
        _, values = self._keys.get(path.lower(), (None, {}))
        return {name: value for name, value in values.values()}

    def value(self, path: str, name: str) -> Optional[Union[str, int]]:
        _, values = self._keys.get(path.lower(), (None, {}))
        entry = values.get(name.lower())
        return entry[1] if entry else None

    # Building ---------------------------------------------------------------
    def set(self, path: str, name: str, value: Union[str, int]) -> 'Registry':
        """A str is a string value, an int a dword; '' names the default value."""
        self._ensure(path)[name.lower()] = (name, value)
        return self

    def add_key(self, path: str) -> 'Registry':
        self._ensure(path)
        return self

    def shell_folders(self, desktop: Optional[str] = None,
                      start_menu: Optional[str] = None) -> 'Registry':
        """The running user's Desktop and Start Menu (Windows paths), where Explorer
        records them: the places where listed shortcut files may be deleted."""
        key = (r'HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer'
               r'\User Shell Folders')
        if desktop is not None:
            self.set(key, 'Desktop', desktop)
        if start_menu is not None:
            self.set(key, 'Start Menu', start_menu)
        return self

    def delete_tree(self, path: str) -> None:
        lower = path.lower()
        for key in [k for k in self._keys if k == lower or k.startswith(lower + '\\')]:
            del self._keys[key]

    def dumps(self) -> str:
        out = [HEADER_V5, '']
        for path, values in sorted(self._keys.values(), key=lambda item: item[0].lower()):
            out.append(f'[{path}]')
            for name, value in values.values():
                label = '@' if name == '' else f'"{_escape(name)}"'
                out.append(f'{label}={_format_value(value)}')
            out.append('')
        return '\r\n'.join(out) + '\r\n'

    def save(self, path, utf16: bool = True) -> pathlib.Path:
        """UTF-16LE with BOM (what regedit writes and reads everywhere) or UTF-8."""
        text = self.dumps()
        data = b'\xff\xfe' + text.encode('utf-16-le') if utf16 else text.encode('utf-8')
        target = pathlib.Path(path)
        target.write_bytes(data)
        return target

    def _ensure(self, path: str) -> dict:
        # Creating a key creates its parents, as regedit's import does.
        parts = path.split('\\')
        for depth in range(1, len(parts) + 1):
            sub = '\\'.join(parts[:depth])
            self._keys.setdefault(sub.lower(), (sub, {}))
        return self._keys[path.lower()][1]


def _logical_lines(text: str) -> list:
    lines = []
    pending = ''
    for raw in text.splitlines():
        if pending:
            raw = raw.lstrip()
        if raw.endswith('\\') and not raw.rstrip().endswith('"\\'):
            pending += raw[:-1]
            continue
        lines.append(pending + raw)
        pending = ''
    if pending:
        lines.append(pending)
    return lines


def _parse_value_line(line: str) -> tuple:
    if line.startswith('@'):
        name, rest = '', line[1:].lstrip()
    elif line.startswith('"'):
        name, end = _read_quoted(line, 0)
        rest = line[end:].lstrip()
    else:
        raise ValueError(f'bad value line: {line!r}')
    if not rest.startswith('='):
        raise ValueError(f'bad value line: {line!r}')
    rest = rest[1:].strip()
    if rest == '-':
        return name, None
    if rest.startswith('"'):
        value, _ = _read_quoted(rest, 0)
        return name, value
    return name, rest


def _read_quoted(text: str, start: int) -> tuple:
    out = []
    index = start + 1
    while index < len(text):
        char = text[index]
        if char == '\\' and index + 1 < len(text):
            out.append(text[index + 1])
            index += 2
            continue
        if char == '"':
            return ''.join(out), index + 1
        out.append(char)
        index += 1
    raise ValueError(f'unterminated string: {text!r}')


def _escape(text: str) -> str:
    return text.replace('\\', '\\\\').replace('"', '\\"')


def _format_value(value) -> str:
    if isinstance(value, bool) or not isinstance(value, (int, str)):
        raise TypeError(f'unsupported registry value {value!r}')
    if isinstance(value, int):
        return f'dword:{value & 0xFFFFFFFF:08x}'
    return f'"{_escape(value)}"'
