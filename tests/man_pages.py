#!/usr/bin/env python3
"""Renders each manual page as man-db and mandoc show it, 80 columns wide in a UTF-8
locale, and checks that every example command comes out as written, each of its lines on
one line; that the header names the General Commands Manual; and that SEE ALSO comes last."""
import os
import re
import shutil
import subprocess
import sys

SKIP = 77  # CTest's code for a skipped test
ESCAPES = [(r'\e', '\\'), (r'\-', '-'), (r'\(aq', "'"), (r'\(dq', '"'), (r'\&', '')]


def decode(line):
    line = re.sub(r'\\f[BIRP]', '', line)
    for escape, text in ESCAPES:
        line = line.replace(escape, text)
    return line


def examples(source):
    """Each line of each example command, as the reader must see it."""
    found, continuing = [], False
    for line in open(source, encoding='utf-8').read().split('\n'):
        if line.startswith('$ ') or continuing:
            text = decode(line).strip()
            found.append(text)
            continuing = text.endswith(('|', '\\'))
    return found


def plain(text):
    return subprocess.run(['col', '-bx'], input=text, capture_output=True, check=True).stdout.decode()


def renderings(page):
    env = dict(os.environ, MANWIDTH='80', LANG='C.UTF-8', LC_ALL='C.UTF-8')
    man = subprocess.run(['man', '-l', page], env=env, capture_output=True, check=True).stdout
    mandoc = subprocess.run(['mandoc', '-T', 'utf8', '-O', 'width=80', page],
                            capture_output=True, check=True).stdout
    return {'man -l': plain(man), 'mandoc': plain(mandoc)}


def problems(page):
    wanted = examples(page)
    if not wanted:
        yield f'{page}: no example commands found'
    for how, text in renderings(page).items():
        lines = [line.strip() for line in text.split('\n')]
        for example in wanted:
            if example not in lines:
                yield f'{page} ({how}): not on a line of its own: {example!r}'
        if not re.fullmatch(r'(\S+) +General Commands Manual +\1', text.split('\n')[0]):
            yield f'{page} ({how}): header is {text.splitlines()[0]!r}'
        headings = [line for line in text.split('\n') if re.fullmatch(r'[A-Z][A-Z ]+', line)]
        if headings[-1] != 'SEE ALSO':
            yield f'{page} ({how}): the last section is {headings[-1]}'


def main(pages):
    if not all(shutil.which(tool) for tool in ('man', 'mandoc', 'col')):
        print('man, mandoc or col is missing (apt-get install man-db mandoc bsdextrautils)')
        return SKIP
    found = [problem for page in pages for problem in problems(page)]
    for problem in found:
        print(problem)
    return 1 if found else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
