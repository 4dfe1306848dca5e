#!/usr/bin/env python3
"""Makes the document templates of the exports: assets/sys/paper.dot (an RTF document for
"Export to Word") and assets/sys/score.xlt (an Office Open XML spreadsheet template for
"Export to Excel"), and copies both into demo/sys/.

Standard library only. The output is byte for byte the same on every run, so the files in
git change only when this script does.

    python3 scripts/make-templates.py
"""

import shutil
import sys
import zipfile
from pathlib import Path
from xml.sax.saxutils import escape

TOP = Path(__file__).resolve().parent.parent
TARGETS = [TOP / "assets" / "sys", TOP / "demo" / "sys"]

# --------------------------------------------------------------------------------------------
# paper.dot
#
# The export fills the header placeholders, repeats the question block (the paragraphs from
# the one holding "[QUESTION No]" to the one holding "[OPTION]") once per question, and the
# answer line (the paragraph holding "[ANSWER No]") once per question. Only what the program's
# RTF reader keeps is used: fonts, sizes, colours, bold, alignment and paragraph spacing.

PAPER_DOT = r"""{\rtf1\ansi\ansicpg1252\deff0\uc1
{\fonttbl{\f0\fswiss\fcharset0 Arial;}{\f1\froman\fcharset0 Times New Roman;}}
{\colortbl;\red0\green0\blue0;\red31\green56\blue100;\red100\green100\blue100;}
{\info{\title Test paper}}
\pard\qc\sa80\f0\fs36\b\cf2 [PAPER NAME]\par
\pard\qc\sa40\f0\fs20\b0\cf3 Teacher: [AUTHOR]\par
\pard\qc\sa240\f0\fs20\b0\cf3 Time allowed: [TESTTIME] minutes  \'b7  Questions: [QUESTION_COUNT]  \'b7  Full marks: [FULLMARK]\par
\pard\sa120\f0\fs20\b0\cf1 Name: ________________________    Class: ______________    No.: ________    Score: ________\par
\pard\sa240\f0\fs18\b0\i\cf3 Write the letters of all correct choices on the answer line of each question.\i0\par
\pard\sb240\sa60\f0\fs22\b\cf2 Question[QUESTION No]\b0\fs20\cf3   ([MARK] points)\par
\pard\sa60\f1\fs24\b0\cf1 [QUESTION]\par
\pard\sa200\f0\fs20\b0\cf1 Answer: ____________________\cf3\fs14       [OPTION]\par
\pard\sb480\sa120\f0\fs28\b\cf2 Answer key\par
\pard\sa40\f0\fs20\b0\cf1 Question[ANSWER No]:   [OP]\par
}
"""

# --------------------------------------------------------------------------------------------
# score.xlt
#
# Four worksheets; the export fills them by position: the paper's name in B2 of each, the
# class's name in E1 (Students), B1 (Statistics) or F1 (Questions, Answers); tables from row 6
# under the headings of row 5; statistics values in B6..B22. Cells the export creates take
# their column's style (or row 5's on Answers, where the question headings go).

NS = "http://schemas.openxmlformats.org/spreadsheetml/2006/main"
NS_R = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
NS_PKG_REL = "http://schemas.openxmlformats.org/package/2006/relationships"
REL = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
XML_HEAD = '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'

# Cell styles (indexes into cellXfs below).
(DEFAULT, TITLE, LABEL, HEADING, INTEGER, NUMBER, TIME, TWO_DECIMALS, ONE_DECIMAL, VALUE, TEXT,
 RIGHT_NUMBER) = range(12)

