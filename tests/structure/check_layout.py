#!/usr/bin/env python3
"""Checks that every line of src/ sits in the room its includes allow.

    check_layout.py SRC_DIR [QT_WIDGETS_INCLUDE_DIR]
    check_layout.py --self-test [QT_WIDGETS_INCLUDE_DIR]

A folder under src/ is a library layer.  The checks:
  - a folder includes only the folders below it (LAYERS), so no two
    folders include each other and no folder cycle can come back;
  - the folder graph as the files draw it has no cycle, and no two units
    (a .h with its .cpp) include each other across folders;
  - the core (platform without its qt_* files, model, exchange, hub)
    includes no Qt header at all;
  - the core, the render library and the label server include no Qt
    widget header;
  - the render library includes nothing of XML-RPC (it draws labels, it
    does not talk to servers), and only it includes libzint;
  - the stored names of the barcode kinds are listed once, in their table
    (barcode_kinds in model/tables.h): a file whose string literals hold
    two or more of them (the table's own rows aside) keeps a second list;
  - every folder under src/ is one of the known layers.
Every fault found is printed as `file:line: what`; the exit status is 1
when there is any.
"""
import os
import re
import sys
import tempfile

# Each folder and the folders its files may include (besides its own).
LAYERS = {
    'platform': set(),
    'model': {'platform'},
    'exchange': {'model', 'platform'},
    'hub': {'exchange', 'model', 'platform'},
    'resources': set(),
    # Drawing a label: the model and nothing above it.
    'render': {'model', 'platform'},
    # The widget kit and the canvas see the document through the hub, never
    # the XML-RPC side of the exchange.
    'widgets': {'hub', 'model', 'platform', 'resources'},
    'canvas': {'render', 'widgets', 'hub', 'model', 'platform', 'resources'},
    'frame': {'output', 'canvas', 'render', 'widgets', 'hub', 'exchange', 'model', 'platform', 'resources'},
    'server': {'output', 'render', 'exchange', 'model', 'platform'},
    # Files and printers: the render library's pages, tables of data.
    'output': {'render', 'exchange', 'model', 'platform'},
    'render_cli': {'output', 'render', 'exchange', 'model', 'platform'},
}
CORE = {'platform', 'model', 'exchange', 'hub'}
NO_WIDGETS = CORE | {'render', 'server', 'output', 'render_cli'}
NO_XMLRPC = {'render'}
ZINT = {'render'}

# The one table of barcode kinds and the file that holds it.
BARCODE_TABLE_FILE = os.path.join('model', 'tables.h')
BARCODE_TABLE = re.compile(r'barcode_kinds\[\]\s*=\s*\{.*?\n\};', re.S)
# A row's stored names: the braces after its code.
BARCODE_ROW = re.compile(r'\{\s*\d+\s*,\s*\{([^}]*)\}')
# Comments, string literals (group 1: the text) and character literals, so
# that a quote inside a comment or a character literal starts no string.
TOKEN = re.compile(r'//[^\n]*|/\*.*?\*/|(?:u8|u|U|L)?"((?:[^"\\\n]|\\.)*)"|\'(?:[^\'\\\n]|\\.)*\'', re.S)

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def source_files(top, src):
    """Each .h and .cpp below `top`, in a stable order: its path and its path from `src`."""
    for root, _, files in os.walk(top):
        for name in sorted(files):
            if name.endswith(('.h', '.cpp')):
                path = os.path.join(root, name)
                yield path, os.path.relpath(path, src)


def is_core_file(folder, name):
    # The Qt implementations of the platform seams live beside them.
    return folder in CORE and not (folder == 'platform' and name.startswith('qt_'))


def is_qt_header(name):
    return re.match(r'^Qt[A-Za-z]*(/|$)', name) is not None or re.match(r'^Q[A-Z][A-Za-z]*$', name) is not None


def widget_headers(widgets_dir):
    names = set()
    if widgets_dir and os.path.isdir(widgets_dir):
        names = {n for n in os.listdir(widgets_dir) if re.match(r'^Q[A-Za-z]+$', n)}
    # A few that must be known even without the headers at hand.
    names |= {'QWidget', 'QApplication', 'QDialog', 'QMainWindow', 'QLabel', 'QLineEdit',
              'QPushButton', 'QComboBox', 'QMessageBox', 'QAbstractButton', 'QLayout'}
    return names


def read_includes(path):
    out = []
    with open(path, encoding='utf-8', errors='replace') as f:
        for number, line in enumerate(f, 1):
            m = INCLUDE.match(line)
            if m:
                out.append((number, m.group(1), m.group(2)))
    return out


def string_literals(text):
    """(line, text) of every string literal outside comments."""
    out = []
    for m in TOKEN.finditer(text):
        if m.group(0).startswith(('//', '/*', "'")):
            continue
        out.append((text.count('\n', 0, m.start()) + 1, m.group(1)))
    return out


