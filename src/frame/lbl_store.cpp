#include "frame/lbl_store.h"

#include "exchange/inout.h"
#include "platform/file_choice.h"

namespace {

file_choice_request lbl_request(bool save)
{
    file_choice_request req;
    req.title = save ? u"Сохранить как" : u"Открыть";
    req.filters = {{u"Этикетки", u"*.lbl;*.LBL"}, {u"Все файлы", u"*.*"}};
    req.selected_filter = 0;
    req.must_exist = !save;
    req.save = save;
    req.default_suffix = u"lbl";
    return req;
}

// The file name part of a path, extension included.
std::u16string file_name_of(const std::u16string &path)
{
    std::size_t slash = path.find_last_of(u'/');
    return slash == std::u16string::npos ? path : path.substr(slash + 1);
}

} // namespace

bool lbl_file_store::save(label *lab, bool save_as, bool)
{
    if (lab->store.place && !save_as && lab->store.local)
        return ino__save_file(*lab->store.place, lab) == 1;
    file_choice_result r = platform_file_choice().choose(lbl_request(true));
    if (r.st != file_choice_result::status::chosen || r.path.empty())
        return false;
    // The dialog has added the default extension already, before it asked
    // about replacing an existing file.
    const std::u16string &path = r.path;
    lab->name = file_name_of(path);
    lab->store.place = path;
    lab->store.local = 1;
    return ino__save_file(path, lab) == 1;
}

label_ptr lbl_file_store::open()
{
    file_choice_result r = platform_file_choice().choose(lbl_request(false));
    if (r.st != file_choice_result::status::chosen || r.path.empty())
        return nullptr;
    label_ptr lab = ino__load_file(r.path);
    if (lab) {
        lab->store.place = r.path;
        lab->store.local = 1;
    }
    return lab;
}
