#!/usr/bin/python3
"""Benchmarks of QivDepends (not tests): prints tables, keeps them in
build/bench/report.md.

1. Each command's whole-process cost against local servers that answer at once,
   side by side with the curl command-line tool making the same requests in one
   process (curl --next), and peak memory of each.
2. The run with no command against an empty C program's start.
3. Scaling: UninstallGames over 10/100/1000 games (bench/uninstall_games.py),
   DispatchAnalytic with a game list of 10 to 10,000 games (wall time, and
   instructions under callgrind), DeleteTree over wide and deep trees, and the registry
   guard's cost per listed tree by kind.

Uses a Release build of the dev preset's loopback endpoints in build/bench,
hyperfine and valgrind (scripts/setup-fuzz.sh installs them):

    bench/bench.py [--runs 30] [--quick]
"""

from __future__ import annotations

import argparse
import json
import math
import os
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile

ROOT = pathlib.Path(__file__).resolve().parents[1]
BUILD = ROOT / 'build' / 'bench'
sys.path.insert(0, str(ROOT / 'tests' / 'e2e'))

from harness import RecordingServer, Registry  # noqa: E402
from harness.tls import CA_FILE  # noqa: E402

GOAL = '/en/api/get-goal-by-reference-id'
GOAL_ANSWER = ('<?xml version="1.0" encoding="UTF-8"?><data><result>success</result><goals>'
               '<goal><offer_id>OF7</offer_id><goal_id>G77</goal_id></goal></goals></data>')
SITE = 'https://www.vantor.localhost:47443'
COLLECTOR = 'https://collector.vantor.localhost:47444'
TRACKING = 'http://tracking.orvandel.localhost:47080'
PRODUCT = r'HKEY_LOCAL_MACHINE\SOFTWARE\Orvandel\Vantor'


# The program's libraries, each before the ones it is built on.
ROOMS = ('app', 'commands', 'analytics', 'web', 'removal_delete', 'removal', 'installconfig',
         'platform', 'base')


def sh(command, **kwargs) -> str:
    return subprocess.run(command, check=True, capture_output=True, text=True, **kwargs).stdout


def build() -> dict:
    sh(['bash', str(ROOT / 'scripts' / 'setup-fuzz.sh')])
    sh(['cmake', '--preset', 'dev', '-B', str(BUILD), '-DCMAKE_BUILD_TYPE=Release',
        '-DQIV_BUILD_TESTS=OFF'], cwd=ROOT)
    sh(['cmake', '--build', str(BUILD), '-j2', '--target', 'QivDepends'], cwd=ROOT)
    libs = sh(['pkg-config', '--libs', 'libcurl', 'tinyxml']).split()
    tools = {'exe': str(BUILD / 'QivDepends')}
    for name in ('dispatch_analytic_bench', 'delete_tree_bench', 'registry_guard_bench'):
        sh(['g++', '-O2', '-std=c++20', f'-I{ROOT / "src"}', str(ROOT / 'bench' / f'{name}.cpp'),
            *[str(BUILD / f'libqiv_{room}.a') for room in ROOMS], *libs, '-o', str(BUILD / name)])
        tools[name] = str(BUILD / name)
    empty = BUILD / 'empty.c'
    empty.write_text('int main(void) { return 0; }\n')
    sh(['gcc', '-O2', str(empty), '-o', str(BUILD / 'empty')])
    tools['empty'] = str(BUILD / 'empty')
    return tools


def hyperfine(commands: dict, env: dict, runs: int) -> dict:
    """Mean and standard deviation in milliseconds for each named command."""
    out = BUILD / 'hyperfine.json'
    arguments = ['hyperfine', '-N', '--warmup', '3', '--runs', str(runs), '--export-json', str(out)]
    for name, command in commands.items():
        arguments += ['--command-name', name, command]
    sh(arguments, env=env)
    results = json.loads(out.read_text())['results']
    return {r['command']: (1000 * r['mean'], 1000 * r['stddev']) for r in results}


def peak_kib(command: list, env: dict) -> int:
    report = subprocess.run(['/usr/bin/time', '-f', '%M', *command], env=env,
                            capture_output=True, text=True, check=False).stderr
    return int(report.strip().splitlines()[-1])


def quote(arg: str) -> str:
    return "'" + arg.replace("'", "'\\''") + "'"