def check_barcode_names(src):
    """Faults of the barcode kinds' stored names listed outside their table."""
    table_path = os.path.join(src, BARCODE_TABLE_FILE)
    if not os.path.isfile(table_path):
        return []
    with open(table_path, encoding='utf-8', errors='replace') as f:
        table_text = f.read()
    table = BARCODE_TABLE.search(table_text)
    if not table:
        return [f'{BARCODE_TABLE_FILE}: no barcode_kinds table found (update {sys.argv[0]})']
    names = set()
    for row in BARCODE_ROW.finditer(table.group(0)):
        names |= {m.group(1) for m in TOKEN.finditer(row.group(1)) if m.group(1) is not None}
    # Bare numbers ("39", "128") are too common to tell a list by.
    names = {n for n in names if not n.isdigit()}
    faults = []
    for path, rel in source_files(src, src):
        with open(path, encoding='utf-8', errors='replace') as f:
            text = f.read()
        if rel == BARCODE_TABLE_FILE:
            # The table's own rows are the list; blank them, lines kept.
            text = BARCODE_TABLE.sub(lambda m: '\n' * m.group(0).count('\n'), text)
        found = [(line, s) for line, s in string_literals(text) if s in names]
        if len({s for _, s in found}) >= 2:
            shown = ', '.join(sorted({f'"{s}"' for _, s in found}))
            faults.append(f'{rel}:{found[0][0]}: a second list of barcode names ({shown}); '
                          f'they belong to barcode_kinds in {BARCODE_TABLE_FILE}')
    return faults


def find_cycle(graph):
    """One cycle of the graph as a list of nodes, or None."""
    state = {}
    stack = []

    def visit(n):
        state[n] = 1
        stack.append(n)
        for m in sorted(graph.get(n, ())):
            if state.get(m) == 1:
                return stack[stack.index(m):] + [m]
            if m not in state:
                c = visit(m)
                if c:
                    return c
        stack.pop()
        state[n] = 2
        return None

    for n in sorted(graph):
        if n not in state:
            c = visit(n)
            if c:
                return c
    return None


def strong_components(graph):
    """The groups of nodes that all reach one another (more than one node)."""
    index, low, on_stack, stack, out = {}, {}, set(), [], []
    counter = [0]

    def visit(n):
        index[n] = low[n] = counter[0]
        counter[0] += 1
        stack.append(n)
        on_stack.add(n)
        for m in sorted(graph.get(n, ())):
            if m not in index:
                visit(m)
                low[n] = min(low[n], low[m])
            elif m in on_stack:
                low[n] = min(low[n], index[m])
        if low[n] == index[n]:
            group = []
            while True:
                m = stack.pop()
                on_stack.discard(m)
                group.append(m)
                if m == n:
                    break
            if len(group) > 1:
                out.append(group)

    for n in sorted(graph):
        if n not in index:
            visit(n)
    return out


def check(src, widgets_dir):
    faults = []
    widgets = widget_headers(widgets_dir)
    folders = {}
    units = {}
    for folder in sorted(os.listdir(src)):
        full = os.path.join(src, folder)
        if not os.path.isdir(full):
            continue
        if folder not in LAYERS:
            faults.append(f'{full}: a folder of no known layer (add it to LAYERS in {sys.argv[0]})')
            continue
        folders.setdefault(folder, set())
        for path, rel in source_files(full, src):
            name = os.path.basename(path)
            unit = os.path.splitext(rel)[0]
            units.setdefault(unit, set())
            for line, kind, inc in read_includes(path):
                where = f'{rel}:{line}'
                if kind == '<':
                    base = inc.split('/')[-1]
                    if folder in NO_XMLRPC and inc.startswith('xmlrpc'):
                        faults.append(f'{where}: {folder} includes XML-RPC <{inc}>')
                    if folder not in ZINT and base == 'zint.h':
                        faults.append(f'{where}: {folder} includes libzint <{inc}>')
                    if is_core_file(folder, name) and is_qt_header(inc):
                        faults.append(f'{where}: the core includes Qt <{inc}>')
                    elif folder in NO_WIDGETS and not (folder == 'platform' and name.startswith('qt_')) \
                            and base in widgets:
                        faults.append(f'{where}: {folder} includes the Qt widget header <{inc}>')
                    continue
                if '/' not in inc:
                    continue
                target = inc.split('/')[0]
                if target not in LAYERS:
                    continue
                if target != folder:
                    folders[folder].add(target)
                    if target not in LAYERS[folder]:
                        faults.append(f'{where}: {folder} may not include {target} ("{inc}")')
                target_unit = os.path.splitext(inc)[0]
                if target_unit != unit:
                    units[unit].add(target_unit)
    cycle = find_cycle(folders)
    if cycle:
        faults.append('folder cycle: ' + ' -> '.join(cycle))
    # Units that include each other across folders (through their .cpp):
    # a group of units that all reach one another may not span folders.
    for group in strong_components(units):
        if len({u.split('/')[0] for u in group}) > 1:
            faults.append('include cycle through ' + ', '.join(sorted(group)))
    faults += check_barcode_names(src)
    return faults