STYLES = XML_HEAD + f"""<styleSheet xmlns="{NS}">
<numFmts count="2"><numFmt numFmtId="164" formatCode="0.0"/><numFmt numFmtId="165" formatCode="[h]:mm:ss"/></numFmts>
<fonts count="4">
<font><sz val="10"/><name val="Arial"/><family val="2"/></font>
<font><b/><sz val="14"/><color rgb="FF1F3864"/><name val="Arial"/><family val="2"/></font>
<font><b/><sz val="10"/><name val="Arial"/><family val="2"/></font>
<font><sz val="10"/><color rgb="FF646464"/><name val="Arial"/><family val="2"/></font>
</fonts>
<fills count="3">
<fill><patternFill patternType="none"/></fill>
<fill><patternFill patternType="gray125"/></fill>
<fill><patternFill patternType="solid"><fgColor rgb="FFDCE6F1"/><bgColor indexed="64"/></patternFill></fill>
</fills>
<borders count="2">
<border><left/><right/><top/><bottom/><diagonal/></border>
<border><left/><right/><top/><bottom style="thin"><color auto="1"/></bottom><diagonal/></border>
</borders>
<cellStyleXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0"/></cellStyleXfs>
<cellXfs count="12">
<xf numFmtId="0" fontId="0" fillId="0" borderId="0" xfId="0"/>
<xf numFmtId="0" fontId="1" fillId="0" borderId="0" xfId="0" applyFont="1"/>
<xf numFmtId="0" fontId="3" fillId="0" borderId="0" xfId="0" applyFont="1" applyAlignment="1"><alignment horizontal="right"/></xf>
<xf numFmtId="0" fontId="2" fillId="2" borderId="1" xfId="0" applyFont="1" applyFill="1" applyBorder="1" applyAlignment="1"><alignment horizontal="center" vertical="center" wrapText="1"/></xf>
<xf numFmtId="1" fontId="0" fillId="0" borderId="0" xfId="0" applyNumberFormat="1" applyAlignment="1"><alignment horizontal="center"/></xf>
<xf numFmtId="0" fontId="0" fillId="0" borderId="0" xfId="0" applyAlignment="1"><alignment horizontal="center"/></xf>
<xf numFmtId="165" fontId="0" fillId="0" borderId="0" xfId="0" applyNumberFormat="1" applyAlignment="1"><alignment horizontal="center"/></xf>
<xf numFmtId="2" fontId="0" fillId="0" borderId="0" xfId="0" applyNumberFormat="1"/>
<xf numFmtId="164" fontId="0" fillId="0" borderId="0" xfId="0" applyNumberFormat="1"/>
<xf numFmtId="0" fontId="2" fillId="0" borderId="0" xfId="0" applyFont="1" applyAlignment="1"><alignment horizontal="left"/></xf>
<xf numFmtId="49" fontId="0" fillId="0" borderId="0" xfId="0" applyNumberFormat="1"/>
<xf numFmtId="0" fontId="0" fillId="0" borderId="0" xfId="0" applyAlignment="1"><alignment horizontal="right"/></xf>
</cellXfs>
<cellStyles count="1"><cellStyle name="Normal" xfId="0" builtinId="0"/></cellStyles>
</styleSheet>
"""


def col_letter(n):
    letters = ""
    while n > 0:
        n, rest = divmod(n - 1, 26)
        letters = chr(ord("A") + rest) + letters
    return letters


def cell(ref, style, text=None):
    if text is None:
        return f'<c r="{ref}" s="{style}"/>'
    return f'<c r="{ref}" s="{style}" t="inlineStr"><is><t>{escape(text)}</t></is></c>'


def worksheet(columns, rows, freeze, row_styles=None, landscape=False):
    """columns: (first, last, width, style); rows: {row: [(column, style, text)]};
    freeze: the first cell that scrolls, e.g. "A6"; row_styles: {row: style} for rows whose
    new cells take that style."""
    row_styles = row_styles or {}
    out = [XML_HEAD, f'<worksheet xmlns="{NS}" xmlns:r="{NS_R}">']
    out.append('<sheetPr><pageSetUpPr fitToPage="1"/></sheetPr>')
    col = "".join(ch for ch in freeze if ch.isalpha())
    row = int("".join(ch for ch in freeze if ch.isdigit()))
    xsplit = sum((ord(ch) - 64) * 26 ** i for i, ch in enumerate(reversed(col))) - 1
    ysplit = row - 1
    pane_attrs = ""
    if xsplit:
        pane_attrs += f' xSplit="{xsplit}"'
    pane_attrs += f' ySplit="{ysplit}"'
    active = "bottomRight" if xsplit else "bottomLeft"
    out.append(
        f'<sheetViews><sheetView workbookViewId="0"><pane{pane_attrs} topLeftCell="{freeze}" '
        f'activePane="{active}" state="frozen"/><selection pane="{active}" activeCell="{freeze}" '
        f'sqref="{freeze}"/></sheetView></sheetViews>'
    )
    out.append('<sheetFormatPr defaultRowHeight="13.2"/>')
    out.append("<cols>")
    for first, last, width, style in columns:
        out.append(f'<col min="{first}" max="{last}" width="{width}" style="{style}" customWidth="1"/>')
    out.append("</cols>")
    out.append("<sheetData>")
    for r in sorted(set(rows) | set(row_styles)):
        attrs = f' r="{r}"'
        if r in row_styles:
            attrs += f' s="{row_styles[r]}" customFormat="1"'
        if r == 5:
            attrs += ' ht="27" customHeight="1"'
        cells = "".join(cell(f"{col_letter(c)}{r}", s, t) for c, s, t in sorted(rows.get(r, [])))
        out.append(f"<row{attrs}>{cells}</row>")
    out.append("</sheetData>")
    out.append('<pageMargins left="0.6" right="0.6" top="0.7" bottom="0.7" header="0.3" footer="0.3"/>')
    orientation = "landscape" if landscape else "portrait"
    out.append(f'<pageSetup paperSize="9" orientation="{orientation}" fitToWidth="1" fitToHeight="0"/>')
    out.append('<headerFooter><oddFooter>&amp;L&amp;A&amp;RPage &amp;P of &amp;N</oddFooter></headerFooter>')
    out.append("</worksheet>\n")
    return "".join(out)


