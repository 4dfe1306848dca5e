#!/usr/bin/env bash
# Checks that what the two exports write opens in real office software. The export tests run
# with EXAM_EXPORT_SAMPLES set, so they keep the document (.rtf) and the workbook (.xlsx) they
# make; LibreOffice, headless, converts the document to PDF and the workbook to PDF and to one
# CSV file per worksheet; the text office software read is compared with what the tests put
# in, and every PDF page is rendered as PNG for a look.
#
#   bash scripts/check-exports.sh [output folder]
#
# Needs soffice and pdftoppm/pdftotext, which the project's setup does not install:
#   apt-get install --no-install-recommends libreoffice-writer-nogui libreoffice-calc-nogui poppler-utils
# Not run by CTest.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$top/build}"
out="${1:-$(mktemp -d)}"
mkdir -p "$out"
out="$(cd "$out" && pwd)"

for tool in soffice pdftoppm pdftotext; do
    if ! command -v "$tool" > /dev/null; then
        echo "$tool is missing: apt-get install --no-install-recommends libreoffice-writer-nogui" \
             "libreoffice-calc-nogui poppler-utils" >&2
        exit 2
    fi
done

cmake --build "$build" --target tst_wordexport tst_excelexport tst_csvexport --parallel 2 > /dev/null
samples="$out/samples"
rm -rf "$samples"
mkdir -p "$samples"
export EXAM_EXPORT_SAMPLES="$samples" QT_QPA_PLATFORM=offscreen
"$build/tests/tst_wordexport" threeQuestionsWithExplanations demoTreeExports > /dev/null
"$build/tests/tst_excelexport" classFromTheWindowWhateverTheListsSort > /dev/null
"$build/tests/tst_csvexport" writesEveryStudentAndAnswer > /dev/null
# What "Import questions..." writes: the golden question files.
cp "$top/tests/examforge/golden/questions/aiken_chinese/q1.rtf" "$samples/import-chinese.rtf"
cp "$top/tests/examforge/golden/questions/gift_escapes/q1.rtf" "$samples/import-escapes.rtf"
unset EXAM_EXPORT_SAMPLES

# A profile of its own, so that an office program the user has open is neither used nor disturbed.
office=(soffice "-env:UserInstallation=file://$out/profile" --headless --norestore)
"${office[@]}" --convert-to pdf --outdir "$out" "$samples/Unit3.rtf" "$samples/demo-Unit3.rtf" > /dev/null 2>&1
"${office[@]}" --convert-to pdf --outdir "$out" "$samples/P_G1.xlsx" > /dev/null 2>&1
"${office[@]}" --convert-to pdf --outdir "$out" "$samples/import-chinese.rtf" "$samples/import-escapes.rtf" > /dev/null 2>&1
# The CSV export read as UTF-8 (what the import dialog offers for a file with a byte order mark),
# made a workbook and written back out.
mkdir -p "$out/csv"
"${office[@]}" --infilter="CSV:44,34,76,1" --convert-to xlsx --outdir "$out/csv" "$samples/P_二班.csv" > /dev/null 2>&1
"${office[@]}" --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76,1' --outdir "$out/csv/back" \
    "$out/csv/P_二班.xlsx" > /dev/null 2>&1
# Field options: comma, double quote, UTF-8, from line 1, ..., every worksheet (-1) to its own file.
"${office[@]}" --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false,false,false,-1' \
    --outdir "$out" "$samples/P_G1.xlsx" > /dev/null 2>&1

failures=0
expect() { # file, text office software must have read from it
    if ! grep -qF -- "$2" "$1"; then
        echo "FAIL: $(basename "$1") lacks: $2" >&2
        failures=$((failures + 1))
    fi
}

for pdf in Unit3 demo-Unit3 P_G1; do
    if [ ! -s "$out/$pdf.pdf" ]; then
        echo "FAIL: LibreOffice made no $pdf.pdf" >&2
        exit 1
    fi
    # Blanks squeezed: the PDF places words, it does not keep runs of blanks.
    pdftotext -layout "$out/$pdf.pdf" - | tr -s ' ' > "$out/$pdf.txt"
    pdftoppm -r 70 -png "$out/$pdf.pdf" "$out/$pdf"
done

text="$out/Unit3.txt"
expect "$text" "Unit3"
expect "$text" "Teacher: Ms. Brook"
expect "$text" "Time allowed: 45 minutes"
expect "$text" "Question 1 ( 5 points)"
expect "$text" "First question red word"
expect "$text" "Because one and three."
expect "$text" "Question 2 (2.5 points)"
expect "$text" "Nobody knows."
expect "$text" "Answer key"
expect "$text" "Question 3: [no answer]"
expect "$text" "Question 4: 7"
count_options() { grep -o '\[OPTION\]' "$1" | wc -l; }
[ "$(count_options "$text")" -eq 4 ] || { echo "FAIL: not 4 [OPTION] in Unit3.pdf" >&2; failures=$((failures + 1)); }
# The demo tree's own paper of five questions.
expect "$out/demo-Unit3.txt" "What is 25 + 17?"
expect "$out/demo-Unit3.txt" "Question 5:"
[ "$(count_options "$out/demo-Unit3.txt")" -eq 5 ] || { echo "FAIL: not 5 [OPTION] in demo-Unit3.pdf" >&2; failures=$((failures + 1)); }

expect "$out/P_G1-Students.csv" "1,Ann,Lee,90,1,"
expect "$out/P_G1-Students.csv" "3,Cid,,,,"
expect "$out/P_G1-Statistics.csv" "Average Score,87.5"
expect "$out/P_G1-Statistics.csv" "Passed%,100"
expect "$out/P_G1-Questions.csv" "2,13,100,2,0,2,0,0"
expect "$out/P_G1-Answers.csv" "No.,First name,Last name,NO 1,NO 2,NO 3"
expect "$out/P_G1-Answers.csv" "2,Bob,Ray,1,13,5"
# Time left is read as a time, not as a number or a text.
if ! grep -qE '^1,Ann,Lee,90,1,[^,]*10:00' "$out/P_G1-Students.csv"; then
    echo "FAIL: time left of student 1 is not read as 0:10:00" >&2
    failures=$((failures + 1))
fi

for pdf in import-chinese import-escapes; do
    pdftotext -layout "$out/$pdf.pdf" "$out/$pdf.txt" 2> /dev/null || echo "FAIL: LibreOffice made no $pdf.pdf" >&2
done
expect "$out/import-chinese.txt" "下列哪个城市是中国的首都？"
expect "$out/import-chinese.txt" "B. 北京"
expect "$out/import-escapes.txt" "A. {1, 2} = a: b"
expect "$out/csv/back/P_二班.csv" '1,"小明","王",90,1,'
expect "$out/csv/back/P_二班.csv" '2,"Ann, ""Jr""","'"'"'=1+1",72.5,2,'

echo "Files: $samples"
echo "Office software's reading: $out/*.pdf, $out/*.csv; pages as pictures: $out/*.png"
if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "Both exports open in LibreOffice with the content written."