def self_test(widgets_dir):
    """The checks find what they are there to find."""
    table = ('inline constexpr barcode_kind barcode_kinds[] = {\n'
             '    {0, {"AUTO"}, u"Автоподбор", libzint::code128, false, barcode_check::automatic},\n'
             '    {3, {"EAN13", "EAN-13"}, u"EAN-13", libzint::eanx, false, barcode_check::ean13},\n'
             '    {11, {"I25", "INTERLEAVED-2-OF-5",\n'
             '          "Interleaved 2 of 5"}, u"Interleaved 2 of 5", libzint::c25inter, false, barcode_check::plain},\n'
             '    {16, {"QRCODE"}, u"QR-код", libzint::qrcode, true, barcode_check::text},\n'
             '};\n')
    cases = {
        'clean': ({}, False),
        'core includes a widget': ({'model/a.cpp': '#include <QWidget>\n'}, True),
        'core includes QtCore': ({'hub/a.h': '#include <QString>\n'}, True),
        'server includes a widget': ({'server/a.cpp': '#include <QApplication>\n'}, True),
        'platform qt file may use Qt': ({'platform/qt_a.cpp': '#include <QWidget>\n'}, False),
        'upward include': ({'model/a.cpp': '#include "exchange/b.h"\n', 'exchange/b.h': ''}, True),
        'folder cycle': ({'widgets/a.cpp': '#include "canvas/b.h"\n', 'canvas/b.h': '#include "widgets/a.h"\n',
                          'widgets/a.h': ''}, True),
        'unit cycle': ({'platform/a.cpp': '#include "model/b.h"\n', 'model/b.cpp': '#include "platform/a.h"\n',
                        'platform/a.h': '', 'model/b.h': ''}, True),
        'unknown folder': ({'plugins/a.cpp': ''}, True),
        'render on the model': ({'render/a.cpp': '#include "model/b.h"\n#include <QPainter>\n', 'model/b.h': ''},
                                False),
        'render includes the exchange': ({'render/a.cpp': '#include "exchange/b.h"\n', 'exchange/b.h': ''}, True),
        'render includes the hub': ({'render/a.cpp': '#include "hub/b.h"\n', 'hub/b.h': ''}, True),
        'render includes the server': ({'render/a.cpp': '#include "server/b.h"\n', 'server/b.h': ''}, True),
        'render includes a widget': ({'render/a.cpp': '#include <QWidget>\n'}, True),
        'render includes XML-RPC': ({'render/a.cpp': '#include <xmlrpc-c/base.h>\n'}, True),
        'render on libzint': ({'render/a.cpp': '#include <zint.h>\n'}, False),
        'model includes libzint': ({'model/a.h': '#include <zint.h>\n'}, True),
        'server includes libzint': ({'server/a.cpp': '#include <zint.h>\n'}, True),
        'barcode names in their table': ({'model/tables.h': table}, False),
        'a second list of barcode names': ({'model/tables.h': table, 'exchange/names.cpp':
                                            'const char *const kinds[] = {"EAN13", "QRCODE"};\n'}, True),
        'a second list beside the table': ({'model/tables.h': table + 'const char *old[] = {u8"AUTO", "I25"};\n'},
                                           True),
        'one barcode name, others in comments': ({'model/tables.h': table, 'render/a.cpp':
                                                  'auto s = "EAN-13: 12 digits"; // not "EAN13", "QRCODE"\n'
                                                  '/* "I25" */ char q = \'"\'; auto k = "QRCODE";\n'}, False),
        'the barcode table gone': ({'model/tables.h': 'inline constexpr int x = 1;\n'}, True),
        'model includes render': ({'model/a.cpp': '#include "render/b.h"\n', 'render/b.h': ''}, True),
        'server and canvas on render': ({'server/a.cpp': '#include "render/b.h"\n',
                                         'canvas/c.cpp': '#include "render/b.h"\n', 'render/b.h': ''}, False),
        'downward includes': ({'frame/a.cpp': '#include "canvas/b.h"\n#include <QWidget>\n',
                               'canvas/b.h': '#include "hub/c.h"\n', 'hub/c.h': '#include "model/d.h"\n',
                               'model/d.h': '#include <vector>\n'}, False),
    }
    failed = 0
    for name, (files, bad) in cases.items():
        with tempfile.TemporaryDirectory() as d:
            for rel, text in files.items():
                os.makedirs(os.path.join(d, os.path.dirname(rel)), exist_ok=True)
                with open(os.path.join(d, rel), 'w') as f:
                    f.write(text)
            faults = check(d, widgets_dir)
            if bool(faults) != bad:
                failed += 1
                print(f'self-test "{name}": expected {"faults" if bad else "none"}, got {faults}')
    return failed


def main():
    if len(sys.argv) >= 2 and sys.argv[1] == '--self-test':
        return 1 if self_test(sys.argv[2] if len(sys.argv) > 2 else None) else 0
    if len(sys.argv) < 2:
        print(__doc__)
        return 2
    faults = check(sys.argv[1], sys.argv[2] if len(sys.argv) > 2 else None)
    for f in faults:
        print(f)
    return 1 if faults else 0


if __name__ == '__main__':
    sys.exit(main())
