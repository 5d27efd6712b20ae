// Choosing a file in a non-native QFileDialog the way a user types a path
// and presses its button, without racing the dialog's folder model: that
// model fills itself from a thread, and a selection made through it (or
// through selectFile, which leaves the name field alone while it has the
// focus) depends on how far the filling got.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QFileDialog>
#include <QItemSelectionModel>
#include <QLineEdit>

// Types `path` (absolute, or relative to the dialog's folder) into the name
// field and presses the dialog's own button, with all its checks.  Returns
// false, with a test failure, when the dialog would not have taken exactly
// `expected`; the dialog is then left open for the caller to close.
inline bool type_path_and_accept(QFileDialog *files, const QString &path, const QString &expected)
{
    auto *name = files->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
    auto *view = files->findChild<QAbstractItemView *>(QStringLiteral("listView"));
    if (!name || !view) {
        ADD_FAILURE() << "the file dialog has no name field or file view";
        return false;
    }
    // Nothing picked in the view: the typed name alone is the choice.
    view->selectionModel()->clearSelection();
    name->setText(path);
    view->selectionModel()->clearSelection();
    const QStringList chosen = files->selectedFiles();
    if (chosen != QStringList{expected}) {
        ADD_FAILURE() << "the file dialog would take " << chosen.join(QLatin1Char('|')).toStdString()
                      << " instead of " << expected.toStdString();
        return false;
    }
    static_cast<QDialog *>(files)->accept();
    return true;
}
