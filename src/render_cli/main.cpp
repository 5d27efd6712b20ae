// vellumo-render: labels to PDF, PNG and SVG files, a printer or a thermal
// label printer (in its own language) from the command line, one label or
// one per row of a table of data.
//
// Exit status: 0 every page written without a problem; 1 the output was not
// written (label, table, file or printer refused); 2 a wrong command line;
// 4 every page written but some with elements that could not be drawn.
#include <QGuiApplication>
#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <pthread.h>
#include <thread>
#include <cstring>
#include <filesystem>
#include <optional>
#include <set>
#include <fcntl.h>
#include <iostream>
#include <string>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

#include "exchange/inout.h"
#include "exchange/rpc_client.h"
#include "exchange/server_ops.h"
#include "model/misc.h"
#include "output/document.h"
#include "output/printer.h"
#include "output/sheet_sources.h"
#include "output/thermal.h"
#include "platform/ascii_text.h"
#include "platform/code_pages.h"
#include "platform/file_io.h"
#include "platform/message_boxes.h"
#include "platform/seam.h"
#include "platform/qt_translation.h"
#include "platform/translation.h"
#include "render/counters.h"
#include "render/eps_runner.h"

namespace {

constexpr int EXIT_WRITTEN = 0, EXIT_NOT_WRITTEN = 1, EXIT_USAGE = 2, EXIT_PROBLEMS = 4;

const char16_t USAGE[] = VL_TR("vellumo",
    "Использование:\n"
    "  vellumo-render ЭТИКЕТКА.lbl -o ВЫХОД.{pdf,png,svg} [ПАРАМЕТРЫ]\n"
    "  vellumo-render ЭТИКЕТКА.lbl --printer ПРИНТЕР [ПАРАМЕТРЫ]\n"
    "  vellumo-render ЭТИКЕТКА.lbl --send socket://УЗЕЛ[:ПОРТ] --language zpl|tspl|epl [ПАРАМЕТРЫ]\n"
    "  vellumo-render ЭТИКЕТКА.lbl --send /dev/usb/lp0 --language zpl|tspl|epl [ПАРАМЕТРЫ]\n"
    "  vellumo-render --server АДРЕС --user ИМЯ ИМЯ_ЭТИКЕТКИ -o ВЫХОД [ПАРАМЕТРЫ]\n"
    "  vellumo-render --sheet list\n"
    "\n"
    "Параметры:\n"
    "  -o ФАЙЛ                 файл результата; формат по расширению: .pdf, .png, .svg,\n"
    "                          или задание принтера этикеток: .zpl, .tspl, .epl\n"
    "  --dpi N                 разрешение PNG, точек на дюйм (10..2400, по умолчанию 300);\n"
    "                          для принтера этикеток - его разрешение (100..600,\n"
    "                          по умолчанию 203)\n"
    "  --transparent           PNG без фона этикетки\n"
    "  --var ИМЯ=ЗНАЧЕНИЕ      значение переменной ${ИМЯ}; можно повторять\n"
    "  --csv ФАЙЛ              таблица данных: по этикетке на строку (страница PDF,\n"
    "                          файлы ВЫХОД-0001.png ... или страницы печати);\n"
    "                          CSV, книга .xlsx или .ods (по содержимому файла);\n"
    "                          - : таблица со стандартного ввода\n"
    "  --table-sheet ЛИСТ      лист книги .xlsx или .ods (по умолчанию первый)\n"
    "  --separator C           разделитель столбцов: ';', ',' или 'tab'\n"
    "  --encoding КОДИРОВКА    utf-8 или cp1251\n"
    "  --printer ИМЯ           печать на принтер вместо файла\n"
    "  --send АДРЕС            задание прямо на принтер этикеток: socket://УЗЕЛ[:ПОРТ]\n"
    "                          (порт по умолчанию 9100) или устройство (/dev/usb/lp0)\n"
    "  --language ЯЗЫК         язык принтера для --send: zpl (Zebra и совместимые),\n"
    "                          tspl (TSC, Xprinter, Gprinter), epl (EPL2)\n"
    "  --darkness N            плотность печати (ZPL 0..30, TSPL и EPL 0..15)\n"
    "  --speed N               скорость печати, дюймов в секунду (1..14)\n"
    "  --media ВИД             носитель: gap (этикетки с зазором, по умолчанию),\n"
    "                          mark (чёрная метка) или continuous (непрерывная лента)\n"
    "  --head-width ММ         ширина печатающей головки: более широкая этикетка\n"
    "                          не отправляется\n"
    "  --copies N              копий каждой этикетки (1..1000): на листе - рядом,\n"
    "                          без листа - страницы подряд; на принтер без листа\n"
    "                          копии делает принтер\n"
    "  --copies-column СТОЛБЕЦ\n"
    "                          копий каждой строки - из этого столбца таблицы\n"
    "                          (целое 0..10000; 0 - строка не печатается);\n"
    "                          вместо --copies\n"
    "  --sheet \"МАРКА НОМЕР\"   печать на листе с несколькими этикетками из\n"
    "                          каталога, например --sheet \"Avery 5160\"\n"
    "  --sheet list            список листов каталога: марка и номер, описание,\n"
    "                          бумага, размер этикетки, число этикеток\n"
    "  --sheet-geometry РАЗМЕРЫ  лист по размерам, в мм:\n"
    "                          БУМАГА,СТОЛБЦЫxРЯДЫ,ШИРИНАxВЫСОТА,СЛЕВА,СВЕРХУ,\n"
    "                          ПРОМЕЖУТОК_ПО_ГОРИЗОНТАЛИ,ПРОМЕЖУТОК_ПО_ВЕРТИКАЛИ,\n"
    "                          например A4,3x8,70x37,0,0,0,0; без --sheet и\n"
    "                          --sheet-geometry - лист, запомненный в этикетке\n"
    "  --first N               начать с N-й этикетки первого листа (по строкам\n"
    "                          слева направо, сверху вниз)\n"
    "  --outlines              контуры этикеток листа (пробная печать на\n"
    "                          простой бумаге)\n"
    "  --crop-marks            метки обреза у углов этикеток листа\n"
    "  --server АДРЕС          этикетка с сервера этикеток (пароль из VELLUMO_PASSWORD\n"
    "                          или с терминала)\n"
    "  --user ИМЯ              имя пользователя на сервере\n"
    "  --timeout С             наибольшее время обращения к серверу, секунд\n"
    "                          (1..3600, по умолчанию 120)\n"
    "  --help                  эта справка\n"
    "\n"
    "Примеры:\n"
    "  vellumo-render адрес.lbl -o адреса.pdf --csv адреса.csv --sheet \"Avery 5160\"\n"
    "  vellumo-render ценник.lbl -o ценники.pdf --sheet-geometry A4,3x8,70x37,0,0,0,0 \\\n"
    "      --copies 24 --outlines\n"
    "\n"
    "Счётчики в текстах и штрихкодах: ${#} - номер этикетки (каждая копия\n"
    "считается), ${#:000100} - с 100, шесть цифр; ${#row} - номер строки таблицы;\n"
    "${#date}, ${#date:yyyy-MM-dd}, ${#time}, ${#time:HH:mm:ss} - дата и время\n"
    "начала печати.\n"
    "\n"
    "Статус выхода: 0 - все страницы записаны; 1 - результат не записан;\n"
    "2 - ошибка в командной строке; 4 - записано, но не все элементы нарисованы.\n");

// Every message the program's parts show goes to stderr as one line.
class line_messages final : public message_box_service {
public:
    mb_answer show(const message_box_request &req) override
    {
        std::string text = plt__to_utf8(req.text);
        for (char &c : text)
            if (c == '\n' || c == '\r')
                c = ' ';
        std::fprintf(stderr, "vellumo-render: %s\n", text.c_str());
        return mb_default_answer(req.buttons);
    }
};

// A marked text in the user's language, in UTF-8.
std::string tr8(const char16_t *marked)
{
    return plt__to_utf8(pl__tr(marked));
}

void say(const std::u16string &text)
{
    std::fprintf(stderr, "vellumo-render: %s\n", plt__to_utf8(text).c_str());
}

int usage_error(const std::string &text)
{
    std::fprintf(stderr, "vellumo-render: %s\n%s\n", text.c_str(),
                 tr8(VL_TR("vellumo", "Справка: vellumo-render --help")).c_str());
    return EXIT_USAGE;
}

bool whole_number(const char *s, long lo, long hi, long &out)
{
    char *end = nullptr;
    errno = 0;
    const long v = std::strtol(s, &end, 10);
    if (errno || end == s || *end || v < lo || v > hi)
        return false;
    out = v;
    return true;
}

// The loader's own message does not name the file; with a script rendering
// many labels the user must know which one is missing or unreadable.
bool label_file_readable(const std::string &path)
{
    struct stat st {};
    int error = 0;
    if (::stat(path.c_str(), &st) != 0) {
        error = errno;
    } else if (S_ISDIR(st.st_mode)) {
        error = EISDIR;
    } else {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            error = errno;
        else
            ::close(fd);
    }
    if (!error)
        return true;
    say(msc__format(VL_TR("vellumo", "Файл этикетки «%1» не читается: %2."), path.c_str(),
                    plt__read_error_text(error).c_str()));
    return false;
}

struct options {
    std::string label_file, output, csv, printer, server, user, label_name;
    std::string sheet, sheet_geometry, table_sheet, send;
    std::optional<thermal_language> language;
    std::u16string copies_column;
    doc_options doc;
    csv_options table;
    long copies = 1;
    long first = 1;
    bool outlines = false, crop_marks = false;
    long timeout = 120;
    std::vector<preview_var> vars;
    bool help = false;
};

// The command line's options, one row each: the name (and its other
// spelling), whether a value follows, where it goes, and what is said when
// the value is missing or refused ("%s" is the option as written).
struct option_row {
    const char *name;
    const char *alias;
    bool takes_value;
    bool repeated; // may be given more than once
    // Puts the value in place; false when it is refused.
    bool (*take)(options &o, const std::string &value);
    const char16_t *missing;
    const char16_t *refused; // null: as `missing`
};

bool number_into(const std::string &v, long lo, long hi, long &out)
{
    return whole_number(v.c_str(), lo, hi, out);
}

const option_row OPTIONS[] = {
    {"--help", "-h", false, false, [](options &o, const std::string &) { return o.help = true; }, u"", nullptr},
    {"-o", "--output", true, false, [](options &o, const std::string &v) { o.output = v; return true; },
     VL_TR("vellumo", "после %s нужно имя файла"), nullptr},
    {"--dpi", nullptr, true, false,
     [](options &o, const std::string &v) {
         long n = 0;
         if (!number_into(v, OUT_MIN_DPI, OUT_MAX_DPI, n))
             return false;
         o.doc.dpi = static_cast<int>(n);
         return true;
     },
     VL_TR("vellumo", "--dpi: нужно целое число от 10 до 2400"), nullptr},
    {"--transparent", nullptr, false, false, [](options &o, const std::string &) { return o.doc.transparent = true; },
     u"", nullptr},
    {"--var", nullptr, true, true,
     [](options &o, const std::string &v) {
         const std::size_t eq = v.find('=');
         if (eq == std::string::npos || eq == 0)
             return false;
         o.vars.push_back({plt__from_utf8(v.substr(0, eq)), plt__from_utf8(v.substr(eq + 1))});
         return true;
     },
     VL_TR("vellumo", "--var: нужно ИМЯ=ЗНАЧЕНИЕ"), nullptr},
    {"--csv", nullptr, true, false, [](options &o, const std::string &v) { o.csv = v; return true; },
     VL_TR("vellumo", "после --csv нужно имя файла таблицы (или - для стандартного ввода)"), nullptr},
    {"--table-sheet", nullptr, true, false,
     [](options &o, const std::string &v) { o.table_sheet = v; return !v.empty(); },
     VL_TR("vellumo", "после --table-sheet нужно название листа книги"), nullptr},
    {"--separator", nullptr, true, false,
     [](options &o, const std::string &v) {
         if (v == ";" || v == ",")
             o.table.separator = v[0];
         else if (v == "tab" || v == "\t" || v == "\\t")
             o.table.separator = '\t';
         else
             return false;
         return true;
     },
     VL_TR("vellumo", "после --separator нужен разделитель"), VL_TR("vellumo", "--separator: разделитель может быть ';', ',' или 'tab'")},
    {"--encoding", nullptr, true, false,
     [](options &o, const std::string &value) {
         if (plt__ascii_iequal(value, "utf-8") || plt__ascii_iequal(value, "utf8"))
             o.table.encoding = csv_encoding::utf8;
         else if (plt__ascii_iequal(value, "cp1251") || plt__ascii_iequal(value, "windows-1251"))
             o.table.encoding = csv_encoding::cp1251;
         else
             return false;
         return true;
     },
     VL_TR("vellumo", "после --encoding нужна кодировка"), VL_TR("vellumo", "--encoding: кодировка может быть utf-8 или cp1251")},
    {"--printer", nullptr, true, false, [](options &o, const std::string &v) { o.printer = v; return !v.empty(); },
     VL_TR("vellumo", "после --printer нужно имя принтера"), nullptr},
    {"--send", nullptr, true, false, [](options &o, const std::string &v) { o.send = v; return !v.empty(); },
     VL_TR("vellumo", "после --send нужен адрес принтера: socket://УЗЕЛ[:ПОРТ] или устройство, например /dev/usb/lp0"), nullptr},
    {"--language", nullptr, true, false,
     [](options &o, const std::string &v) { return (o.language = out__thermal_language(v)).has_value(); },
     VL_TR("vellumo", "после --language нужен язык принтера: zpl, tspl или epl"), VL_TR("vellumo", "--language: язык принтера может быть zpl, tspl или epl")},
    {"--darkness", nullptr, true, false,
     [](options &o, const std::string &v) {
         long n = 0;
         return number_into(v, 0, 30, n) && (o.doc.thermal.darkness = static_cast<int>(n), true);
     },
     VL_TR("vellumo", "--darkness: нужно целое число от 0 до 30 (для TSPL и EPL до 15)"), nullptr},
    {"--speed", nullptr, true, false,
     [](options &o, const std::string &v) {
         long n = 0;
         return number_into(v, 1, 14, n) && (o.doc.thermal.speed = static_cast<int>(n), true);
     },
     VL_TR("vellumo", "--speed: нужно целое число дюймов в секунду от 1 до 14"), nullptr},
    {"--media", nullptr, true, false,
     [](options &o, const std::string &v) {
         const auto m = out__thermal_media(v);
         return m && (o.doc.thermal.media = *m, true);
     },
     VL_TR("vellumo", "после --media нужен носитель: gap, mark или continuous"), VL_TR("vellumo", "--media: носитель может быть gap, mark или continuous")},
    {"--head-width", nullptr, true, false,
     [](options &o, const std::string &v) {
         char *end = nullptr;
         const double mm = std::strtod(v.c_str(), &end);
         if (end == v.c_str() || *end || !(mm > 0 && mm <= 1000))
             return false;
         o.doc.thermal.head_width_mm = mm;
         return true;
     },
     VL_TR("vellumo", "--head-width: нужна ширина головки в мм, больше 0 и не больше 1000"), nullptr},
    {"--copies", nullptr, true, false,
     [](options &o, const std::string &v) { return number_into(v, 1, OUT_MAX_COPIES, o.copies); },
     VL_TR("vellumo", "--copies: нужно целое число от 1 до 1000"), nullptr},
    {"--copies-column", nullptr, true, false,
     [](options &o, const std::string &v) {
         o.copies_column = plt__from_utf8(v);
         return !v.empty();
     },
     VL_TR("vellumo", "после --copies-column нужно имя столбца таблицы"), nullptr},
    {"--sheet", nullptr, true, false, [](options &o, const std::string &v) { o.sheet = v; return !v.empty(); },
     VL_TR("vellumo", "после --sheet нужно название листа («МАРКА НОМЕР») или list"), nullptr},
    {"--sheet-geometry", nullptr, true, false,
     [](options &o, const std::string &v) { o.sheet_geometry = v; return !v.empty(); },
     VL_TR("vellumo", "после --sheet-geometry нужны размеры листа: БУМАГА,СТОЛБЦЫxРЯДЫ,ШИРИНАxВЫСОТА,СЛЕВА,СВЕРХУ,"
     "ПРОМЕЖУТОК_ПО_ГОРИЗОНТАЛИ,ПРОМЕЖУТОК_ПО_ВЕРТИКАЛИ"),
     nullptr},
    {"--first", nullptr, true, false,
     [](options &o, const std::string &v) { return number_into(v, 1, SHT_MAX_LABELS, o.first); },
     VL_TR("vellumo", "--first: нужно целое число от 1 до 10000"), nullptr},
    {"--outlines", nullptr, false, false, [](options &o, const std::string &) { return o.outlines = true; }, u"",
     nullptr},
    {"--crop-marks", nullptr, false, false, [](options &o, const std::string &) { return o.crop_marks = true; }, u"",
     nullptr},
    {"--server", nullptr, true, false, [](options &o, const std::string &v) { o.server = v; return true; },
     VL_TR("vellumo", "после --server нужен адрес сервера"), nullptr},
    {"--user", nullptr, true, false, [](options &o, const std::string &v) { o.user = v; return true; },
     VL_TR("vellumo", "после --user нужно имя пользователя"), nullptr},
    {"--timeout", nullptr, true, false,
     [](options &o, const std::string &v) { return number_into(v, 1, 3600, o.timeout); },
     VL_TR("vellumo", "--timeout: нужно целое число секунд от 1 до 3600"), nullptr},
};

const option_row *option_named(const std::string &a)
{
    for (const option_row &row : OPTIONS)
        if (a == row.name || (row.alias && a == row.alias))
            return &row;
    return nullptr;
}

std::string option_error(const char16_t *text, const std::string &as_written)
{
    std::string out = tr8(text);
    if (const std::size_t at = out.find("%s"); at != std::string::npos)
        out.replace(at, 2, as_written);
    return out;
}

// The password: VELLUMO_PASSWORD (which may be empty), else asked on the
// terminal; nothing when there is neither (or when standard input holds
// the table).
std::optional<std::string> ask_password(bool stdin_taken)
{
    if (const char *p = std::getenv("VELLUMO_PASSWORD"))
        return std::string(p);
    if (stdin_taken || !::isatty(STDIN_FILENO))
        return std::nullopt;
    std::fprintf(stderr, "%s", tr8(VL_TR("vellumo", "Пароль: ")).c_str());
    termios old{};
    const bool echo_off = ::tcgetattr(STDIN_FILENO, &old) == 0;
    if (echo_off) {
        termios quiet = old;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    std::string line;
    std::getline(std::cin, line);
    if (echo_off)
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &old);
    std::fprintf(stderr, "\n");
    return line;
}

// A progress line on a terminal; nothing when stderr is a file or a pipe.
class progress_line {
public:
    progress_line() : on_(::isatty(STDERR_FILENO)) {}
    bool step(long done, long total)
    {
        if (on_ && total > 1 && done != shown_) {
            shown_ = done;
            std::fprintf(stderr, "\r%s", plt__to_utf8(msc__format(VL_TR("vellumo", "страница %1 из %2"), done, total)).c_str());
            open_ = done != total;
            if (!open_)
                std::fprintf(stderr, "\n");
            std::fflush(stderr);
        }
        return true;
    }
    // Messages after it start on a line of their own.
    void end_line()
    {
        if (open_)
            std::fprintf(stderr, "\n");
        open_ = false;
    }

private:
    bool on_;
    long shown_ = -1;
    bool open_ = false;
};

// Ctrl+C, TERM and HUP.  Before pages are drawn the program ends at once,
// as any program does; while they are drawn Ghostscript is stopped (its
// work folders go with it) and nothing is written or sent to the printer,
// and the program says so.  A second signal ends it at once.
std::atomic<bool> g_drawing{false}, g_interrupted{false};

void watch_signals()
{
    static sigset_t set;
    sigemptyset(&set);
    for (int sig : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&set, sig);
    // Blocked here before any other thread starts, so every thread has them
    // blocked and only the watcher takes them.
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    std::thread([] {
        for (;;) {
            int sig = 0;
            if (sigwait(&set, &sig) != 0)
                continue;
            if (!g_drawing.load() || g_interrupted.exchange(true)) {
                std::signal(sig, SIG_DFL);
                pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
                std::raise(sig);
                std::_Exit(128 + sig);
            }
            rdr__eps_stop_all();
        }
    }).detach();
}

// The catalogue's sheets, a line each.
int list_sheets()
{
    const sheet_catalogue &c = sht__catalogue();
    for (const sheet_entry &e : c.sheets)
        std::printf("%s\n", sht__list_line(e).c_str());
    if (c.sheets.empty())
        say(pl__tr(VL_TR("vellumo", "Каталог листов пуст: не найдено ни одного листа этикеток.")));
    return EXIT_WRITTEN;
}

// Up to five sheets of the catalogue whose names share the most words
// with `name` (a word matching a part of a name counts).
std::u16string close_names(const std::string &name)
{
    const sheet_catalogue &c = sht__catalogue();
    std::vector<std::u16string> words;
    std::u16string all = plt__from_utf8(name);
    for (std::size_t at = 0; at < all.size();) {
        std::size_t end = all.find(u' ', at);
        if (end == std::u16string::npos)
            end = all.size();
        if (end > at)
            words.push_back(all.substr(at, end - at));
        at = end + 1;
    }
    std::vector<std::pair<int, const sheet_entry *>> scored;
    std::vector<int> score(c.sheets.size(), 0);
    for (const std::u16string &w : words)
        for (const sheet_entry *e : sht__search(c, w))
            ++score[static_cast<std::size_t>(e - c.sheets.data())];
    int best = 0;
    for (int n : score)
        best = std::max(best, n);
    std::u16string names;
    int shown = 0;
    for (std::size_t i = 0; best > 0 && i < c.sheets.size() && shown < 5; ++i) {
        if (score[i] != best)
            continue;
        names += (shown++ ? u", «" : u"«") + plt__from_utf8(sht__name(c.sheets[i].sheet)) + u"»";
    }
    return names;
}

std::string mm(double points)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", points * 25.4 / 72.0);
    return text;
}

