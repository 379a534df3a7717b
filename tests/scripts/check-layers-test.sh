#!/usr/bin/env bash
# Plants forbidden includes in a scratch tree and expects check-layers to
# name each one, and to pass the same tree once they are gone.
set -u
check=$1
tree=$(mktemp -d); trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree/support/widgets" "$tree/model" "$tree/ui/editor" "$tree/ui/shell" "$tree/ui/inspector" \
  "$tree/ui/paint" "$tree/app" "$tree/platform"
fail() { echo "FAIL: $*"; exit 1; }

echo '#include "platform/Log.h"'            > "$tree/support/Good.cpp"
echo '#include <QString>'                   >> "$tree/support/Good.cpp"
echo '#include "support/Kolor.h"'           > "$tree/model/Good.cpp"
echo '#include <QWidget>'                   > "$tree/ui/editor/Good.cpp"
echo '#include "model/DRDrawing.h"'         >> "$tree/ui/editor/Good.cpp"
echo '#include <libheif/heif.h>'            > "$tree/platform/Heif.cpp"
echo '#include "ui/editor/ControlSupport.h"' > "$tree/ui/shell/Good.cpp"
echo '#include "ui/editor/DRToolbarView.h"' > "$tree/ui/editor/Good2.cpp"
echo '#include "ui/editor/DRToolbarView.h"' > "$tree/ui/inspector/Good.cpp"
echo '#include "ui/shell/DRWindowController.h"' >> "$tree/ui/inspector/Good.cpp"
echo '#include "ui/editor/DRToolbarView.h"' > "$tree/ui/paint/Good.cpp"
echo '#include "ui/editor/DRToolbarView.h"' > "$tree/app/Good.cpp"
echo '#include "ui/shell/DRAppController.h"'  >> "$tree/app/Good.cpp"
bash "$check" "$tree" >/dev/null || fail "a clean tree was refused"

echo '#include "model/DRDrawing.h"'         > "$tree/support/Bad1.cpp"
echo '#include "support/widgets/CSAlert.h"' > "$tree/support/Bad2.cpp"
echo '#include <QWidget>'                   > "$tree/model/Bad3.cpp"
echo '#include <QtWidgets/QLabel>'          > "$tree/model/Bad4.cpp"
echo '#include <libheif/heif.h>'            > "$tree/support/Bad5.cpp"
echo '#include "ui/shell/DRAppController.h"' > "$tree/ui/editor/Bad6.cpp"
echo '#include "ui/inspector/DRPropFillVC.h"' > "$tree/ui/editor/Bad7.cpp"
echo '#include "ui/paint/DRPaintVC.h"'       > "$tree/ui/editor/Bad8.h"
echo '#include "app/AppSetup.h"'             > "$tree/ui/editor/Bad9.cpp"
out=$(bash "$check" "$tree") && fail "planted includes were accepted"
for f in Bad1.cpp Bad2.cpp Bad3.cpp Bad4.cpp Bad5.cpp Bad6.cpp Bad7.cpp Bad8.h Bad9.cpp; do
  grep -q "$f" <<<"$out" || fail "$f was not reported: $out"
done
grep -q "Good" <<<"$out" && fail "a good file was reported: $out"
echo "check-layers self-test passed"