def commands_table(tools: dict, runs: int, scratch: pathlib.Path) -> list:
    exe = tools['exe']
    registry = Registry()
    for index, abbreviation in enumerate(['al', 'be', 'ga']):
        registry.set(f'{PRODUCT}\\Game{index}', 'APP_ABBR', abbreviation)
    registry.set(r'HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Cryptography', 'MachineGuid', 'bench')
    registry.save(scratch / 'registry.reg')
    client = scratch / 'client'
    client.mkdir()
    (client / 'Register.ini').write_text('[registered_from]\r\ntrans_id=TX\r\noffer_id=OF7\r\n')
    env = dict(os.environ, QIV_REGISTRY_FILE=str(scratch / 'registry.reg'), QIV_ACP='CP1252',
               QIV_SLEEP_SCALE='0', QIV_WINDOWS_DIR=str(scratch))
    each = f'-s -o /dev/null --cacert {CA_FILE}'
    ini = str(client / 'Register.ini')
    commands = {
        'UninstallSoftware': ['UninstallSoftware', 'en', '0', str(client) + '\\'],
        'PostInstallEvent': ['PostInstallEvent', 'complete', ini, 'TX', 'OF7', 'VN', 'en', 'ska',
                             'CLK'],
        'UninstallSoftwareFeedback': ['UninstallSoftwareFeedback', 'en', '1,2', '4', 'too slow'],
        'UninstallGames': ['UninstallGames'],
        'InstallSoftware': ['InstallSoftware', 'x'],
    }
    rows = []
    with RecordingServer('https', 47443) as site, RecordingServer('https', 47444) as collector, \
            RecordingServer('http', 47080) as tracking:
        site.default(GOAL, body=GOAL_ANSWER)
        tracking.default('/aff_goal', body='success=true;')
        for name, args in commands.items():
            for server in (site, collector, tracking):
                server.clear()
            site.default(GOAL, body=GOAL_ANSWER)
            tracking.default('/aff_goal', body='success=true;')
            subprocess.run([exe, *args], env=env, check=True, capture_output=True)
            # The same requests, made by curl in one process.
            requests = []
            for request in site.requests:
                if request.path == GOAL:
                    requests.append(f'-d {quote(request.body.decode())} {quote(SITE + request.target)}')
                else:
                    fields = ' '.join(f'-F {quote(part.name + "=" + part.text)}'
                                      for part in request.parts)
                    requests.append(f'{fields} {quote(SITE + request.target)}')
            requests += [quote(TRACKING + r.target) for r in tracking.requests]
            requests += [quote(COLLECTOR + r.target) for r in collector.requests]
            program = ' '.join(quote(part) for part in [exe, *args])
            timed = {'program': program}
            if requests:
                timed['curl'] = 'curl ' + ' --next '.join(f'{each} {r}' for r in requests)
            result = hyperfine(timed, env, runs)
            peak_curl = peak_kib(['sh', '-c', timed['curl']], env) if requests else None
            rows.append((name, len(requests), result['program'], result.get('curl'),
                         peak_kib([exe, *args], env), peak_curl))
        start = hyperfine({'program': quote(exe), 'empty': tools['empty']}, env, runs)
        rows.append(('(no command)', 0, start['program'], start['empty'],
                     peak_kib([exe], env), peak_kib([tools['empty']], env)))
    return rows


def slope(points: list) -> float:
    """Least-squares exponent k of time ~ n^k."""
    xs = [math.log(n) for n, _ in points]
    ys = [math.log(t) for _, t in points]
    mx, my = sum(xs) / len(xs), sum(ys) / len(ys)
    return sum((x - mx) * (y - my) for x, y in zip(xs, ys)) / sum((x - mx) ** 2 for x in xs)


