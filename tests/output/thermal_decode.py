#!/usr/bin/env python3
"""Reads jobs of thermal label printers back into images, as a printer would.

    thermal_decode.py JOB OUT_PREFIX

Written from the languages' published command references, sharing nothing
with the program that writes the jobs:
  ZPL II  ^XA ... ^XZ per label; ^PW width and ^LL length in dots; ^GFA
          graphic fields in hexadecimal with the ASCII compression (count
          letters G-Y 1-19, g-z 20-400, ',' zeros to the row's end, '!'
          ones to the row's end, ':' the row before again); ^PQ copies.
  TSPL    SIZE w mm,h mm; CLS; BITMAP x,y,width_bytes,height,mode,<binary>
          (bit 0 prints a dot); PRINT sets,copies.
  EPL2    N; q width; Q length,gap; GWx,y,width_bytes,height,<binary>
          (bit 0 prints a dot); P copies.
Each label's image is written as OUT_PREFIX-NNNN.pbm (black dots 1), and a
JSON summary goes to stdout: the labels with their sizes and copies.
Anything it cannot read stops it with exit status 1 and the reason.
"""
import json
import re
import sys


def fail(why):
    print('thermal_decode: ' + why, file=sys.stderr)
    sys.exit(1)


def write_pbm(path, width, rows):
    """rows: list of bytearrays, 1 bits black, MSB leftmost."""
    stride = (width + 7) // 8
    with open(path, 'wb') as f:
        f.write(b'P4\n%d %d\n' % (width, len(rows)))
        for r in rows:
            f.write(bytes(r[:stride]).ljust(stride, b'\0'))


