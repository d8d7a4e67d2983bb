"""Shared end-to-end test harness: recording HTTP/HTTPS servers, program runners
and a registry-file reader/writer."""

from .multipart import Part
from .regfile import Registry
from .runner import NativeRunner, Result, Runner
from .server import Reply, Request, RecordingServer
from .tls import CA_FILE

__all__ = ['CA_FILE', 'NativeRunner', 'Part', 'RecordingServer', 'Registry', 'Reply', 'Request',
           'Result', 'Runner']