def students_sheet():
    rows = {
        1: [(1, TITLE, "Results of the class"), (4, LABEL, "Class:"), (5, VALUE, None)],
        2: [(1, LABEL, "Test:"), (2, VALUE, None)],
        3: [(1, DEFAULT, "Students in number order. A student without a score has not finished the test.")],
        5: [(c, HEADING, t) for c, t in enumerate(
            ["No.", "First name", "Last name", "Score", "Rank", "Time left"], start=1)],
    }
    columns = [(1, 1, 8, INTEGER), (2, 3, 18, TEXT), (4, 4, 9, NUMBER), (5, 5, 7, INTEGER), (6, 6, 11, TIME)]
    return worksheet(columns, rows, "A6")


STATISTICS = [
    (6, "Average Score", TWO_DECIMALS),
    (7, "Highest Score", RIGHT_NUMBER),
    (8, "Lowest Score", RIGHT_NUMBER),
    (9, "Amount of testees", RIGHT_NUMBER),
    (10, "Sum Total score", RIGHT_NUMBER),
    (11, "A grade", RIGHT_NUMBER),
    (12, "B grade", RIGHT_NUMBER),
    (13, "C grade", RIGHT_NUMBER),
    (14, "D grade", RIGHT_NUMBER),
    (15, "F grade", RIGHT_NUMBER),
    (16, "Passed Students", RIGHT_NUMBER),
    (17, "A%", ONE_DECIMAL),
    (18, "B%", ONE_DECIMAL),
    (19, "C%", ONE_DECIMAL),
    (20, "D%", ONE_DECIMAL),
    (21, "F%", ONE_DECIMAL),
    (22, "Passed%", ONE_DECIMAL),
]


def statistics_sheet():
    rows = {
        1: [(1, LABEL, "Class:"), (2, VALUE, None)],
        2: [(1, LABEL, "Test:"), (2, VALUE, None)],
        3: [(1, TITLE, "Statistics of the class")],
        5: [(1, HEADING, "Statistic"), (2, HEADING, "Value")],
    }
    for r, label, style in STATISTICS:
        rows[r] = [(1, DEFAULT, label), (2, style, None)]
    columns = [(1, 1, 24, DEFAULT), (2, 2, 14, DEFAULT)]
    return worksheet(columns, rows, "A6")


def questions_sheet():
    headings = ["Question No.", "Answer key", "Pct. ( % )"] + [f"Choice {d}" for d in range(1, 6)]
    rows = {
        1: [(1, TITLE, "Questions"), (5, LABEL, "Class:"), (6, VALUE, None)],
        2: [(1, LABEL, "Test:"), (2, VALUE, None)],
        3: [(1, DEFAULT, "Pct.: right answers per 100 students with a score. "
                         "Choice 1 to 5: answers holding that choice.")],
        5: [(c, HEADING, t) for c, t in enumerate(headings, start=1)],
    }
    columns = [(1, 3, 11, INTEGER), (4, 8, 9, INTEGER)]
    return worksheet(columns, rows, "A6")


def answers_sheet():
    rows = {
        1: [(1, TITLE, "Answers of the students"), (5, LABEL, "Class:"), (6, VALUE, None)],
        2: [(1, LABEL, "Test:"), (2, VALUE, None)],
        3: [(1, DEFAULT, "The choices each student with a score gave; 0 = not answered.")],
        5: [(1, HEADING, "No."), (2, HEADING, "First name"), (3, HEADING, "Last name")],
    }
    columns = [(1, 1, 8, INTEGER), (2, 3, 16, TEXT), (4, 16384, 7, INTEGER)]
    return worksheet(columns, rows, "D6", row_styles={5: HEADING}, landscape=True)


