#!/usr/bin/python3
"""Second opinion for the JavaScript and style-sheet highlighters.

Writes generated source files of each language and, beside each, the spans
of its comments, strings (and JavaScript numbers) as Pygments' lexers see
them. The highlighter tests compare their own spans with these files, so the
tests need no Python. Run with Debian's python3-pygments from the source
folder:

    /usr/bin/python3 tests/tools/pygments_spans.py tests/data/highlighters

The generators leave out what the highlighters colour differently on
purpose: regular-expression literals and division in JavaScript (a "/"
opens a comment or stays a symbol), double-quoted strings and url(...) in
style sheets, and doubled quotes inside strings.

Span file: one span a line, "line start end class" with 0-based line and
columns (end exclusive) and class one of comment, string, number.
"""
import random
import sys

import pygments
from pygments.lexers import CssLexer, JavascriptLexer
from pygments.lexers import MySqlLexer, PhpLexer, SqlLexer
from pygments.token import Comment, Number, String

JS_LINES = [
    'var total = 1234;',
    'var hex = 0x1F + 0xab;',
    'x += 12.5;',
    'var s = "text with \\"quotes\\" inside";',
    "var t = 'single ' + 'quoted';",
    'var path = "C:\\\\dir\\\\";',
    "var e = '';",
    '// a line comment',
    'x = y; // trailing comment with "quotes"',
    '/* a block comment */',
    'a = b /* inside */ + c;',
    'function printNumber(a, b) {',
    '}',
    'if (a < b && c >= 10) { return a; }',
    'for (var i = 0; i <= count; i++) {',
    'document.write("The number is " + number);',
    'window.onLoad = printNumber;',
    'alert(\'it\\\'s\');',
    'var list = [1, 2, 3];',
    'obj.value = null;',
]
JS_BLOCKS = [
    ['/*', ' * several lines', ' */'],
    ['/** doc', '  "not a string" here', '*/ x = 1;'],
    ['var a = 1; /* opens', 'goes on */ var b = "s";'],
]

CSS_LINES = [
    'body {',
    '}',
    '  color: #FF00aa;',
    '  font-family: \'Arial\', sans-serif;',
    '  font-size: 12pt;',
    '  margin: 0 auto;',
    '/* a comment */',
    'p.note { border: 1px solid #ccc; }',
    '  content: \'text\';',
    '  width: 100px; /* trailing */',
    'h1, h2 { font-weight: bold; }',
    '  background-color: #FFFFFF;',
    "  quotes: '<' '>';",
]
CSS_BLOCKS = [
    ['/*', '  several lines', '*/'],
    ['a { color: red; } /* opens', 'goes on */ b { top: 0; }'],
]


def generate(lines, blocks, count, seed):
    rng = random.Random(seed)
    out = []
    while len(out) < count:
        if rng.random() < 0.1:
            out.extend(rng.choice(blocks))
        else:
            out.append(rng.choice(lines))
    return '\n'.join(out) + '\n'


def spans(lexer, text, classes):
    result = []
    line, col = 0, 0
    for _, ttype, value in lexer.get_tokens_unprocessed(text):
        name = None
        for cls, label in classes:
            if ttype in cls:
                name = label
                break
        parts = value.split('\n')
        for i, part in enumerate(parts):
            if i > 0:
                line, col = line + 1, 0
            if part and name:
                if result and result[-1][0] == line and result[-1][2] == col and result[-1][3] == name:
                    result[-1] = (line, result[-1][1], col + len(part), name)
                else:
                    result.append((line, col, col + len(part), name))
            col += len(part)
    return result


def write(folder, name, text, found):
    with open(f'{folder}/{name}', 'w', newline='\n') as f:
        f.write(text)
    with open(f'{folder}/{name}.spans', 'w', newline='\n') as f:
        f.write(f'# Pygments {pygments.__version__}, {name}\n')
        for line, start, end, cls in found:
            f.write(f'{line} {start} {end} {cls}\n')


