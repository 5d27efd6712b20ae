#!/usr/bin/env python3
"""Checks the English translation against the texts of src/.

    check_translations.py LUPDATE SRC_DIR TS_FILE
    check_translations.py --self-test

  - lupdate, run over src/ into a copy of the .ts, leaves no text without
    a translation (a text marked but never translated would show in
    Russian in the English interface);
  - every translation keeps the placeholders of its source (%1..%9,
    %{N:spec}, %s): the program falls back to the Russian format when it
    does not, so such a translation is never seen;
  - every VL_TR text has the context the lookup uses, "vellumo";
  - in the folders already converted (CONVERTED), no Cyrillic string
    literal stands outside a marked text: a Russian text there is one the
    English interface would show untranslated.  A folder joins the list
    once its texts are marked.
Every fault is printed as `file:line: what`; the exit status is 1 when
there is any.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

# Folders (or single files, while their folder is under way) of src/ whose
# every user-visible text is marked.
CONVERTED = ['render_cli', 'output', 'render', 'model', 'exchange', 'hub', 'platform', 'canvas',
             'widgets', 'frame']

CONTEXT = 'vellumo'
# Comments, string literals (with an optional prefix) and character literals.
TOKEN = re.compile(r'//[^\n]*|/\*.*?\*/|(?:u8|u|U|L)?R"([^(\s]*)\((.*?)\)\1"|(?:u8|u|U|L)?"((?:[^"\\\n]|\\.)*)"|\'(?:[^\'\\\n]|\\.)*\'', re.S)
# A call whose string arguments are texts for translation.
MARKER = re.compile(r'\b(VL_TR8?|tr|QT_TR_NOOP|QT_TRANSLATE_NOOP|translate)\s*\(')
CYRILLIC = re.compile('[\u0400-\u04ff]')
PLACEHOLDER = re.compile(r'%(?:[1-9]|\{[1-9]:[^}]*\}|s|0?[1-9]?l?[duxX])')


def blank(text, start, end):
    """The text with [start, end) turned into spaces, newlines kept."""
    return text[:start] + re.sub(r'[^\n]', ' ', text[start:end]) + text[end:]


def without_comments(text):
    out = text
    for m in TOKEN.finditer(text):
        if m.group(0).startswith(('//', '/*')):
            out = blank(out, m.start(), m.end())
    return out


def marked_spans(text):
    """(start, end) of the parentheses of every marker call."""
    spans = []
    for m in MARKER.finditer(text):
        depth, i = 0, m.end() - 1
        while i < len(text):
            c = text[i]
            if c == '"':
                lit = TOKEN.match(text, i)
                i = lit.end() if lit else i + 1
                continue
            if c == '(':
                depth += 1
            elif c == ')':
                depth -= 1
                if depth == 0:
                    break
            i += 1
        spans.append((m.start(), i + 1, m.group(1)))
    return spans


def exempt_spans(text):
    """(start, end) of the lines and tables that say `// not translated`."""
    spans = []
    for m in re.finditer(r'//[^\n]*\bnot translated\b', text):
        start = text.rfind('\n', 0, m.start()) + 1
        line = text[start:m.start()]
        end = m.end()
        if line.rstrip().endswith('{'):
            # the table the line opens: up to its closing brace
            depth, i = 0, start
            while i < len(text):
                if text[i] == '{':
                    depth += 1
                elif text[i] == '}':
                    depth -= 1
                    if depth == 0:
                        break
                i += 1
            end = i
        spans.append((start, end))
    return spans


def source_faults(path, text, converted):
    faults = []
    exempt = exempt_spans(text)
    text = without_comments(text)
    spans = marked_spans(text)
    for start, end, name in spans:
        line_start = text.rfind('\n', 0, start) + 1
        if text[line_start:start].lstrip().startswith('#'):
            continue  # the marker's own definition
        if name in ('VL_TR', 'VL_TR8'):
            m = re.match(r'VL_TR8?\s*\(\s*"([^"]*)"\s*,', text[start:end])
            if not m or m.group(1) != CONTEXT:
                line = text.count('\n', 0, start) + 1
                faults.append('%s:%d: VL_TR needs the context "%s" first' % (path, line, CONTEXT))
    if not converted:
        return faults
    for m in TOKEN.finditer(text):
        body = m.group(2) if m.group(2) is not None else m.group(3)
        if body is None or not CYRILLIC.search(body):
            continue
        if any(s <= m.start() < e for s, e, _ in spans) or any(s <= m.start() < e for s, e in exempt):
            continue
        line = text.count('\n', 0, m.start()) + 1
        faults.append('%s:%d: a Russian text not marked for translation: "%s"' % (path, line, body[:60]))
    return faults


def ts_faults(ts_path):
    faults = []
    root = ET.parse(ts_path).getroot()
    for ctx in root.iter('context'):
        for msg in ctx.iter('message'):
            source = msg.findtext('source') or ''
            tr = msg.find('translation')
            kind = tr.get('type') if tr is not None else 'unfinished'
            if kind in ('vanished', 'obsolete'):
                continue
            text = tr.text if tr is not None and tr.text else ''
            if kind == 'unfinished' or not text:
                faults.append('%s: no English for "%s"' % (os.path.basename(ts_path), source[:80]))
                continue
            if sorted(PLACEHOLDER.findall(source)) != sorted(PLACEHOLDER.findall(text)):
                faults.append('%s: the English of "%s" has other placeholders: "%s"'
                              % (os.path.basename(ts_path), source[:60], text[:60]))
    return faults


def check(lupdate, src, ts):
    faults = []
    for folder, _, files in os.walk(src):
        for name in sorted(files):
            if name.endswith(('.h', '.cpp')):
                path = os.path.join(folder, name)
                rel = os.path.relpath(path, src).replace(os.sep, '/')
                converted = any(rel == c or rel.startswith(c + '/') for c in CONVERTED)
                with open(path, encoding='utf-8', errors='replace') as f:
                    faults += source_faults(rel, f.read(), converted)
    with tempfile.TemporaryDirectory() as tmp:
        copy = os.path.join(tmp, os.path.basename(ts))
        shutil.copy(ts, copy)
        run = subprocess.run([lupdate, '-silent', '-source-language', 'ru', '-target-language', 'en',
                              '-tr-function-alias', 'QT_TRANSLATE_NOOP+=VL_TR,QT_TRANSLATE_NOOP+=VL_TR8', '-locations', 'none',
                              '-no-obsolete', '-extensions', 'h,cpp', src, '-ts', copy],
                             capture_output=True, text=True)
        if run.returncode != 0:
            faults.append('lupdate failed: ' + run.stderr[-2000:])
        else:
            faults += ts_faults(copy)
    return faults


def self_test():
    """Each check finds the fault it is for, and only that."""
    bad = 0
    cases = [
        # (source, converted, how many faults)
        ('auto a = VL_TR("vellumo", "Файл");', True, 0),
        ('say(u"Файл «" + name + u"» не записан");', True, 2),
        ('say(u"Файл");', False, 0),                       # a folder not yet converted
        ('// Комментарий: "Файл"\n/* "ещё" */ int x;', True, 0),
        ('auto a = VL_TR("vellumo",\n  "длинный "\n  "текст");', True, 0),
        ('auto a = VL_TR("render", "Файл");', True, 1),     # another context is never looked up
        ('const char f[] = VL_TR8("vellumo", "За %d с");', True, 0),
        ('const char f[] = VL_TR8("net", "За %d с");', True, 1),
        ('auto a = VL_TR("vellumo", "Файл (%1)"); auto b = "б";', True, 1),
        ('auto s = tr("Закрыть"); char c = \'"\'; auto t = "т";', True, 1),
        ('auto r = R"(Сырой "текст")";', True, 1),
        ('out = v ? u"ИСТИНА" : u"ЛОЖЬ"; // not translated: data', True, 0),
        ('rows[] = { // not translated: stored\n  {"A4", "1 этикетка"},\n};\nauto x = "б";', True, 1),
    ]
    for source, converted, want in cases:
        got = source_faults('x.cpp', source, converted)
        if len(got) != want:
            print('self-test: %r gave %d faults, not %d: %s' % (source, len(got), want, got))
            bad += 1
    with tempfile.TemporaryDirectory() as tmp:
        ts = os.path.join(tmp, 'x.ts')
        with open(ts, 'w', encoding='utf-8') as f:
            f.write('<?xml version="1.0" encoding="utf-8"?>\n<TS version="2.1" language="en" sourcelanguage="ru">'
                    '<context><name>vellumo</name>'
                    '<message><source>Строка %1: %2</source><translation>Row %1: %2</translation></message>'
                    '<message><source>Строка %1: %2</source><translation>Row %1</translation></message>'
                    '<message><source>Лист</source><translation type="unfinished"></translation></message>'
                    '<message><source>Старое</source><translation type="vanished">Old</translation></message>'
                    '<message><source>после %s</source><translation>%s needs</translation></message>'
                    '<message><source>За %ld с</source><translation>In %d s</translation></message>'
                    '</context></TS>')
        got = ts_faults(ts)
        if len(got) != 3:
            print('self-test: the .ts gave %s' % got)
            bad += 1
    print('self-test: %d cases, %d wrong' % (len(cases) + 1, bad))
    return 1 if bad else 0


if __name__ == '__main__':
    if sys.argv[1:] == ['--self-test']:
        sys.exit(self_test())
    faults = check(*sys.argv[1:4])
    for f in faults:
        print(f)
    print('%d faults' % len(faults))
    sys.exit(1 if faults else 0)
