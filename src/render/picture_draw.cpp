#include "render/picture_draw.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <QPainter>
#include <QSvgRenderer>
#include <list>
#include <mutex>
#include <sys/stat.h>
#include <unordered_map>

#include "model/misc.h"
#include "model/picture_file.h"
#include "platform/code_pages.h"
#include "platform/qt_text.h"
#include "platform/translation.h"

namespace {

QByteArray bytes_of(const lg_epsi &pic)
{
    return QByteArray::fromRawData(reinterpret_cast<const char *>(pic.data.data()),
                                   static_cast<qsizetype>(pic.data.size()));
}

QImage decode(const lg_epsi &pic, std::string &error)
{
    QByteArray bytes = bytes_of(pic);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, pic.format == picture_format::png ? "png" : "jpeg");
    reader.setAutoTransform(false);
    // The size the file declares is looked at before a pixel is decoded.
    const QSize declared = reader.size();
    if (!declared.isValid() || declared.width() <= 0 || declared.height() <= 0) {
        error = plt__to_utf8(msc__format(VL_TR("vellumo", "изображение не читается: %1"),
                                         reader.errorString().toStdU16String().c_str()));
        return {};
    }
    if (static_cast<std::uint64_t>(declared.width()) > PIC_MAX_SIDE ||
        static_cast<std::uint64_t>(declared.height()) > PIC_MAX_SIDE ||
        static_cast<std::uint64_t>(declared.width()) * static_cast<std::uint64_t>(declared.height()) >
            PIC_MAX_PIXELS) {
        error = plt__to_utf8(msc__format(VL_TR("vellumo", "изображение объявляет %1 × %2 точек, больше допустимого"),
                                         declared.width(), declared.height()));
        return {};
    }
    QImage image;
    if (!reader.read(&image) || image.isNull()) {
        error = plt__to_utf8(msc__format(VL_TR("vellumo", "изображение не читается: %1"),
                                         reader.errorString().toStdU16String().c_str()));
        return {};
    }
    if (image.size() != declared) {
        error = pl__tr8(VL_TR("vellumo", "изображение испорчено (размер не тот, что объявлен)"));
        return {};
    }
    // Never one pixel wide: a PDF tells its stand-ins for EPS pictures by
    // such images (pdf_embed.h).
    if (image.width() == 1)
        image = image.scaled(2, image.height());
    return image;
}

// Decoded pictures by the picture they were decoded from, while it lives:
// the same image (one cache key) for every page of a document.
struct decoded {
    std::weak_ptr<const lg_epsi> owner;
    QImage image;
    std::string error;
};
constexpr qsizetype DECODED_BYTES = qsizetype{256} << 20;
std::mutex g_decoded_mutex;
std::unordered_map<const lg_epsi *, decoded> g_decoded;
qsizetype g_decoded_bytes = 0;

void forget_dead_locked()
{
    for (auto it = g_decoded.begin(); it != g_decoded.end();) {
        if (it->second.owner.expired()) {
            g_decoded_bytes -= it->second.image.sizeInBytes();
            it = g_decoded.erase(it);
        } else {
            ++it;
        }
    }
}

// Files of pictures from the data, read once each while they stay the same.
struct data_file {
    lg_epsi_shared pic;
    std::u16string why;
    long long mtime_ns = 0;
    long long size = -1;
};
constexpr std::size_t DATA_FILES = 64;
std::mutex g_files_mutex;
std::list<std::pair<std::u16string, data_file>> g_files; // most recent first

} // namespace

