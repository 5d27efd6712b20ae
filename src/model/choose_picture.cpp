#include <sys/stat.h>

#include "model/errors.h"
#include "model/lg_epsi.h"
#include "model/messages.h"
#include "model/picture_file.h"
#include "model/settings.h"
#include "platform/code_pages.h"
#include "platform/file_choice.h"

lg_epsi_ptr ele__choose_picture(const picture_refusal &refusal)
{
    file_choice_request req;
    req.title = msg::choose_picture_title;
    req.filters = {{msg::filter_pictures, msg::filter_pictures_patterns},
                   {msg::filter_eps, msg::filter_eps_patterns},
                   {msg::filter_png, msg::filter_png_patterns},
                   {msg::filter_jpeg, msg::filter_jpeg_patterns},
                   {msg::filter_svg, msg::filter_svg_patterns},
                   {msg::filter_all, msg::filter_all_patterns}};
    req.selected_filter = 0;
    req.must_exist = true;
    req.folder = settings::get(settings::picture_folder).value_or(u"");
    file_choice_result r = seam<file_choice_service>::get().choose(req);
    switch (r.st) {
    case file_choice_result::status::chosen: {
        settings::set(settings::picture_folder, settings::folder_of(r.path));
        struct stat st {};
        if (refusal && ::stat(plt__to_ansi(r.path).c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
            if (std::optional<std::u16string> why = refusal(r.path, static_cast<std::uint64_t>(st.st_size))) {
                err__warning(u"%1", why->c_str());
                return nullptr;
            }
        }
        std::u16string why;
        picture_format format = picture_format::eps;
        lg_epsi_ptr e = pic__load_file(r.path, why, &format);
        if (e) {
            if (std::optional<std::u16string> bad = pic__verify(*e)) {
                why = *bad;
                e.reset();
            }
        }
        // A file that could not be read, or holds no EPS either, says so
        // as it always did; a PNG, JPEG or SVG refused says why.
        if (!e && format == picture_format::eps)
            err__warning(msg::picture_load_failed, r.path.c_str());
        else if (!e)
            err__warning(msg::picture_refused, r.path.c_str(), why.c_str());
        return e;
    }
    case file_choice_result::status::failed:
        err__warning(msg::dialog_failed, r.error_code);
        return nullptr;
    case file_choice_result::status::cancelled:
        break;
    }
    return nullptr;
}
