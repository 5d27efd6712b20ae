#include "output/pictures.h"

bool out__has_pictures(const label *lab)
{
    for (int i = 0; i < lab->qty; ++i) {
        const element *e = lab->es[i];
        if (!e->disabled && e->type == ELE_PICTURE && e->picture.data && !e->picture.data->data.empty() &&
            e->picture.data->format == picture_format::eps)
            return true;
    }
    return false;
}

picture_answer remembered_pictures::picture(const element *e, int px_w, int px_h, double budget_seconds)
{
    const lg_epsi *pic = e->picture.data.get();
    const auto key = std::make_tuple(pic, px_w, px_h);
    if (const auto it = known_.find(key); it != known_.end()) {
        picture_answer a;
        a.image = it->second.image;
        a.error = it->second.error;
        return a;
    }
    const picture_answer a = rdr__ghostscript_picture(e, px_w, px_h, budget_seconds);
    if (!a.out_of_budget && !a.stopped)
        known_[key] = {a.image, a.error};
    return a;
}
