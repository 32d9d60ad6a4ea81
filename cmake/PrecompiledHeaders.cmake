# Precompiled headers: the Qt and standard headers nearly every source of a layer includes are
# parsed once per library instead of once per source file. Each layer precompiles only what it
# links (the seam and the features have no widgets); test and benchmark programs reuse the
# precompiled header of the library their flags match, so one is built per layer, not per program.
# A header missing from a source still fails to build where no PCH is used (KAIDRO_PCH=OFF, and
# the fuzz tree, which compiles many of the same sources with clang).
option(KAIDRO_PCH "Precompile the Qt and standard headers the sources share" ON)

set(KAIDRO_PCH_CORE
  <algorithm> <functional> <memory> <optional> <utility>
  <QByteArray> <QCoreApplication> <QDateTime> <QDir> <QFile> <QFileInfo> <QHash> <QList>
  <QObject> <QPointer> <QRectF> <QSet> <QString> <QStringList> <QTimer> <QVariant>)
set(KAIDRO_PCH_GUI ${KAIDRO_PCH_CORE} <QColor> <QGuiApplication> <QImage> <QPainter> <QPainterPath>)
set(KAIDRO_PCH_WIDGETS ${KAIDRO_PCH_GUI} <QApplication> <QWidget>)
set(KAIDRO_PCH_TESTS ${KAIDRO_PCH_WIDGETS} <gtest/gtest.h> <QSignalSpy> <QTemporaryDir> <QTest>)

# kaidro_precompile(TARGET HEADERS...): TARGET gets its own precompiled header of HEADERS.
function(kaidro_precompile target)
  if(KAIDRO_PCH)
    target_precompile_headers(${target} PRIVATE ${ARGN})
  endif()
endfunction()

# kaidro_reuse_precompiled(TARGET FROM): TARGET compiles with FROM's precompiled header. FROM's
# compile options and the macros its headers read must be TARGET's too, or the compiler ignores
# the header (and -Winvalid-pch says so).
function(kaidro_reuse_precompiled target from)
  if(KAIDRO_PCH)
    target_precompile_headers(${target} REUSE_FROM ${from})
  endif()
endfunction()