// The sheet of the run: asked for on the command line, else the label's
// own; nothing without either.  False with the reason said when the sheet
// cannot be used with the label.
bool sheet_of_run(const options &o, const label *lab, std::optional<label_sheet> &sheet)
{
    if (!o.sheet.empty()) {
        const sheet_entry *e = sht__find(sht__catalogue(), o.sheet);
        if (!e) {
            const std::u16string like = close_names(o.sheet);
            if (like.empty())
                say(msc__format(VL_TR("vellumo", "Лист «%1» не найден в каталоге. Список листов: vellumo-render --sheet list."),
                                o.sheet.c_str()));
            else
                say(msc__format(VL_TR("vellumo", "Лист «%1» не найден в каталоге. Похожие: %2."), o.sheet.c_str(), like.c_str()));
            return false;
        }
        sheet = e->sheet;
    } else if (!o.sheet_geometry.empty()) {
        std::u16string error;
        sheet = sht__parse_geometry(o.sheet_geometry, error);
        if (!sheet) {
            say(error);
            return false;
        }
    } else {
        sheet = lab->sheet;
    }
    if (!sheet)
        return true;
    // A label a little off the sheet's size (measured in other units) is
    // placed at its cell's top left corner; one further off is not the
    // sheet's.
    constexpr double slack = 72.0 / 25.4;
    if (!(std::fabs(lab->width - sheet->label_width) <= slack && std::fabs(lab->height - sheet->label_height) <= slack)) {
        say(msc__format(VL_TR("vellumo", "Этикетка %1×%2 мм не подходит к листу «%3»: на нём этикетки %4×%5 мм."),
                        mm(lab->width).c_str(), mm(lab->height).c_str(), sht__name(*sheet).c_str(),
                        mm(sheet->label_width).c_str(), mm(sheet->label_height).c_str()));
        return false;
    }
    const std::int64_t count = sht__count(*sheet);
    if (o.first > count) {
        say(msc__format(VL_TR("vellumo", "--first %1: на листе «%2» всего %3 этикеток."), o.first,
                        sht__name(*sheet).c_str(), count));
        return false;
    }
    return true;
}

