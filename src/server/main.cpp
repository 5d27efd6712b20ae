// vellumo-server: keeps labels and renders them to JPEG for the editor.
#include <QGuiApplication>
#include <clocale>
#include <csignal>
#include <pthread.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <langinfo.h>
#include <string>
#include <termios.h>
#include <unistd.h>

#include "model/misc.h"
#include "platform/code_pages.h"
#include "platform/qt_translation.h"
#include "platform/translation.h"
#include "server/log.h"
#include "server/owner_only.h"
#include "server/service.h"
#include "server/store_copy.h"
#include "server/users.h"

namespace {

void usage(std::FILE *to)
{
    const std::u16string text = msc__format(VL_TR("vellumo",
        "Использование: vellumo-server [--listen АДРЕС:ПОРТ] [--store ПАПКА|БАЗА] [--users ФАЙЛ] [ПРЕДЕЛЫ]\n"
        "       vellumo-server --store БАЗА --import ПАПКА | --export ПАПКА\n"
        "       vellumo-server --hash-password ИМЯ   (пароль со стандартного ввода)\n"
        "\n"
        "  --listen   где принимать вызовы XML-RPC (по умолчанию %1)\n"
        "  --store    папка этикеток (по умолчанию %2) или база PostgreSQL:\n"
        "             postgresql://ПОЛЬЗОВАТЕЛЬ@ХОСТ/БАЗА или «host=… dbname=…»; пароль —\n"
        "             только из PGPASSWORD или ~/.pgpass\n"
        "  --import   скопировать этикетки из папки в базу (--store), не заменяя имеющихся\n"
        "  --export   скопировать этикетки из базы (--store) в папку, не заменяя имеющихся\n"
        "  --users    файл пользователей: строки «имя:пароль» или «имя:pbkdf2-sha256:…»;\n"
        "             без него принимаются любые имя и пароль, но только на адресе петли\n"
        "  --printers ФАЙЛ  принтеры сервера (очереди CUPS и принтеры этикеток), на которых\n"
        "             печатают labels.print и /api/v1/print; задания ждут в хранилище\n"
        "  --owner-only  сервер для себя: принимать соединения только от процессов\n"
        "             своего пользователя; без --listen — 127.0.0.1:%3 (порт 20000 +\n"
        "             uid по модулю 10000)\n"
        "\n"
        "Пределы (в скобках — по умолчанию):\n"
        "  --max-values N        значений и полей структур в одном запросе (1000000)\n"
        "  --max-members N       полей в одной структуре запроса (10000)\n"
        "  --max-connections N   соединений всего (256)\n"
        "  --max-per-address N   соединений с одного адреса (16)\n"
        "  --request-timeout С   секунд на заголовок и тело запроса (20), дальше —\n"
        "  --min-rate КИБ        не медленнее стольких КиБ в секунду (64)\n"
        "  --request-memory МИБ  памяти на разбор больших запросов и на рисование сразу (768)\n"
        "  --render-budget С     секунд работы Ghostscript на одно изображение (30)\n"
        "  --call-timeout С      секунд на рисование в одном вызове, с ожиданием памяти (120)\n"
        "  --cache-size МИБ      кэш прочитанных этикеток (64)\n"),
        LSV_DEFAULT_LISTEN, lsv__default_store().c_str(), lsv__own_port(::geteuid()));
    std::fputs(plt__to_utf8(text).c_str(), to);
}

std::string read_password()
{
    const bool tty = ::isatty(0);
    termios old{};
    if (tty) {
        std::fprintf(stderr, "%s", pl__tr8(VL_TR("vellumo", "Пароль: ")).c_str());
        ::tcgetattr(0, &old);
        termios quiet = old;
        quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
        ::tcsetattr(0, TCSANOW, &quiet);
    }
    std::string password;
    std::getline(std::cin, password);
    if (tty) {
        ::tcsetattr(0, TCSANOW, &old);
        std::fprintf(stderr, "\n");
    }
    if (!password.empty() && password.back() == '\r')
        password.pop_back();
    return password;
}

} // namespace

