#!/bin/sh
# Remakes the office fixtures of this folder from words.fodt and sheets.fods
# with LibreOffice (private profile, headless). The password of
# secret.odt is "geheim".
set -eu
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
lo() { soffice "-env:UserInstallation=file://$work/profile" --headless --norestore "$@" >/dev/null 2>&1; }

lo --terminate_after_init
for format in doc docx rtf odt; do
  lo --convert-to "$format" --outdir "$work" words.fodt
  cp "$work/words.$format" "letter.$format"
done
for format in xls xlsx ods; do
  lo --convert-to "$format" --outdir "$work" sheets.fods
  cp "$work/sheets.$format" "figures.$format"
done

# figures.xlsx shows its second sheet when opened (figures.xls and .ods their
# first): only that one belongs in the PDF of the spreadsheet program.
python3 - <<'PY'
import zipfile
with zipfile.ZipFile("figures.xlsx") as source:
    entries = [(info, source.read(info.filename)) for info in source.infolist()]
with zipfile.ZipFile("figures.xlsx", "w", zipfile.ZIP_DEFLATED) as target:
    for info, data in entries:
        if info.filename == "xl/workbook.xml":
            data = data.replace(b'activeTab="0"', b'activeTab="1"')
        elif info.filename == "xl/worksheets/sheet1.xml":
            data = data.replace(b'tabSelected="true"', b'tabSelected="false"')
        elif info.filename == "xl/worksheets/sheet2.xml":
            data = data.replace(b'tabSelected="false"', b'tabSelected="true"')
        target.writestr(info, data)
PY

# A document with an opening password, stored through a Basic macro in the
# private profile.
cat > "$work/profile/user/basic/Standard/Module1.xba" <<'XBA'
<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE script:module PUBLIC "-//OpenOffice.org//DTD OfficeDocument 1.0//EN" "module.dtd">
<script:module xmlns:script="http://openoffice.org/2000/script" script:name="Module1" script:language="StarBasic">
Sub StoreWithPassword(source As String, target As String)
  Dim load(0) As New com.sun.star.beans.PropertyValue
  load(0).Name = &quot;Hidden&quot; : load(0).Value = True
  document = StarDesktop.loadComponentFromURL(source, &quot;_blank&quot;, 0, load())
  Dim store(1) As New com.sun.star.beans.PropertyValue
  store(0).Name = &quot;FilterName&quot; : store(0).Value = &quot;writer8&quot;
  store(1).Name = &quot;Password&quot; : store(1).Value = &quot;geheim&quot;
  document.storeToURL(target, store())
  document.close(True)
End Sub
</script:module>
XBA
lo "macro:///Standard.Module1.StoreWithPassword(\"file://$PWD/words.fodt\",\"file://$work/secret.odt\")"
cp "$work/secret.odt" secret.odt

# A .docx cut off in the middle, as a broken download leaves it.
head -c 2000 letter.docx > damaged.docx
