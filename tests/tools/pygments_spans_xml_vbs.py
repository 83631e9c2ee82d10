#!/usr/bin/python3
"""Second opinion for the XML and VBScript highlighters.

Writes generated XML and VBScript files and, beside each, the spans of what
Pygments' lexers see as comments, strings and the like, in the format of
pygments_spans.py (whose helpers this script uses). Run with Debian's
python3-pygments from the source folder:

    /usr/bin/python3 tests/tools/pygments_spans_xml_vbs.py tests/data/highlighters

XML classes: comment (with its "<!--" and "-->"), preproc (processing
instructions, CDATA sections, DOCTYPE declarations), value (an attribute
value without its quotes) and entity (an entity reference in text).
VBScript classes: comment, string (double-quoted strings and "#...#" dates)
and number.

The generators leave out what the highlighters colour differently on
purpose: blanks inside attribute values (a blank is white space of its own),
unquoted values, DOCTYPE internal subsets and ">" in text for XML; "Rem"
comments (an ordinary keyword here), "&H" numbers and exponents with a sign
for VBScript.
"""
import sys

from pygments.lexers import VBScriptLexer, XmlLexer
from pygments.token import Comment, Name, String

from pygments_spans import COMMENT_STRING_NUMBER, emit

XML_LINES = [
    '<root>',
    '</root>',
    '<item id="1" name=\'first\'>text</item>',
    '<p:item xmlns:p="urn:x-example:p" p:kind="a&amp;b"/>',
    '  <br/>',
    '<!-- a comment -->',
    '  <note lang="en">Tom &amp; Jerry &lt;3</note> <!-- trailing -->',
    '<?xml-stylesheet type="text/xsl" href="style.xsl"?>',
    '<![CDATA[ if (a < b && c) { x = "y"; } ]]>',
    'plain text line',
    '<empty attr=""/>',
    '<entity>&#169; &copy; &#x20AC;</entity>',
    '<a href="page.htm?x=1&amp;y=2" title=\'it&apos;s\'>link</a>',
    '<!DOCTYPE note SYSTEM "note.dtd">',
    '<data value="12.5" unit=\'cm\'/>',
]
XML_BLOCKS = [
    ['<!--', '  several lines', '-->'],
    ['<item id="2"', '      name="second">', '</item>'],
    ['<![CDATA[', '  raw <text> here', ']]>'],
    ['<?process', '  data?>'],
    ['<!-- opens', 'and closes --> <b>bold</b>'],
]

VBS_LINES = [
    "' a comment line",
    'Dim total : total = 1234',
    'x = x + 1.0',
    'y = 1.5E3 + 12',
    's = "text with ""quotes"" inside"',
    'e = ""',
    'd = #1/1/2000#',
    'If a <> b Then',
    'End If',
    'For i = 0 To 10',
    'Next',
    'Function printNumber()',
    'End Function',
    'document.write("The number is " + number)',
    'x = y \' trailing comment with "quotes"',
    'Call MsgBox("Hello" & name, 0, "Title")',
    'Select Case value',
    '  Case 1, 2',
    'While count < 100',
    'Wend',
]
VBS_BLOCKS = [
    ["' first", "' second"],
    ['Sub Show(ByVal text)', '  MsgBox text', 'End Sub'],
]


def stripped_values(found):
    """Attribute values without their quotes; empty values are left out."""
    out = []
    for line, start, end, cls in found:
        if cls == 'value':
            start, end = start + 1, end - 1
            if start >= end:
                continue
        out.append((line, start, end, cls))
    return out


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else '.'
    emit(folder, 'generated.xml', XML_LINES, XML_BLOCKS, 16, XmlLexer(stripnl=False),
         [(Comment.Multiline, 'comment'), (Comment.Preproc, 'preproc'), (String, 'value'), (Name.Entity, 'entity')],
         stripped_values)
    emit(folder, 'generated.vbs', VBS_LINES, VBS_BLOCKS, 17, VBScriptLexer(stripnl=False), COMMENT_STRING_NUMBER)


if __name__ == '__main__':
    main()
