#!/usr/bin/env bash
# Fails, naming the lines, when a file of the pure core includes a header of
# QtGui, QtWidgets, QtSql, QtNetwork or QtPrintSupport, by module path or by
# class name.
set -euo pipefail
dir=$1
modules='QtGui|QtWidgets|QtSql|QtNetwork|QtPrintSupport'
classes='QImage|QPixmap|QPainter|QColor|QFont|QWidget|QApplication|QGuiApplication|QMessageBox'
classes+='|QSql[A-Za-z]*|QNetwork[A-Za-z]*|QSsl[A-Za-z]*|QPrinter[A-Za-z]*|QFile|QSaveFile|QDir'
found=$(grep -nE "^[[:space:]]*#[[:space:]]*include[[:space:]]*<(($modules)/|($classes)>)" \
  "$dir"/*.h "$dir"/*.cpp || true)
if [ -n "$found" ]; then
  echo "the core must not include these:" >&2
  echo "$found" >&2
  exit 1
fi
echo "core includes: Qt Core and qrcodegen only"