QImage rdr__picture_image(const lg_epsi_shared &pic, std::string &error)
{
    if (!pic || (pic->format != picture_format::png && pic->format != picture_format::jpeg)) {
        error = pl__tr8(VL_TR("vellumo", "это не растровое изображение"));
        return {};
    }
    {
        std::lock_guard<std::mutex> lock(g_decoded_mutex);
        auto it = g_decoded.find(pic.get());
        if (it != g_decoded.end()) {
            if (it->second.owner.lock() == pic) {
                error = it->second.error;
                return it->second.image;
            }
            g_decoded_bytes -= it->second.image.sizeInBytes();
            g_decoded.erase(it);
        }
    }
    std::string why;
    QImage image = decode(*pic, why);
    std::lock_guard<std::mutex> lock(g_decoded_mutex);
    auto it = g_decoded.find(pic.get());
    if (it != g_decoded.end() && it->second.owner.lock() == pic) {
        // Decoded meanwhile in another thread: that one is the image.
        error = it->second.error;
        return it->second.image;
    }
    forget_dead_locked();
    if (g_decoded_bytes + image.sizeInBytes() > DECODED_BYTES) {
        g_decoded_bytes = 0;
        g_decoded.clear();
    }
    if (image.sizeInBytes() <= DECODED_BYTES) {
        g_decoded[pic.get()] = {pic, image, why};
        g_decoded_bytes += image.sizeInBytes();
    }
    error = why;
    return image;
}

bool rdr__draw_svg(QPainter &p, const lg_epsi &pic, const QRectF &box, std::string &error)
{
    if (pic.format != picture_format::svg) {
        error = pl__tr8(VL_TR("vellumo", "это не SVG"));
        return false;
    }
    QSvgRenderer svg(bytes_of(pic));
    if (!svg.isValid()) {
        error = pl__tr8(VL_TR("vellumo", "SVG не читается"));
        return false;
    }
    svg.setAspectRatioMode(Qt::IgnoreAspectRatio);
    p.save();
    p.setClipRect(box, Qt::IntersectClip);
    svg.render(&p, box);
    p.restore();
    return true;
}

std::optional<std::u16string> rdr__verify_picture(const lg_epsi &pic)
{
    std::string error;
    if (pic.format == picture_format::png || pic.format == picture_format::jpeg) {
        if (decode(pic, error).isNull())
            return plt__from_utf8(error);
    } else if (pic.format == picture_format::svg) {
        if (!QSvgRenderer(bytes_of(pic)).isValid())
            return pl__tr(VL_TR("vellumo", "SVG не читается"));
    }
    return std::nullopt;
}

lg_epsi_shared rdr__data_picture(const std::u16string &folder, const std::u16string &name, std::u16string &why)
{
    if (name.empty()) {
        why = pl__tr(VL_TR("vellumo", "имя файла пусто"));
        return nullptr;
    }
    const std::u16string path = name[0] == u'/' ? name : folder + u"/" + name;
    struct stat st {};
    const std::string native = plt__to_ansi(path);
    const bool found = ::stat(native.c_str(), &st) == 0;
    const long long mtime = found ? static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec : 0;
    const long long size = found ? static_cast<long long>(st.st_size) : -1;
    {
        std::lock_guard<std::mutex> lock(g_files_mutex);
        for (auto it = g_files.begin(); it != g_files.end(); ++it) {
            if (it->first != path)
                continue;
            if (found && it->second.mtime_ns == mtime && it->second.size == size) {
                g_files.splice(g_files.begin(), g_files, it);
                why = it->second.why;
                return it->second.pic;
            }
            g_files.erase(it);
            break;
        }
    }
    data_file f;
    f.mtime_ns = mtime;
    f.size = size;
    lg_epsi_ptr loaded = pic__load_file(path, f.why);
    if (loaded) {
        lg_epsi_shared shared(std::move(loaded));
        std::string error;
        // A PNG or JPEG is checked by decoding it into the cache it is
        // drawn from.
        if (shared->format == picture_format::png || shared->format == picture_format::jpeg) {
            if (rdr__picture_image(shared, error).isNull())
                f.why = plt__from_utf8(error);
            else
                f.pic = shared;
        } else if (std::optional<std::u16string> bad = rdr__verify_picture(*shared)) {
            f.why = *bad;
        } else {
            f.pic = shared;
        }
    }
    why = f.why;
    lg_epsi_shared pic = f.pic;
    if (found) {
        std::lock_guard<std::mutex> lock(g_files_mutex);
        g_files.emplace_front(path, std::move(f));
        if (g_files.size() > DATA_FILES)
            g_files.pop_back();
    }
    return pic;
}