def blank(width, height):
    return [bytearray((width + 7) // 8) for _ in range(height)]


def place(canvas, x, y, width_bytes, data, invert):
    """Puts a graphic of width_bytes a row at dot (x, y), OR-ing black dots."""
    height = len(data) // width_bytes
    for j in range(height):
        row = data[j * width_bytes:(j + 1) * width_bytes]
        if y + j >= len(canvas):
            break
        line = canvas[y + j]
        for i, b in enumerate(row):
            if invert:
                b ^= 0xFF
            for bit in range(8):
                if b & (0x80 >> bit):
                    px = x + i * 8 + bit
                    if px // 8 < len(line):
                        line[px // 8] |= 0x80 >> (px % 8)


def zpl_counts(text, i):
    """Reads count letters at text[i:]; returns (count, next index)."""
    n = 0
    while i < len(text) and (('G' <= text[i] <= 'Y') or ('g' <= text[i] <= 'z')):
        c = text[i]
        n += ord(c) - ord('G') + 1 if c <= 'Y' else (ord(c) - ord('g') + 1) * 20
        i += 1
    return n, i


def zpl_graphic(data, total, per_row):
    rows = []
    digits = per_row * 2
    i = 0
    current = ''
    previous = None
    while i < len(data) and len(rows) * per_row < total:
        c = data[i]
        if c in '\r\n ':
            i += 1
            continue
        if c == ':':
            if previous is None:
                fail('ZPL: ":" before any row')
            rows.append(previous)
            i += 1
            continue
        if c == ',' or c == '!':
            current += ('0' if c == ',' else 'F') * (digits - len(current))
            i += 1
        else:
            n, i = zpl_counts(data, i)
            if i >= len(data):
                fail('ZPL: a count letter at the end of the data')
            c = data[i]
            if c not in '0123456789ABCDEFabcdef':
                fail('ZPL: %r is not a hexadecimal digit' % c)
            current += c * (n if n else 1)
            i += 1
        if len(current) > digits:
            fail('ZPL: a row longer than %d digits' % digits)
        if len(current) == digits:
            previous = bytes.fromhex(current)
            rows.append(previous)
            current = ''
    if current:
        fail('ZPL: the data stops inside a row')
    if len(rows) * per_row != total:
        fail('ZPL: %d bytes of graphic, %d announced' % (len(rows) * per_row, total))
    return b''.join(rows)


def decode_zpl(job, prefix):
    text = job.decode('ascii')
    labels = []
    for m in re.finditer(r'\^XA(.*?)\^XZ', text, re.S):
        body = m.group(1)
        pw = re.search(r'\^PW(\d+)', body)
        ll = re.search(r'\^LL(\d+)', body)
        if not pw or not ll:
            fail('ZPL: a label without ^PW and ^LL')
        width, height = int(pw.group(1)), int(ll.group(1))
        canvas = blank(width, height)
        origin = (0, 0)
        for cmd in re.finditer(r'\^FO(\d+),(\d+)|\^GFA,(\d+),(\d+),(\d+),([^\^]*)', body):
            if cmd.group(1) is not None:
                origin = (int(cmd.group(1)), int(cmd.group(2)))
                continue
            total, per_row = int(cmd.group(4)), int(cmd.group(5))
            data = zpl_graphic(cmd.group(6), total, per_row)
            place(canvas, origin[0], origin[1], per_row, data, False)
        pq = re.search(r'\^PQ(\d+)', body)
        labels.append({'width': width, 'height': height, 'copies': int(pq.group(1)) if pq else 1,
                       'media': (re.search(r'\^MN(\w)', body) or [None, None])[1]})
        write_pbm('%s-%04d.pbm' % (prefix, len(labels)), width, canvas)
    if not labels:
        fail('ZPL: no ^XA ... ^XZ label')
    return {'language': 'zpl', 'labels': labels, 'darkness': (re.findall(r'~SD(\d\d)', text) or [None])[0]}


def binary_lines(job):
    """Splits a TSPL or EPL job into commands; binary graphic data is read
    by the count its command gives, never by looking for line ends."""
    i = 0
    while i < len(job):
        end = job.find(b'\n', i)
        if end < 0:
            end = len(job)
        line = job[i:end].rstrip(b'\r')
        m = re.match(rb'(BITMAP |GW)(\d+),(\d+),(\d+),(\d+),(?:(\d+),)?', line)
        if m:
            head_end = i + m.end()
            if m.group(1) == b'BITMAP ' and m.group(6) is None:
                fail('TSPL: BITMAP without its mode')
            width_bytes, height = int(m.group(4)), int(m.group(5))
            size = width_bytes * height
            data = job[head_end:head_end + size]
            if len(data) != size:
                fail('the graphic stops after %d of %d bytes' % (len(data), size))
            yield m.group(1).strip().decode(), (int(m.group(2)), int(m.group(3)), width_bytes), data
            i = head_end + size
            while i < len(job) and job[i:i + 1] in (b'\r', b'\n'):
                i += 1
            continue
        yield 'line', line.decode('ascii'), None
        i = end + 1


def decode_tspl(job, prefix):
    labels = []
    width = height = None
    canvas = None
    size_mm = None
    gap = None
    for kind, head, data in binary_lines(job):
        if kind == 'line':
            line = head.strip()
            if line.startswith('SIZE '):
                m = re.match(r'SIZE ([\d.]+) mm,([\d.]+) mm$', line)
                if not m:
                    fail('TSPL: SIZE %r' % line)
                size_mm = (float(m.group(1)), float(m.group(2)))
            elif line.startswith('GAP ') or line.startswith('BLINE '):
                gap = line
            elif line == 'CLS':
                canvas = 'clear'
            elif line.startswith('PRINT '):
                m = re.match(r'PRINT (\d+)(?:,(\d+))?$', line)
                if not m or canvas is None or canvas == 'clear':
                    fail('TSPL: PRINT without a graphic')
                labels.append({'width': width, 'height': height, 'size_mm': size_mm, 'gap': gap,
                               'copies': int(m.group(2) or 1) * int(m.group(1))})
                write_pbm('%s-%04d.pbm' % (prefix, len(labels)), width, canvas)
                canvas = None
        else:
            if kind != 'BITMAP' or canvas != 'clear':
                fail('TSPL: a graphic before CLS')
            x, y, width_bytes = head
            width, height = width_bytes * 8, len(data) // width_bytes
            canvas = blank(width, height)
            place(canvas, x, y, width_bytes, data, True)
    if not labels:
        fail('TSPL: no label printed')
    return {'language': 'tspl', 'labels': labels}


def decode_epl(job, prefix):
    labels = []
    q_width = None
    q_length = None
    canvas = None
    for kind, head, data in binary_lines(job):
        if kind == 'line':
            line = head.strip()
            if line == 'N':
                canvas = 'clear'
            elif re.match(r'q\d+$', line):
                q_width = int(line[1:])
            elif line.startswith('Q'):
                m = re.match(r'Q(\d+),(B?)(\d+)$', line)
                if not m:
                    fail('EPL: Q %r' % line)
                q_length = (int(m.group(1)), m.group(2) + m.group(3))
            elif re.match(r'P\d+(,\d+)?$', line):
                if canvas is None or canvas == 'clear':
                    fail('EPL: P without a graphic')
                labels.append({'width': q_width, 'height': q_length[0] if q_length else None,
                               'gap': q_length[1] if q_length else None, 'copies': int(line[1:].split(',')[0])})
                write_pbm('%s-%04d.pbm' % (prefix, len(labels)), canvas_width, canvas)
                canvas = None
        else:
            if canvas != 'clear':
                fail('EPL: GW before N')
            x, y, width_bytes = head
            canvas_width = q_width or width_bytes * 8
            canvas = blank(canvas_width, (q_length[0] if q_length else len(data) // width_bytes))
            place(canvas, x, y, width_bytes, data, True)
    if not labels:
        fail('EPL: no label printed')
    return {'language': 'epl', 'labels': labels}


def main():
    if len(sys.argv) != 3:
        fail('usage: thermal_decode.py JOB OUT_PREFIX')
    job = open(sys.argv[1], 'rb').read()
    start = job.lstrip()
    if start.startswith(b'^XA') or start.startswith(b'~SD'):
        out = decode_zpl(job, sys.argv[2])
    elif start.startswith(b'SIZE'):
        out = decode_tspl(job, sys.argv[2])
    elif start.startswith(b'N'):
        out = decode_epl(job, sys.argv[2])
    else:
        fail('not a job of ZPL, TSPL or EPL')
    print(json.dumps(out))


if __name__ == '__main__':
    main()
