#include "output/pdf_embed.h"

#include <algorithm>
#include <charconv>
#include <map>

namespace {

bool is_space(char c)
{
    return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\0';
}
bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}

// Stand-ins looked for at most.
constexpr std::size_t max_found = 100000;

} // namespace

QSizeF out__pdf_form_size(const pdf_form &form)
{
    const std::array<double, 4> b = out__pdf_form_box(form);
    return QSizeF(b[2] - b[0], b[3] - b[1]);
}

pdf_tap::pdf_tap(QIODevice &target) : target_(target)
{
    open(QIODevice::WriteOnly);
}

void pdf_tap::watch(QSize size)
{
    if (std::find(watched_.begin(), watched_.end(), size) == watched_.end())
        watched_.push_back(size);
}

qint64 pdf_tap::writeData(const char *data, qint64 len)
{
    qint64 done = 0;
    while (done < len) {
        const qint64 n = target_.write(data + done, len - done);
        if (n <= 0) {
            setErrorString(target_.errorString());
            return done > 0 ? done : -1;
        }
        done += n;
    }
    total_ += len;
    tail_.append(data, static_cast<std::size_t>(len));
    if (tail_.size() > 8192)
        tail_.erase(0, tail_.size() - 4096);
    if (!watched_.empty() && !placed_) {
        pending_.append(data, static_cast<std::size_t>(len));
        scan(false);
    }
    return len;
}

// An object's dictionary is read once this many bytes follow its header.
constexpr std::size_t look_ahead = 2048;

void pdf_tap::scan(bool final)
{
    std::size_t from = checked_;
    for (;;) {
        const std::size_t at = pending_.find(" obj", from);
        if (at == std::string::npos) {
            // " ob" at the very end may become " obj".
            from = std::max(from, pending_.size() >= 3 ? pending_.size() - 3 : 0);
            break;
        }
        if (!final && pending_.size() - at < look_ahead) {
            from = at;
            break;
        }
        examine(at);
        from = at + 4;
    }
    // Room for the object's number before a header not yet read.
    const std::size_t drop = from > 48 ? from - 48 : 0;
    pending_.erase(0, drop);
    checked_ = from - drop;
}

void pdf_tap::examine(std::size_t at)
{
    // "N G obj": G, then N, each after white space.
    std::size_t p = at;
    while (p > 0 && is_digit(pending_[p - 1]))
        --p;
    if (p == at || p == 0 || !is_space(pending_[p - 1]))
        return;
    std::size_t q = p - 1;
    while (q > 0 && is_space(pending_[q - 1]))
        --q;
    const std::size_t end = q;
    while (q > 0 && is_digit(pending_[q - 1]))
        --q;
    if (q == end || end - q > 10 || (q > 0 && !is_space(pending_[q - 1])))
        return;
    long long number = 0;
    std::from_chars(pending_.data() + q, pending_.data() + end, number);
    const std::string_view window(pending_.data(), std::min(pending_.size(), at + 4 + look_ahead));
    long long w = 0, h = 0;
    if (!out__pdf_image_size(window, at + 4, w, h) || w < 1 || h < 1 || w > 1000000 || h > 1000000)
        return;
    const QSize size(static_cast<int>(w), static_cast<int>(h));
    if (std::find(watched_.begin(), watched_.end(), size) != watched_.end() && found_.size() < max_found)
        found_.push_back({static_cast<long>(number), size});
}

bool pdf_tap::place(const std::vector<placement> &placements, std::string &error)
{
    if (placed_) {
        error = "placed twice";
        return false;
    }
    scan(true);
    placed_ = true;
    pending_.clear();
    if (placements.empty())
        return true;

    // The writer's trailer: the update builds on it.
    pdf_trailer trailer;
    if (!out__pdf_last_trailer(tail_, trailer)) {
        error = "the writer's trailer was not seen";
        return false;
    }
    long next = trailer.size;
    std::map<long, qint64> offsets;
    std::string out;
    auto flush = [&]() {
        const bool ok = write(out.data(), static_cast<qint64>(out.size())) == static_cast<qint64>(out.size());
        out.clear();
        if (!ok)
            error = "the bytes were not taken";
        return ok;
    };
    std::map<const pdf_form *, long> bases;
    for (const placement &pl : placements) {
        const pdf_form &f = *pl.form;
        if (!bases.count(&f)) {
            bases[&f] = next;
            next += static_cast<long>(out__pdf_form_objects(f));
        }
        const long base = bases[&f];
        bool any = false;
        for (const found_image &img : found_) {
            if (img.size != pl.size)
                continue;
            any = true;
            offsets[img.object] = total_;
            out = std::to_string(img.object) + " 0 obj\n" + out__pdf_form_body(f, base) + "\nendobj\n";
            if (!flush())
                return false;
        }
        if (!any) {
            error = "a picture's stand-in was not found in the writer's output";
            return false;
        }
    }
    for (const auto &[form, base] : bases) {
        for (std::size_t i = 0; i < out__pdf_form_objects(*form); ++i) {
            const long number = base + static_cast<long>(i);
            offsets[number] = total_;
            out = std::to_string(number) + " 0 obj\n" + out__pdf_form_object_body(*form, i, base) + "\nendobj\n";
            if (!flush())
                return false;
        }
    }

    // The update's cross-references: runs of consecutive numbers.
    const qint64 xref = total_;
    out += "xref\n";
    for (auto it = offsets.begin(); it != offsets.end();) {
        auto run_end = it;
        long count = 0;
        while (run_end != offsets.end() && run_end->first == it->first + count) {
            ++run_end;
            ++count;
        }
        out += std::to_string(it->first) + " " + std::to_string(count) + "\n";
        for (; it != run_end; ++it) {
            char entry[32];
            std::snprintf(entry, sizeof entry, "%010lld 00000 n \n", static_cast<long long>(it->second));
            out += entry;
        }
    }
    out += "trailer\n<</Size " + std::to_string(next) + "\n/Root " + std::to_string(trailer.root) + " 0 R\n";
    if (trailer.info >= 0)
        out += "/Info " + std::to_string(trailer.info) + " 0 R\n";
    if (!trailer.id.empty())
        out += "/ID " + trailer.id + "\n";
    out += "/Prev " + std::to_string(trailer.startxref) + ">>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    return flush();
}
