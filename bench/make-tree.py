#!/usr/bin/env python3
"""Makes a tree of small files for demos and benchmarks, the same every time.
usage: make-tree.py DIR FILES FOLDERS"""
import os
import random
import sys

root, files, folders = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
stamp = root.rstrip('/') + '.stamp'  # beside the tree, not in it
want = f'{files} {folders}\n'
if os.path.exists(stamp) and open(stamp).read() == want:
    sys.exit(0)
rng = random.Random(1)
names = ['Documents', 'Photos', 'Projects', 'Mail', 'Music', 'Reports', 'Archive', 'Drafts']
dirs = [root]
for i in range(folders):
    parent = rng.choice(dirs[: max(1, len(dirs))])
    d = os.path.join(parent, f'{rng.choice(names)} {i}')
    os.makedirs(d, exist_ok=True)
    dirs.append(d)
for i in range(files):
    d = dirs[i % len(dirs)]
    with open(os.path.join(d, f'file{i}.dat'), 'wb') as f:
        f.write(b'x' * rng.choice((0, 1, 100, 5000, 70000)))
open(stamp, 'w').write(want)
