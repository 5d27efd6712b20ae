// Window helpers that need widgets.
#pragma once

#include <QRect>

#include "model/list.h"

class QWidget;

// Converts both corners of `r` from screen to `w`'s client coordinates.
void msc__screen_to_client_rect(const QWidget *w, QRect &r);

// Every visible widget below `root` that is neither `excluded` nor one of
// its descendants, as a list whose data are QWidget pointers (not owned:
// free the list with a null destructor).  The open and save dialog uses it to
// hide the controls of the inactive tab.
list *msc__collect_visible_outside(QWidget *root, const QWidget *excluded);
