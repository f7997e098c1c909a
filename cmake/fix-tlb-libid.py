#!/usr/bin/env python3
"""Puts the library's own GUID back into a widl-made type library.

widl (7.0 and 8.0 as packaged here) writes the LIBID with a wrong last byte,
so the library registers under an identity of its own invention. The GUID
entry of the library is the one whose hreftype is -2; its first 15 bytes are
right, which is how it is found.
usage: fix-tlb-libid.py FILE.idl FILE.tlb
"""
import re
import sys
import uuid

idl_path, tlb_path = sys.argv[1], sys.argv[2]
idl = open(idl_path, encoding='utf-8').read()
idl = re.sub(r'//[^\n]*', '', idl)
m = re.search(r'uuid\(\s*([0-9A-Fa-f-]{36})\s*\)[^\]]*\]\s*library\b', idl)
if not m:
    sys.exit(f'{idl_path}: no library uuid found')
want = uuid.UUID(m.group(1)).bytes_le
data = bytearray(open(tlb_path, 'rb').read())
entry = want + b'\xfe\xff\xff\xff'
if data.find(entry) >= 0:
    sys.exit(0)
i = data.find(want[:15])
while i >= 0 and data[i + 16:i + 20] != b'\xfe\xff\xff\xff':
    i = data.find(want[:15], i + 1)
if i < 0:
    sys.exit(f'{tlb_path}: library GUID entry not found')
data[i + 15] = want[15]
open(tlb_path, 'wb').write(data)
