#include "output/zip_package.h"

#include <cstring>
#include <zip.h>

#include "model/misc.h"
#include "platform/code_pages.h"
#include "platform/translation.h"

namespace {

std::u16string zip_error_text(int code)
{
    switch (code) {
    case ZIP_ER_NOZIP:
    case ZIP_ER_INCONS:
    case ZIP_ER_EOF:
    case ZIP_ER_SEEK:
        return pl__tr(VL_TR("vellumo", "архив повреждён или обрезан"));
    case ZIP_ER_CRC:
        return pl__tr(VL_TR("vellumo", "контрольная сумма части не сходится: архив повреждён"));
    case ZIP_ER_COMPNOTSUPP:
        return pl__tr(VL_TR("vellumo", "часть сжата неизвестным способом"));
    case ZIP_ER_ENCRNOTSUPP:
    case ZIP_ER_NOPASSWD:
    case ZIP_ER_WRONGPASSWD:
        return pl__tr(VL_TR("vellumo", "архив зашифрован"));
    case ZIP_ER_MULTIDISK:
        return pl__tr(VL_TR("vellumo", "архив из нескольких томов"));
    case ZIP_ER_MEMORY:
        return pl__tr(VL_TR("vellumo", "не хватает памяти"));
    case ZIP_ER_OPEN:
    case ZIP_ER_READ:
        return pl__tr(VL_TR("vellumo", "файл не читается"));
    default:
        return pl__tr(VL_TR("vellumo", "архив повреждён"));
    }
}

} // namespace

bool zip__looks_like_zip(const char *head, std::size_t size)
{
    return size >= 4 && head[0] == 'P' && head[1] == 'K' &&
           ((head[2] == 3 && head[3] == 4) || (head[2] == 5 && head[3] == 6));
}

zip_part::~zip_part()
{
    zip_fclose(f_);
}

long zip_part::read(char *buf, std::size_t size, zip_problem &problem)
{
    const zip_int64_t n = zip_fread(f_, buf, size);
    if (n < 0) {
        problem.text = zip_error_text(zip_error_code_zip(zip_file_get_error(f_)));
        return -1;
    }
    inflated_ += static_cast<std::uint64_t>(n);
    // More than the headers said: they lie, and only a bomb has a reason to.
    if (inflated_ > declared_) {
        problem.text = msc__format(VL_TR("vellumo", "часть «%1» больше, чем сказано в заголовке архива: архив повреждён"),
                                   plt__from_utf8(name_).c_str());
        return -1;
    }
    // Counted as it comes out: a part whose headers understate its size is
    // stopped here all the same.
    if (inflated_ > limit_) {
        problem.text = msc__format(VL_TR("vellumo", "часть «%1» после распаковки больше %2 МиБ: файл не читается"),
                                   plt__from_utf8(name_).c_str(), static_cast<unsigned long long>(limit_ >> 20));
        return -1;
    }
    if (inflated_ > ZIP_RATIO_SLACK && inflated_ / ZIP_MAX_RATIO > compressed_) {
        problem.text = msc__format(VL_TR("vellumo", "часть «%1» распаковывается более чем в %2 раз (zip-бомба): файл не читается"),
                                   plt__from_utf8(name_).c_str(), static_cast<unsigned long long>(ZIP_MAX_RATIO));
        return -1;
    }
    return static_cast<long>(n);
}

zip_package::~zip_package()
{
    if (z_)
        zip_discard(z_);
}

bool zip_package::open(const std::string &path, zip_problem &problem)
{
    int code = 0;
    z_ = zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    if (!z_) {
        problem.text = zip_error_text(code);
        return false;
    }
    if (zip_get_num_entries(z_, 0) > ZIP_MAX_ENTRIES) {
        problem.text = msc__format(VL_TR("vellumo", "в архиве больше %1 частей"), ZIP_MAX_ENTRIES);
        return false;
    }
    return true;
}

bool zip_package::has(const std::string &name) const
{
    return z_ && zip_name_locate(z_, name.c_str(), 0) >= 0;
}

std::unique_ptr<zip_part> zip_package::part(const std::string &name, zip_problem &problem,
                                            std::uint64_t limit) const
{
    const zip_int64_t index = z_ ? zip_name_locate(z_, name.c_str(), 0) : -1;
    if (index < 0) {
        problem.text = msc__format(VL_TR("vellumo", "в архиве нет части «%1»"), plt__from_utf8(name).c_str());
        return nullptr;
    }
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(z_, static_cast<zip_uint64_t>(index), 0, &st) != 0) {
        problem.text = zip_error_text(zip_error_code_zip(zip_get_error(z_)));
        return nullptr;
    }
    if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE) {
        problem.text = zip_error_text(ZIP_ER_ENCRNOTSUPP);
        return nullptr;
    }
    if ((st.valid & ZIP_STAT_COMP_METHOD) && !zip_compression_method_supported(st.comp_method, 0)) {
        problem.text = zip_error_text(ZIP_ER_COMPNOTSUPP);
        return nullptr;
    }
    limit = std::min(limit, ZIP_MAX_PART);
    const std::uint64_t declared = (st.valid & ZIP_STAT_SIZE) ? st.size : limit;
    const std::uint64_t compressed = (st.valid & ZIP_STAT_COMP_SIZE) ? st.comp_size : 0;
    // What the headers admit is refused before a byte is inflated; what
    // they hide, as it is read.
    if (declared > limit) {
        problem.text = msc__format(VL_TR("vellumo", "часть «%1» после распаковки больше %2 МиБ: файл не читается"),
                                   plt__from_utf8(name).c_str(), static_cast<unsigned long long>(limit >> 20));
        return nullptr;
    }
    if (declared > ZIP_RATIO_SLACK && declared / ZIP_MAX_RATIO > compressed) {
        problem.text = msc__format(VL_TR("vellumo", "часть «%1» распаковывается более чем в %2 раз (zip-бомба): файл не читается"),
                                   plt__from_utf8(name).c_str(), static_cast<unsigned long long>(ZIP_MAX_RATIO));
        return nullptr;
    }
    zip_file_t *f = zip_fopen_index(z_, static_cast<zip_uint64_t>(index), 0);
    if (!f) {
        problem.text = zip_error_text(zip_error_code_zip(zip_get_error(z_)));
        return nullptr;
    }
    return std::unique_ptr<zip_part>(new zip_part(f, name, declared, compressed, limit));
}

bool zip_package::read_all(const std::string &name, std::string &out, zip_problem &problem,
                           std::uint64_t limit) const
{
    out.clear();
    std::unique_ptr<zip_part> p = part(name, problem, limit);
    if (!p)
        return false;
    char buf[1 << 14];
    for (;;) {
        const long n = p->read(buf, sizeof buf, problem);
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        out.append(buf, static_cast<std::size_t>(n));
    }
}
