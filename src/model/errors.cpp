#include "model/errors.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <utility>

#include "model/messages.h"
#include "model/misc.h"
#include "platform/message_boxes.h"
#include "platform/termination.h"

namespace {

const char *module_name(const char *path)
{
    if (!path)
        return "";
    const char *slash = std::strrchr(path, '/');
    return slash ? slash + 1 : path;
}

// "Mon Dec 07 11:20:02 2026\n": fixed English names and a two-digit day,
// whatever the locale.
void ctime_text(char out[32])
{
    static const char *const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char *const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    std::snprintf(out, 32, "%s %s %02d %02d:%02d:%02d %04d\n", days[tm.tm_wday % 7],
                  months[tm.tm_mon % 12], tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
                  tm.tm_year + 1900);
}

void log_entry(char kind, const char *expr, const char *module, int line)
{
    std::FILE *f = std::fopen("Vellumo.log", "a");
    if (!f)
        return;
    char when[32];
    ctime_text(when);
    std::fprintf(f, "%c %s %s(%d): %s == 0\n", kind, when, module, line, expr ? expr : "");
    std::fclose(f);
}

std::u16string assertion_message(const char *expr, const char *module, int line, int os_error)
{
    return msc__format(msg::assertion_text, expr ? expr : "", module, line, os_error, VELLUMO_VERSION)
        .substr(0, 4095);
}

message_box_request assertion_box(const char16_t *caption, const char *expr, const char *module,
                                  int line, int os_error, mb_buttons buttons)
{
    message_box_request req;
    req.caption = caption;
    req.text = assertion_message(expr, module, line, os_error);
    req.icon = mb_icon::error;
    req.buttons = buttons;
    req.owner = mb_owner::system;
    return req;
}

bool g_in_fatal = false;

// The platform's own checks end through the same path.
[[maybe_unused]] const bool g_fatal_installed = (platform_set_fatal_handler(&err__fatal), true);

} // namespace

void err__fatal(const char *expr, const char *module, int line)
{
    int os_error = errno;
    const char *mod = module_name(module);
    log_entry('C', expr, mod, line);
    if (!g_in_fatal) {
        // A failure while the box itself is shown must not recurse.
        g_in_fatal = true;
        seam<message_box_service>::get().show(
            assertion_box(msg::caption_fatal, expr, mod, line, os_error, mb_buttons::ok));
    }
    platform_terminate(3);
}

int err__error(const char *expr, const char *module, int line)
{
    int os_error = errno;
    const char *mod = module_name(module);
    log_entry('E', expr, mod, line);
    if (seam<message_box_service>::get().show(assertion_box(msg::caption_error, expr, mod, line, os_error,
                                                    mb_buttons::yes_no)) == mb_answer::yes)
        platform_terminate(3);
    return 0;
}

void err__warning_box(std::u16string text)
{
    if (text.size() > 1023)
        text.resize(1023);
    message_box_request req;
    req.text = std::move(text);
    req.caption = msg::caption_app;
    req.icon = mb_icon::warning;
    req.buttons = mb_buttons::ok;
    req.owner = mb_owner::application;
    req.topmost = true;
    seam<message_box_service>::get().show(req);
}