def scaling(tools: dict, quick: bool, scratch: pathlib.Path) -> list:
    sections = []
    counts = [10, 100] if quick else [10, 100, 1000]
    report = sh([sys.executable, str(ROOT / 'bench' / 'uninstall_games.py'), '--exe', tools['exe'],
                 '--counts', *map(str, counts)])
    games = [(int(line.split()[0]), float(line.split()[1]), float(line.split()[5]))
             for line in report.splitlines()[1:]]
    sections.append(('UninstallGames, full mode (whole process)', 'games',
                     [(n, f'{1000 * t:.0f} ms', f'{peak:.1f} MiB') for n, t, peak in games],
                     slope([(n, t) for n, t, _ in games])))

    rows, timed, counted = [], [], []
    for n in [10, 100, 1000] + ([] if quick else [10000]):
        micro, url = sh([tools['dispatch_analytic_bench'], str(n), str(max(3, 20000 // n))]).split()
        out = scratch / f'callgrind.{n}'
        subprocess.run(['valgrind', '--tool=callgrind', f'--callgrind-out-file={out}',
                        '--toggle-collect=DispatchAnalytic*', tools['dispatch_analytic_bench'],
                        str(n), '1'], check=True, capture_output=True)
        instructions = int(re.search(r'^summary: (\d+)', out.read_text(), re.MULTILINE).group(1))
        rows.append((n, f'{float(micro):.0f} us', f'{instructions / 1e6:.2f} M instr',
                     f'{int(url) / 1024:.1f} KiB URL'))
        timed.append((n, float(micro)))
        counted.append((n, instructions))
    sections.append(('DispatchAnalytic with a game list (no network)', 'games', rows,
                     slope(timed), slope(counted)))

    for shape, sizes in (('wide', [10, 100, 1000]), ('deep', [10, 100, 500])):
        if quick:
            sizes = sizes[:2]
        rows, points = [], []
        for n in sizes:
            directory = scratch / f'{shape}{n}'
            directory.mkdir()
            ms, size = sh([tools['delete_tree_bench'], shape, str(n), str(directory)]).split()
            rows.append((n, f'{float(ms):.1f} ms', f'{int(size) / 1024:.0f} KiB file'))
            points.append((n, float(ms)))
        sections.append((f'DeleteTree, {shape} tree (POSIX stand-in registry)', 'keys', rows,
                         slope(points)))

    directory = scratch / 'guard'
    directory.mkdir()
    report = sh([tools['registry_guard_bench'], str(directory), '200' if quick else '2000'])
    sections.append(('Registry guard: whose a listed tree is, per item (POSIX stand-in)', 'tree',
                     [(kind, f'{float(micro):.1f} us', verdict)
                      for kind, micro, verdict in map(str.split, report.splitlines())]))
    return sections


def render(rows: list, sections: list, runs: int) -> str:
    lines = [f'### Commands against local services (hyperfine, {runs} runs, mean ± sd)', '',
             '| command | requests | QivDepends | curl, same requests | ratio | peak RSS QivDepends'
             ' | peak RSS curl |', '|---|---|---|---|---|---|---|']
    for name, requests, program, other, peak, peak_other in rows:
        other_text = f'{other[0]:.1f} ± {other[1]:.1f} ms' if other else '—'
        ratio = f'{program[0] / other[0]:.2f}' if other else '—'
        label = 'empty C program' if name == '(no command)' else 'curl'
        if name == '(no command)':
            other_text = f'{other_text} ({label})'
        lines.append(f'| {name} | {requests} | {program[0]:.1f} ± {program[1]:.1f} ms | '
                     f'{other_text} | {ratio} | {peak / 1024:.1f} MiB | '
                     + (f'{peak_other / 1024:.1f} MiB |' if peak_other else '— |'))
    for title, unit, table, *exponents in sections:
        lines += ['', f'### {title}', '', f'| {unit} | measurements |', '|---|---|']
        lines += [f'| {row[0]} | {" · ".join(row[1:])} |' for row in table]
        if not exponents:
            continue
        lines.append('')
        lines.append('scaling exponent (time ~ n^k): k = ' +
                     ', '.join(f'{k:.2f}' for k in exponents) +
                     (' (wall time, instructions)' if len(exponents) > 1 else ''))
    return '\n'.join(lines) + '\n'


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--runs', type=int, default=30)
    parser.add_argument('--quick', action='store_true', help='smaller sizes, for a trial')
    arguments = parser.parse_args()
    if not shutil.which('hyperfine'):
        sys.exit('hyperfine is missing: bash scripts/setup-fuzz.sh')
    tools = build()
    with tempfile.TemporaryDirectory(prefix='qiv-bench-') as scratch:
        rows = commands_table(tools, arguments.runs, pathlib.Path(scratch))
        sections = scaling(tools, arguments.quick, pathlib.Path(scratch))
    text = render(rows, sections, arguments.runs)
    (BUILD / 'report.md').write_text(text)
    print(text)


if __name__ == '__main__':
    main()
