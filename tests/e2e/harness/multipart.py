"""A small multipart/form-data reader that keeps the parts in wire order and the
names and values as raw bytes (the standard library's readers either reorder,
decode or are deprecated)."""

from __future__ import annotations

import dataclasses
import re
from typing import Optional

_BOUNDARY = re.compile(r'boundary=(?:"([^"]+)"|([^;\s]+))', re.IGNORECASE)
_DISPOSITION_PARAM = re.compile(rb';\s*([A-Za-z*]+)="((?:[^"\\]|\\.)*)"')


@dataclasses.dataclass
class Part:
    name_bytes: bytes
    value: bytes
    headers: dict  # lower-case name -> value text (latin-1 decoded)
    filename: Optional[bytes] = None

    @property
    def name(self) -> str:
        return self.name_bytes.decode('utf-8', errors='replace')

    @property
    def text(self) -> str:
        return self.value.decode('utf-8', errors='replace')


def parse(content_type: str, body: bytes) -> list:
    """The parts of a multipart body in order; [] when it is not multipart."""
    if not content_type.lower().startswith('multipart/'):
        return []
    match = _BOUNDARY.search(content_type)
    if not match:
        return []
    delimiter = b'--' + (match.group(1) or match.group(2)).encode('latin-1')
    parts = []
    sections = body.split(delimiter)
    for section in sections[1:]:
        if section.startswith(b'--'):
            break  # closing delimiter
        if section.startswith(b'\r\n'):
            section = section[2:]
        if section.endswith(b'\r\n'):
            section = section[:-2]
        head, _, value = section.partition(b'\r\n\r\n')
        headers = {}
        raw_disposition = b''
        for line in head.split(b'\r\n'):
            name, _, content = line.partition(b':')
            headers[name.strip().decode('latin-1').lower()] = content.strip().decode('latin-1')
            if name.strip().lower() == b'content-disposition':
                raw_disposition = content
        params = {key.lower(): val for key, val in _DISPOSITION_PARAM.findall(raw_disposition)}
        parts.append(Part(name_bytes=params.get(b'name', b''), value=value, headers=headers,
                          filename=params.get(b'filename')))
    return parts
