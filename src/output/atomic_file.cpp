#include "output/atomic_file.h"

#include <QFileInfo>
#include <sys/stat.h>
#include <unistd.h>

#include "model/misc.h"
#include "output/output_messages.h"
#include "platform/code_pages.h"
#include "platform/qt_text.h"

std::u16string out__save_failure(const QSaveFile &file)
{
    switch (file.error()) {
    case QFileDevice::OpenError:
        return pl__tr(out_msg::cannot_create);
    case QFileDevice::PermissionsError:
        return pl__tr(out_msg::no_permission);
    case QFileDevice::RenameError:
        return pl__tr(out_msg::rename_failed);
    default:
        return pl__tr(out_msg::write_failed);
    }
}

std::u16string out__not_written(const std::u16string &path, const std::u16string &why)
{
    return msc__format(out_msg::not_written, path.c_str(), why.c_str());
}

atomic_file::atomic_file(const std::u16string &p) : file(qs(p)), path(p) {}

bool atomic_file::open(std::u16string &error)
{
    // QSaveFile would write its temporary file and then fail to rename
    // it onto the folder, which reads as a full disk.
    if (QFileInfo(qs(path)).isDir()) {
        error = out__not_written(path, pl__tr(out_msg::is_folder));
        return false;
    }
    // Through a link QSaveFile would replace whatever the link points
    // at, and in place of a device node it would put a regular file: a
    // script writing into a shared folder could be made to overwrite
    // any file.  Only a regular file (or nothing) is replaced.
    struct stat st {};
    if (::lstat(plt__to_ansi(path).c_str(), &st) == 0) {
        if (S_ISLNK(st.st_mode)) {
            error = out__not_written(path, pl__tr(out_msg::is_link));
            return false;
        }
        if (!S_ISREG(st.st_mode)) {
            error = out__not_written(path, pl__tr(out_msg::not_regular));
            return false;
        }
    }
    if (file.open(QIODevice::WriteOnly))
        return true;
    error = out__not_written(path, out__save_failure(file));
    return false;
}

bool atomic_file::commit(std::u16string &error)
{
    // QSaveFile's own commit ignores a failure of its last flush (a
    // full disk): it would rename a cut file over the old one and say
    // so was fine.  The bytes are flushed and synced here first.
    const bool written = file.error() == QFileDevice::NoError && file.flush() &&
                         (file.handle() < 0 || ::fsync(file.handle()) == 0);
    if (written && file.commit())
        return true;
    error = out__not_written(path, out__save_failure(file));
    file.cancelWriting();
    return false;
}
