"""Helpers for the installer-funnel and uninstaller suites: the goal API's
answers, the collector's events and the attribution file as written on disk."""

from __future__ import annotations

import json
import pathlib
import urllib.parse

GOAL_PATH = '/en/api/get-goal-by-reference-id'
TRACKING_PATH = '/aff_goal'
COLLECTOR_PATH = '/quarn/'
FEEDBACK_PATH = '/feedback'
SECTION = 'registered_from'

# Ten keys, in the order the last install stage writes them.
ATTRIBUTION_KEYS = ['trans_id', 'offer_id', 'vendor_id', 'region', 'game_abbr', 'gclid',
                    'login_triggered', 'loginsuccess_triggered', 'defender_triggered',
                    'gamelaunch_triggered']

# Where the sleeps of the program are shortened (1 s becomes 1 ms).
FAST = {'QIV_SLEEP_SCALE': '0.001'}


def goal_answer(*goals, result='success') -> str:
    """The goal API's XML answer; goals are (offer_id, goal_id) pairs."""
    items = ''.join(f'<goal><offer_id>{offer}</offer_id><goal_id>{goal}</goal_id></goal>'
                    for offer, goal in goals)
    return (f'<?xml version="1.0" encoding="UTF-8"?>'
            f'<data><result>{result}</result><goals>{items}</goals></data>')


def events(collector) -> list:
    """The events the collector received, decoded from their data parameter."""
    decoded = []
    for request in collector.requests:
        assert request.method == 'GET' and request.path == COLLECTOR_PATH, request.target
        assert request.query.startswith('data='), request.query
        text = urllib.parse.unquote(request.query[len('data='):], encoding='latin-1')
        decoded.append(json.loads(text))
    return decoded


def read_ini(path) -> list:
    """The file as [(section, [(key, value), ...]), ...] in file order."""
    data = pathlib.Path(path).read_bytes()
    if data.startswith(b'\xff\xfe'):
        text = data[2:].decode('utf-16-le')
    else:
        try:
            text = data.decode('utf-8-sig')
        except UnicodeDecodeError:
            text = data.decode('cp1252')
    sections = []
    for line in text.splitlines():
        line = line.strip()
        if line.startswith('[') and line.endswith(']'):
            sections.append((line[1:-1], []))
        elif '=' in line and sections:
            key, _, value = line.partition('=')
            sections[-1][1].append((key.strip(), value.strip()))
    return sections


def attribution(path) -> list:
    """The (key, value) pairs of section registered_from, in file order."""
    return [pair for name, pairs in read_ini(path) if name.lower() == SECTION for pair in pairs]