int finish(bool written, const std::vector<std::u16string> &problems, const std::u16string &error,
           const std::vector<std::u16string> &warnings = {})
{
    for (const std::u16string &w : warnings)
        say(msc__format(VL_TR("vellumo", "Предупреждение: %1"), w.c_str()));
    for (const std::u16string &p : problems)
        say(p);
    if (!written) {
        if (!error.empty())
            say(error);
        return EXIT_NOT_WRITTEN;
    }
    return problems.empty() ? EXIT_WRITTEN : EXIT_PROBLEMS;
}

} // namespace

int main(int argc, char **argv)
{
    // Russian or English by the locale, before the first word is said.
    qt_use_system_language();
    options o;
    std::vector<std::string> loose;
    std::set<std::string> given;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const option_row *row = option_named(a);
        // An option that takes one value is given once: with two the user
        // meant one of them, and silently taking the last may write the
        // wrong file.  Only --var is repeated.
        if (a.size() > 1 && a[0] == '-' && !(row && row->repeated)) {
            if (!given.insert(row ? row->name : a).second)
                return usage_error(plt__to_utf8(msc__format(VL_TR("vellumo", "параметр %1 указан дважды"), a.c_str())));
        }
        if (!row) {
            if (a.size() > 1 && a[0] == '-')
                return usage_error(plt__to_utf8(msc__format(VL_TR("vellumo", "неизвестный параметр %1"), a.c_str())));
            loose.push_back(a);
            continue;
        }
        std::string value;
        if (row->takes_value) {
            if (i + 1 >= argc)
                return usage_error(option_error(row->missing, a));
            value = argv[++i];
        }
        if (!row->take(o, value))
            return usage_error(option_error(row->refused ? row->refused : row->missing, a));
        if (o.help) {
            std::fputs(tr8(USAGE).c_str(), stdout);
            return EXIT_WRITTEN;
        }
    }
    if (o.sheet == "list") {
        if (!loose.empty() || given.size() > 1)
            return usage_error(tr8(VL_TR("vellumo", "--sheet list указывается без этикетки и других параметров")));
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QGuiApplication app(argc, argv);
        return list_sheets();
    }
    if (loose.size() != 1)
        return usage_error(tr8(loose.empty() ? VL_TR("vellumo", "не указана этикетка")
                                             : VL_TR("vellumo", "этикетка указывается одна")));
    (o.server.empty() ? o.label_file : o.label_name) = loose[0];
    if (int(!o.output.empty()) + int(!o.printer.empty()) + int(!o.send.empty()) != 1)
        return usage_error(tr8(VL_TR("vellumo", "нужно одно из: -o ФАЙЛ, --printer ПРИНТЕР, --send АДРЕС")));
    if (!o.send.empty() && !o.language)
        return usage_error(tr8(VL_TR("vellumo", "с --send нужен язык принтера: --language zpl, tspl или epl")));
    if (!o.sheet.empty() && !o.sheet_geometry.empty())
        return usage_error(tr8(VL_TR("vellumo", "лист задаётся одним из --sheet и --sheet-geometry")));
    if ((given.count("--user") || given.count("--timeout")) && o.server.empty())
        return usage_error(tr8(VL_TR("vellumo", "--user и --timeout относятся к --server")));
    if (!o.server.empty() && o.user.empty())
        return usage_error(tr8(VL_TR("vellumo", "с --server нужно имя пользователя: --user ИМЯ")));
    if ((o.table.separator || o.table.encoding != csv_encoding::automatic) && o.csv.empty())
        return usage_error(tr8(VL_TR("vellumo", "--separator и --encoding относятся к --csv")));
    if (!o.copies_column.empty() && o.csv.empty())
        return usage_error(tr8(VL_TR("vellumo", "--copies-column относится к --csv")));
    for (const preview_var &v : o.vars)
        if (rdr__is_counter_name(v.name))
            return usage_error(plt__to_utf8(msc__format(
                VL_TR("vellumo", "--var %1: имена, начинающиеся с «#», заняты счётчиками (${#}, ${#row}, ${#date}, ${#time})"),
                v.name.c_str())));
    if (!o.table_sheet.empty() && o.csv.empty())
        return usage_error(tr8(VL_TR("vellumo", "--table-sheet относится к --csv")));
    const output_format *format = out__format(out__format_of(plt__from_utf8(o.output)));
    if (!o.output.empty() && !format)
        return usage_error(plt__to_utf8(msc__format(
            VL_TR("vellumo", "формат файла результата по расширению: %1"),
            out__format_list(false, false, u", ", pl__tr(VL_TR("vellumo", " или "))).c_str())));
    // A thermal printer's job: to a file by its extension, or sent.
    const bool thermal = !o.send.empty() || (format && format->thermal);
    if (o.language && o.send.empty())
        return usage_error(tr8(VL_TR("vellumo", "--language относится к --send (у файла язык по расширению: .zpl, .tspl, .epl)")));
    if (!thermal && (given.count("--darkness") || given.count("--speed") || given.count("--media") ||
                     given.count("--head-width")))
        return usage_error(tr8(VL_TR("vellumo", "--darkness, --speed, --media и --head-width относятся к принтеру этикеток "
                                                "(--send или -o ЗАДАНИЕ.zpl, .tspl, .epl)")));
    if (thermal) {
        if (!o.sheet.empty() || !o.sheet_geometry.empty())
            return usage_error(tr8(VL_TR("vellumo", "принтер этикеток печатает по этикетке: --sheet и --sheet-geometry к нему не относятся")));
        if (o.doc.transparent)
            return usage_error(tr8(VL_TR("vellumo", "--transparent относится к PNG")));
        o.doc.thermal.dpi = given.count("--dpi") ? o.doc.dpi : 203;
        if (o.doc.thermal.dpi < THERMAL_MIN_DPI || o.doc.thermal.dpi > THERMAL_MAX_DPI)
            return usage_error(tr8(VL_TR("vellumo", "--dpi: у принтера этикеток разрешение от 100 до 600")));
        o.doc.thermal.language = o.language ? *o.language : format->format == doc_format::tspl ? thermal_language::tspl
                                                       : format->format == doc_format::epl  ? thermal_language::epl
                                                                                            : thermal_language::zpl;
        if (o.doc.thermal.darkness > out__thermal_max_darkness(o.doc.thermal.language))
            return usage_error(plt__to_utf8(msc__format(VL_TR("vellumo", "--darkness: для %1 нужно целое число от 0 до %2"),
                                                        out__thermal_language_name(o.doc.thermal.language),
                                                        out__thermal_max_darkness(o.doc.thermal.language))));
    }

    watch_signals();
    // Qt's own remarks ("XDG_RUNTIME_DIR not set", libpng's words before a
    // failed write) are English and not for the user: every problem is
    // said here, in Russian, once.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &text) {
        if (type == QtFatalMsg) {
            std::fprintf(stderr, "vellumo-render: %s\n",
                         plt__to_utf8(msc__format(VL_TR("vellumo", "внутренняя ошибка Qt (%1)"),
                                                  text.toStdU16String().c_str())).c_str());
            std::abort();
        }
    });
    // No windows are ever shown: no display is needed.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    line_messages messages;
    scoped_seam<message_box_service> to_stderr(&messages);

    label_ptr lab;
    if (o.server.empty()) {
        if (!label_file_readable(o.label_file))
            return EXIT_NOT_WRITTEN;
        lab = ino__load_file(plt__from_utf8(o.label_file));
    } else {
        const std::optional<std::string> password = ask_password(o.csv == "-");
        if (!password) {
            say(pl__tr(VL_TR("vellumo", "Пароль не задан: нет переменной VELLUMO_PASSWORD, а спросить его негде (нет терминала). "
                                        "Для сервера без пользователей задайте VELLUMO_PASSWORD пустой.")));
            return EXIT_NOT_WRITTEN;
        }
        // No person can cancel here: a silent server must not keep a
        // script waiting for ever.
        rpd__set_deadline_ms(static_cast<int>(o.timeout * 1000));
        lab = ino__load_label(plt__from_utf8(o.server), plt__from_utf8(o.label_name), plt__from_utf8(o.user),
                              plt__from_utf8(*password));
    }
    if (!lab)
        return EXIT_NOT_WRITTEN; // the reason is already on stderr

    std::optional<label_sheet> sheet;
    if (thermal) {
        // A label of its own each time, whatever sheet the label keeps.
        const std::u16string why = out__thermal_label_refusal(lab.get(), o.doc.thermal);
        if (!why.empty()) {
            say(o.send.empty() ? msc__format(VL_TR("vellumo", "Файл «%1» не записан: %2."), o.output.c_str(), why.c_str())
                               : msc__format(VL_TR("vellumo", "На «%1» ничего не отправлено: %2."), o.send.c_str(),
                                             why.c_str()));
            return EXIT_NOT_WRITTEN;
        }
    } else if (!sheet_of_run(o, lab.get(), sheet)) {
        return EXIT_NOT_WRITTEN;
    }
    if (!sheet && (given.count("--first") || o.outlines || o.crop_marks))
        return usage_error(tr8(VL_TR("vellumo", "--first, --outlines и --crop-marks относятся к листу: укажите --sheet или "
                                                "--sheet-geometry")));
    // One label per page, or the labels on sheets.
    const label_per_page one_per_page(lab.get());
    std::optional<sheet_layout> on_sheets;
    if (sheet)
        on_sheets.emplace(*sheet, sheet_options{o.first, o.outlines, o.crop_marks});
    const page_layout &layout = on_sheets ? static_cast<const page_layout &>(*on_sheets) : one_per_page;
    // Without a sheet the printer makes the copies, as it always has,
    // unless the copies differ (numbered, or counted per row).
    const bool printer_copies = (!o.printer.empty() || thermal) && !sheet && o.copies_column.empty() &&
                                !run_counters(out__label_names(lab.get()), {}).numbers_labels();
    const long copies = printer_copies ? 1 : o.copies;
    if (thermal && printer_copies)
        o.doc.thermal.copies = o.copies;
    std::unique_ptr<QPrinter> printer;
    std::string spool;
    struct spool_remover {
        std::string &folder;
        ~spool_remover()
        {
            std::error_code ec;
            if (!folder.empty())
                std::filesystem::remove_all(folder, ec);
        }
    } remove_spool{spool};
    std::unique_ptr<page_sink> sink;
    std::u16string error;
    if (!o.printer.empty()) {
        const QPrinterInfo info = QPrinterInfo::printerInfo(QString::fromStdString(o.printer));
        if (info.isNull()) {
            say(msc__format(VL_TR("vellumo", "Принтер «%1» не найден."), o.printer.c_str()));
            return EXIT_NOT_WRITTEN;
        }
        // Qt spools the job in a temporary file and sends it when the
        // painter ends; the spool goes into a folder of our own, so that an
        // interrupted job can be dropped with it instead of being sent.
        const char *tmp = std::getenv("TMPDIR");
        std::string folder = std::string(tmp && *tmp ? tmp : "/tmp") + "/vellumo-print-XXXXXX";
        if (::mkdtemp(folder.data())) {
            spool = folder;
            ::setenv("TMPDIR", spool.c_str(), 1);
        }
        printer = out__printer(lab.get(), layout, &info);
        printer->setCopyCount(static_cast<int>(printer_copies ? o.copies : 1));
        sink = out__printer_sink(lab.get(), *printer);
    } else if (!o.send.empty()) {
        std::unique_ptr<thermal_connection> connection = out__thermal_connect(o.send, error);
        if (!connection) {
            say(msc__format(VL_TR("vellumo", "Ничего не отправлено: %1."), error.c_str()));
            return EXIT_NOT_WRITTEN;
        }
        sink = out__thermal_send_sink(lab.get(), std::move(connection), plt__from_utf8(o.send), o.doc.thermal);
    } else {
        // With a table, a run of pages: a file per page where the format
        // takes one page a file.
        sink = out__file_sink(lab.get(), plt__from_utf8(o.output), o.doc, !o.csv.empty() || copies > 1, error);
        if (!sink)
            return finish(false, {}, error);
    }

    progress_line progress;
    // Stopped by a signal: `pages` files of a numbered output are in place,
    // nothing else is written or sent.
    auto interrupted = [&](long pages) {
        progress.end_line();
        if (printer) {
            say(pl__tr(VL_TR("vellumo", "Остановлено: на принтер ничего не отправлено.")));
            // Ending the painter would send the pages drawn so far.
            std::error_code ec;
            std::filesystem::remove_all(spool, ec);
            std::fflush(stderr);
            std::_Exit(EXIT_NOT_WRITTEN);
        }
        if (!o.send.empty()) {
            say(msc__format(VL_TR("vellumo", "Остановлено: на «%1» отправлены только первые этикетки (%2)."),
                            o.send.c_str(), pages));
            sink.reset();
            return EXIT_NOT_WRITTEN;
        }
        if (pages > 0)
            say(msc__format(VL_TR("vellumo", "Остановлено: записаны только первые файлы (%1): «%2» … «%3»."), pages,
                            out__numbered_path(plt__from_utf8(o.output), 1).c_str(),
                            out__numbered_path(plt__from_utf8(o.output), pages).c_str()));
        else
            say(pl__tr(VL_TR("vellumo", "Остановлено: файл не записан.")));
        sink.reset();
        return EXIT_NOT_WRITTEN;
    };
    g_drawing = true;
    if (o.csv.empty() && !sheet && copies == 1) {
        std::vector<std::u16string> problems;
        const render_variable_map vars = out__preview_variables(out__label_names(lab.get()), o.vars);
        bool ok = sink->label_page(lab.get(), vars, 1, problems, error);
        if (g_interrupted)
            return interrupted(0);
        ok = ok && sink->finish(error);
        return finish(ok, problems, error, sink->warnings);
    }
    batch_request req;
    req.lab = lab.get();
    req.csv_path = o.csv;
    req.csv = o.table;
    req.sheet = plt__from_utf8(o.table_sheet);
    req.preview = o.vars;
    req.layout = &layout;
    req.copies = copies;
    req.copies_column = o.copies_column;
    // The line counts pages: those the labels placed so far have begun.
    req.progress = [&](long done, long total) {
        return !g_interrupted && progress.step(layout.pages_for(done), layout.pages_for(total));
    };
    const batch_outcome out = out__batch(req, *sink);
    if (g_interrupted && !out.complete) {
        // A numbered output has a file per page drawn; a PDF has none.
        const bool numbered = !printer && format && format->numbered && (!o.csv.empty() || copies > 1);
        return interrupted(numbered || !o.send.empty() ? out.pages : 0);
    }
    progress.end_line();
    return finish(out.complete, out.problems, out.error, sink->warnings);
}
