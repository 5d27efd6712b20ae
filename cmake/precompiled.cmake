# Precompiled headers: the standard library, Qt and GoogleTest headers that
# nearly every unit includes are parsed once per kind of target instead of
# once per unit.  Targets of one kind are compiled with the same flags, so
# they share one header (REUSE_FROM) instead of each building its own.
if(VELLUMO_FUZZ)
  set(VELLUMO_PCH OFF)
endif()

set(VELLUMO_PCH_STD
  <algorithm> <cmath> <cstdint> <cstdio> <cstdlib> <cstring> <functional> <map> <memory>
  <optional> <string> <string_view> <vector>)
set(VELLUMO_PCH_QT_GUI ${VELLUMO_PCH_STD}
  <QByteArray> <QColor> <QFont> <QImage> <QPainter> <QString>)
set(VELLUMO_PCH_QT_WIDGETS ${VELLUMO_PCH_QT_GUI}
  <QApplication> <QCheckBox> <QComboBox> <QDialog> <QLabel> <QLineEdit> <QPushButton>
  <QTreeWidget> <QWidget>)

# The target's own precompiled header of these headers.
function(vellumo_pch target)
  if(VELLUMO_PCH)
    target_precompile_headers(${target} PRIVATE ${ARGN})
  endif()
endfunction()

# The precompiled header of `from` for `target` as well (same flags).
function(vellumo_reuse_pch target from)
  if(VELLUMO_PCH)
    target_precompile_headers(${target} REUSE_FROM ${from})
  endif()
endfunction()

# A header that cannot be used (flags differ) is said, not silently skipped.
if(VELLUMO_PCH)
  add_compile_options(-Winvalid-pch)
endif()
