// Window helpers that need widgets.
#pragma once

#include <QRect>
#include <vector>

class QWidget;

// Converts both corners of `r` from screen to `w`'s client coordinates.
void plt__screen_to_client_rect(const QWidget *w, QRect &r);

// Every visible widget below `root` that is neither `excluded` nor one of
// its descendants, in the order of a walk down the tree (not owned).
std::vector<QWidget *> plt__collect_visible_outside(QWidget *root, const QWidget *excluded);
