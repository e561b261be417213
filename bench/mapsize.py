#!/usr/bin/env python3
"""Sums a GNU ld map by contributor: which object files (and which archives)
take the space in the image's loaded sections.

  mapsize.py MAP [--top N] [--by member|archive] [--why PATTERN]

Sizes are the input sections' sizes as placed by the linker (before the
output sections are padded to the file alignment), so they add up to a little
less than the file size."""
import argparse
import collections
import os
import re
import sys

# Loaded sections; debug sections are stripped from the release image.
LOADED = ('.text', '.rdata', '.data', '.eh_frame', '.pdata', '.xdata',
          '.bss', '.tls', '.CRT', '.rsrc', '.idata', '.reloc')
ENTRY = re.compile(r'^ (\.\S+)?\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S.*)$')
NAME_ONLY = re.compile(r'^ (\.\S+)$')


def contributor(path, by):
    # The release links with link-time optimisation: the program's own code
    # comes from one object of a temporary name. A build configured with
    # -DTQ_LTO=OFF keeps each file's share apart.
    if re.search(r'\.ltrans\d*\.ltrans\.o$', path):
        return "the program's own code (optimised at the link)"
    m = re.match(r'^(.*?)\((.*)\)$', path)
    if not m:
        return os.path.basename(path)
    archive, member = os.path.basename(m.group(1)), m.group(2)
    return archive if by == 'archive' else f'{archive}({member})'


def output_section(name):
    for s in LOADED:
        if name == s or name.startswith(s + '$') or name.startswith(s + '.'):
            return s
    return None


def parse(lines, by):
    sizes = collections.Counter()
    per_section = collections.Counter()
    in_map = False
    pending = None
    for line in lines:
        if line.startswith('Linker script and memory map'):
            in_map = True
            continue
        if not in_map:
            continue
        m = NAME_ONLY.match(line)
        if m:
            pending = m.group(1)
            continue
        m = ENTRY.match(line)
        if not m:
            pending = None
            continue
        name = m.group(1) or pending
        pending = None
        if not name:
            continue
        section = output_section(name)
        size = int(m.group(3), 16)
        if section is None or size == 0 or section == '.bss':
            continue
        sizes[contributor(m.group(4).strip(), by)] += size
        per_section[section] += size
    return sizes, per_section


def why(lines, pattern):
    """The archive members the pattern names and what pulled each in."""
    out = []
    for i, line in enumerate(lines):
        if line.startswith('Linker script'):
            break
        if pattern in line and not line.startswith(' ') and i + 1 < len(lines):
            out.append((line.strip(), lines[i + 1].strip()))
    return out


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('map')
    ap.add_argument('--top', type=int, default=15)
    ap.add_argument('--by', choices=('member', 'archive'), default='member')
    ap.add_argument('--why')
    args = ap.parse_args()
    with open(args.map, encoding='utf-8', errors='replace') as f:
        lines = f.read().splitlines()
    if args.why:
        for member, reason in why(lines, args.why):
            print(f'{member}\n    <- {reason}')
        return 0
    sizes, per_section = parse(lines, args.by)
    total = sum(sizes.values())
    print(f'| contributor | bytes | share |')
    print(f'|---|---:|---:|')
    for name, size in sizes.most_common(args.top):
        print(f'| `{name}` | {size} | {100.0 * size / total:.1f}% |')
    rest = total - sum(s for _, s in sizes.most_common(args.top))
    print(f'| (all others) | {rest} | {100.0 * rest / total:.1f}% |')
    print(f'| total of loaded input sections | {total} | |')
    print()
    print('sections: ' + ', '.join(f'{k} {v}' for k, v in per_section.most_common()))
    return 0


if __name__ == '__main__':
    sys.exit(main())