SHEETS = [
    ("Students", students_sheet()),
    ("Statistics", statistics_sheet()),
    ("Questions", questions_sheet()),
    ("Answers", answers_sheet()),
]


def workbook_xml():
    sheets = "".join(
        f'<sheet name="{name}" sheetId="{i}" r:id="rId{i}"/>' for i, (name, _) in enumerate(SHEETS, start=1))
    titles = "".join(
        f'<definedName name="_xlnm.Print_Titles" localSheetId="{i}">{name}!$5:$5</definedName>'
        for i, (name, _) in enumerate(SHEETS) if name != "Statistics")
    return (XML_HEAD + f'<workbook xmlns="{NS}" xmlns:r="{NS_R}"><workbookPr/>'
            f'<bookViews><workbookView activeTab="0"/></bookViews><sheets>{sheets}</sheets>'
            f'<definedNames>{titles}</definedNames></workbook>\n')


def workbook_rels():
    rels = "".join(
        f'<Relationship Id="rId{i}" Type="{REL}/worksheet" Target="worksheets/sheet{i}.xml"/>'
        for i in range(1, len(SHEETS) + 1))
    rels += f'<Relationship Id="rId{len(SHEETS) + 1}" Type="{REL}/styles" Target="styles.xml"/>'
    return XML_HEAD + f'<Relationships xmlns="{NS_PKG_REL}">{rels}</Relationships>\n'


def content_types():
    sheets = "".join(
        f'<Override PartName="/xl/worksheets/sheet{i}.xml" '
        'ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>'
        for i in range(1, len(SHEETS) + 1))
    return (XML_HEAD + '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
            '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
            '<Default Extension="xml" ContentType="application/xml"/>'
            '<Override PartName="/xl/workbook.xml" '
            'ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.template.main+xml"/>'
            f"{sheets}"
            '<Override PartName="/xl/styles.xml" '
            'ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml"/>'
            '<Override PartName="/docProps/app.xml" '
            'ContentType="application/vnd.openxmlformats-officedocument.extended-properties+xml"/>'
            "</Types>\n")


ROOT_RELS = (XML_HEAD + f'<Relationships xmlns="{NS_PKG_REL}">'
             f'<Relationship Id="rId1" Type="{REL}/officeDocument" Target="xl/workbook.xml"/>'
             f'<Relationship Id="rId2" Type="{REL}/extended-properties" Target="docProps/app.xml"/>'
             "</Relationships>\n")

APP = (XML_HEAD + '<Properties xmlns="http://schemas.openxmlformats.org/officeDocument/2006/extended-properties">'
       "<Application>Examora</Application><DocSecurity>0</DocSecurity></Properties>\n")


def score_xlt():
    parts = [
        ("[Content_Types].xml", content_types()),
        ("_rels/.rels", ROOT_RELS),
        ("docProps/app.xml", APP),
        ("xl/workbook.xml", workbook_xml()),
        ("xl/_rels/workbook.xml.rels", workbook_rels()),
        ("xl/styles.xml", STYLES),
    ] + [(f"xl/worksheets/sheet{i}.xml", xml) for i, (_, xml) in enumerate(SHEETS, start=1)]
    path = TARGETS[0] / "score.xlt"
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        for name, text in parts:
            info = zipfile.ZipInfo(name, date_time=(1980, 1, 1, 0, 0, 0))
            info.compress_type = zipfile.ZIP_DEFLATED
            info.external_attr = 0o644 << 16
            z.writestr(info, text.encode("utf-8"))


def main():
    TARGETS[0].mkdir(parents=True, exist_ok=True)
    (TARGETS[0] / "paper.dot").write_bytes(PAPER_DOT.replace("\n", "\r\n").encode("ascii"))
    score_xlt()
    for target in TARGETS[1:]:
        target.mkdir(parents=True, exist_ok=True)
        for name in ("paper.dot", "score.xlt"):
            shutil.copyfile(TARGETS[0] / name, target / name)
    for target in TARGETS:
        print(target / "paper.dot")
        print(target / "score.xlt")
    return 0


if __name__ == "__main__":
    sys.exit(main())