int main(int argc, char **argv)
{
    // Blocked before any thread exists, so that every thread inherits it and
    // only the server's stopper takes these signals.
    sigset_t stop_signals;
    sigemptyset(&stop_signals);
    sigaddset(&stop_signals, SIGINT);
    sigaddset(&stop_signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);
    std::setlocale(LC_ALL, "");
    if (std::strcmp(nl_langinfo(CODESET), "UTF-8") != 0)
        std::setlocale(LC_CTYPE, "C.UTF-8");
    // The command line speaks the locale's language, up to the start-up's
    // refusals.  What the server says to its clients and writes in its log
    // stays Russian (the editor shows the server's faults as they come): the
    // translation is put away once it serves (lsv__run).
    qt_use_system_language();
    server_options options;
    std::string import_from, export_to;
    bool listen_given = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](std::string &out) {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "vellumo-server: %s\n",
                             plt__to_utf8(msc__format(VL_TR("vellumo", "после %1 нужно значение"), a.c_str())).c_str());
                std::exit(2);
            }
            out = argv[++i];
        };
        // A whole number in [low, high] after the option.
        auto number = [&](long long low, long long high) {
            std::string text;
            value(text);
            long long v = -1;
            std::size_t used = 0;
            try {
                v = std::stoll(text, &used);
            } catch (...) {
                used = 0;
            }
            if (used == 0 || used != text.size() || v < low || v > high) {
                std::fprintf(stderr, "vellumo-server: %s\n",
                             plt__to_utf8(msc__format(VL_TR("vellumo", "%1: нужно целое от %2 до %3, а не «%4»"), a.c_str(),
                                                      low, high, text.c_str()))
                                 .c_str());
                std::exit(2);
            }
            return v;
        };
        if (a == "--listen") {
            value(options.listen);
            listen_given = true;
        } else if (a == "--owner-only")
            options.owner_only = true;
        else if (a == "--store")
            value(options.store);
        else if (a == "--users")
            value(options.users);
        else if (a == "--printers")
            value(options.printers);
        else if (a == "--print-lease") // for tests; see server_options
            options.print_lease_ms = static_cast<int>(number(1, 3600) * 1000);
        else if (a == "--import")
            value(import_from);
        else if (a == "--export")
            value(export_to);
        else if (a == "--max-values")
            options.request.max_values = static_cast<std::size_t>(number(1, 100000000));
        else if (a == "--max-members")
            options.request.max_members = static_cast<std::size_t>(number(1, 10000000));
        else if (a == "--max-connections")
            options.http.max_connections = static_cast<int>(number(1, 100000));
        else if (a == "--max-per-address")
            options.http.max_per_address = static_cast<int>(number(1, 100000));
        else if (a == "--request-timeout")
            options.http.request_timeout_ms = static_cast<int>(number(1, 3600) * 1000);
        else if (a == "--min-rate")
            options.http.min_rate = static_cast<std::size_t>(number(1, 1 << 20)) << 10;
        else if (a == "--request-memory")
            options.http.large_memory = static_cast<std::size_t>(number(16, 1 << 20)) << 20;
        else if (a == "--render-budget")
            options.render.ghostscript_seconds = static_cast<double>(number(1, 3600));
        else if (a == "--call-timeout")
            options.call_seconds = static_cast<double>(number(1, 86400));
        else if (a == "--document-limit") // for tests; see server_options
            options.document_bytes = number(1, LSV_MAX_DOCUMENT_BYTES >> 20) << 20;
        else if (a == "--cache-size")
            options.cache_bytes = static_cast<std::size_t>(number(0, 1 << 20)) << 20;
        else if (a == "--hash-password") {
            std::string user;
            value(user);
            // The name must read back as one line of the users file.
            if (user.empty() || user.find_first_of(":\n\r") != std::string::npos || user[0] == '#') {
                std::fprintf(stderr, "vellumo-server: %s\n",
                             pl__tr8(VL_TR("vellumo", "имя пользователя не может быть пустым, начинаться с «#» "
                                                      "или содержать «:» и переводы строки"))
                                 .c_str());
                return 2;
            }
            std::printf("%s\n", server_users::hash_line(user, read_password()).c_str());
            return 0;
        } else if (a == "--help" || a == "-h") {
            usage(stdout);
            return 0;
        } else {
            std::fprintf(stderr, "vellumo-server: %s\n\n",
                         plt__to_utf8(msc__format(VL_TR("vellumo", "неизвестный параметр %1"), a.c_str())).c_str());
            usage(stderr);
            return 2;
        }
    }
    // A server of one's own has a port of its own, apart from the shared
    // service and from other users' own servers.
    if (options.owner_only && !listen_given)
        options.listen = "127.0.0.1:" + std::to_string(lsv__own_port(::geteuid()));
    if (!import_from.empty() || !export_to.empty())
        return lsv__copy_command(options.store.empty() ? lsv__default_store() : options.store, import_from,
                                 export_to, options.cache_bytes);
    // Fonts need a GUI application object; no screen is used.
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int qt_argc = 1;
    char *qt_argv[] = {argv[0], nullptr};
    // Qt's own messages go into the log like every other line.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &message) {
        lsv__log("Qt: " + message.toStdString());
    });
    QGuiApplication app(qt_argc, qt_argv);
    return lsv__run(options);
}
