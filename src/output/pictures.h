// EPS pictures of a document, drawn once: a batch asks for the same
// picture on every page.
#pragma once

#include <QImage>
#include <map>
#include <string>
#include <tuple>

#include "render/render.h"

// Whether the label has an EPS picture to draw (Ghostscript's).
bool out__has_pictures(const label *lab);

// Pictures as images, each drawn once for a document and a size: a batch
// asks for the same picture on every page, and one that failed would fail
// the same way again.  Only running out of time or being stopped is not
// remembered.
class remembered_pictures final : public picture_source {
public:
    picture_answer picture(const element *e, int px_w, int px_h, double budget_seconds) override;

private:
    struct known {
        QImage image;
        std::string error;
    };
    std::map<std::tuple<const lg_epsi *, int, int>, known> known_;
};
