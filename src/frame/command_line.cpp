#include "frame/command_line.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/translation.h"
#include "platform/version.h"

namespace {

void usage(std::FILE *to)
{
    std::fputs(pl__tr8(VL_TR("vellumo", "Использование: vellumo [ПАРАМЕТРЫ] [ФАЙЛ.lbl]...\n"
               "\n"
               "Редактор этикеток Vellumo. Каждый названный файл открывается в своём окне;\n"
               "без файлов открывается окно с новой этикеткой.\n"
               "\n"
               "  -h, --help   эта справка\n"
               "  --version    версия программы\n"
               "  --           дальше только имена файлов\n"
               "\n"
               "Принимаются и параметры Qt, например -platform ИМЯ. Редактору нужен дисплей\n"
               "(переменная DISPLAY или WAYLAND_DISPLAY); справка и версия печатаются и без\n"
               "него.\n")).c_str(),
               to);
}

bool set(const char *name)
{
    const char *v = std::getenv(name);
    return v && *v;
}

} // namespace

int app__command_line(int argc, char **argv)
{
    bool platform_named = set("QT_QPA_PLATFORM");
    for (int i = 1; i < argc; ++i) {
        const char *a = argv[i];
        if (std::strcmp(a, "--") == 0)
            break;
        if (std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0) {
            usage(stdout);
            return 0;
        }
        if (std::strcmp(a, "--version") == 0) {
            std::printf("vellumo %s\n", VELLUMO_VERSION);
            return 0;
        }
        if (std::strcmp(a, "-platform") == 0 || std::strcmp(a, "--platform") == 0 ||
            std::strncmp(a, "-platform=", 10) == 0 || std::strncmp(a, "--platform=", 11) == 0)
            platform_named = true;
    }
    // Qt would pick the X11 or Wayland plugin and abort when it finds no
    // display to connect to.
    if (!platform_named && !set("DISPLAY") && !set("WAYLAND_DISPLAY")) {
        std::fputs(pl__tr8(VL_TR("vellumo", "vellumo: нет дисплея: не заданы ни DISPLAY, ни WAYLAND_DISPLAY. Редактор работает только\n"
                   "в графическом сеансе; этикетки из командной строки выводит vellumo-render.\n")).c_str(),
                   stderr);
        return 1;
    }
    return -1;
}