# SQL: no backslashes (standard) or only the escapes MySQL knows, quoted
# identifiers on one line, no comment opened inside a block comment, no "--"
# right after a number (a number takes "-"), "#" comments in the first column
# only (MySQL) and "-- " with a blank after it.
SQL_LINES = [
    'select name, total from orders where id = 12;',
    "insert into customers values (1, 'Smith', 'it''s');",
    "update t set note = 'a -- not a comment' where x > 0;",
    'select "quoted ""name""" from dual;',
    '-- a line comment',
    'select * from t -- trailing comment',
    '/* a block comment */',
    "select a /* inside 'no string' */ from b;",
    "where name like '%/* not a comment */%'",
    'create table items (id integer, price decimal(10, 2));',
    "select '' as empty, 'x' || 'y' from z;",
    'order by 1, 2 desc;',
]
SQL_BLOCKS = [
    ['/*', '  several lines', '*/'],
    ["insert into notes values ('first line", 'second line', "last line');"],
    ['select 1; /* opens', "goes on 'quoted' */ select 2;"],
]

MYSQL_LINES = SQL_LINES[:3] + SQL_LINES[4:] + [
    "select 'it\\'s', 'C:\\\\dir\\\\' from t;",
    'select "double \\"quoted\\"" from t;',
    '# a hash comment',
]
MYSQL_BLOCKS = SQL_BLOCKS + [
    ['/* block', '# still the block', '*/ select 3;'],
]

# PHP: no "$" inside double-quoted strings (Pygments splits them there), no
# "?>" (it ends the code), no "/**" (a doc string there), no backslash at a
# line's end inside a string.
PHP_LINES = [
    '$number = 1234;',
    '$total += $x * 2;',
    "echo 'single quoted';",
    'print "double \\"quoted\\" text";',
    "$path = 'C:\\\\dir\\\\';",
    "$s = 'it\\'s';",
    '# a hash comment',
    '// a line comment',
    '$a = $b; // trailing "quotes"',
    '/* a block comment */',
    '$c = $d /* inside */ + 1;',
    'function printNumber($a, $b) {',
    '}',
    'if ($a < $b && $c >= 10) { return $a; }',
    'for ($i = 0; $i <= $n; $i++) {',
    '$list = array(1, 2, 3);',
    '$e = "";',
    '$h = 0x1F;',
]
PHP_BLOCKS = [
    ['/*', ' * several lines', ' */'],
    ['$text = "first line', 'second line', 'last line";'],
    ["$t = 'first", "second';"],
    ['$a = 1; /* opens', 'goes on */ $b = "s";'],
    ['$q = "open \\"', 'goes on \\\\" . $x;'],
    ["$r = 'open \\'", "goes on \\' still', $y;"],
]


def emit(folder, name, lines, blocks, seed, lexer, classes, adjust=lambda found: found):
    """Writes a generated file of 400 lines and the spans `lexer` finds in it."""
    text = generate(lines, blocks, 400, seed)
    write(folder, name, text, adjust(spans(lexer, text, classes)))


COMMENT_STRING = [(Comment, 'comment'), (String, 'string')]
COMMENT_STRING_NUMBER = COMMENT_STRING + [(Number, 'number')]


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else '.'
    emit(folder, 'generated.js', JS_LINES, JS_BLOCKS, 14, JavascriptLexer(stripnl=False), COMMENT_STRING_NUMBER)
    emit(folder, 'generated.css', CSS_LINES, CSS_BLOCKS, 15, CssLexer(stripnl=False), COMMENT_STRING)
    emit(folder, 'generated.sql', SQL_LINES, SQL_BLOCKS, 16, SqlLexer(stripnl=False), COMMENT_STRING)
    emit(folder, 'generated-mysql.sql', MYSQL_LINES, MYSQL_BLOCKS, 17, MySqlLexer(stripnl=False), COMMENT_STRING)
    emit(folder, 'generated.php', PHP_LINES, PHP_BLOCKS, 18, PhpLexer(startinline=True, stripnl=False),
         COMMENT_STRING)


if __name__ == '__main__':
    main()
