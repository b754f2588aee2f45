#!/bin/sh
# Seconds per converted file for 10 small .docx files: kept LibreOffice
# instance against one soffice process per file; then 10 small .xlsx files
# through Excel (active sheet only, a process per file). Run by hand after a build:
#   bench/office_conversion.sh [preset] [files] [rounds]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
preset=${1:-dev}
files=${2:-10}
rounds=${3:-3}
build="$root/build/$preset"
bench="$build/office_conversion_bench"
c++ -std=c++20 -O2 -I"$root/platform/include" "$root/bench/office_conversion.cpp" \
    "$build/platform/libpapyrion_platform.a" -o "$bench"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
data="$root/platform/tests/data/office"
"$bench" "$data/letter.docx" "$work/run" "$files" "$rounds" "$data/figures.xlsx"
