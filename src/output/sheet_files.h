// The files sheets of labels are read from: glabels' template folder,
// LibreOffice's label list and the user's own file.  All of them come from
// outside the program and are read as hostile: a file is read whole up to
// SHT_MAX_FILE bytes, a DOCTYPE declaring entities is refused before any
// of them is expanded (QXmlStreamReader never loads an external DTD or
// entity, and stops an internal one growing past its expansion limit, 4096
// characters, but a file of sheets has no use for entities at all),
// nesting deeper than SHT_MAX_DEPTH is refused, and no more than
// SHT_MAX_SHEETS sheets are taken from one source.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "output/sheet_sources.h"
#include "platform/translation.h"

inline constexpr std::size_t SHT_MAX_FILE = std::size_t{16} << 20;
inline constexpr int SHT_MAX_DEPTH = 32;
inline constexpr long SHT_MAX_SHEETS = 20000;
// Files of a template folder read at most, and their bytes together.
inline constexpr int SHT_MAX_FILES = 500;
inline constexpr std::size_t SHT_MAX_FOLDER = std::size_t{64} << 20;
// Labels on all the sheets of one source together (each one is placed and
// checked): beyond them the rest of the source is not read.
inline constexpr std::int64_t SHT_MAX_LABELS_READ = 1000000;

// Every "*-templates.xml" of glabels' folder (paper names from
// "paper-sizes.xml" beside them), each sheet checked, the templates naming
// another part as theirs ("equiv") copied from it.  Templates that are no
// sheets (rolls, no layout) are passed over; a refused one or a broken file
// gets a line in the log and is counted.  A missing folder adds nothing.
void sht__add_glabels(sheet_catalogue &into, const std::string &folder);

// LibreOffice's labels.xml: the sheets of single sheets (continuous ones
// passed over), the part the first word of the name.  A missing file adds
// nothing.
void sht__add_libreoffice(sheet_catalogue &into, const std::string &file);

// The texts of the catalogue's log.
namespace sht_msg {
inline constexpr char16_t file_unread[] = VL_TR("vellumo", "Файл листов «%1» не прочитан: %2.");
inline constexpr char16_t folder_unread[] = VL_TR("vellumo", "Папка шаблонов листов «%1» не прочитана: %2.");
inline constexpr char16_t too_many_labels[] =
    VL_TR("vellumo", "В «%1» на листах вместе больше %2 этикеток, остальные листы не прочитаны.");
inline constexpr char16_t folder_too_large[] =
    VL_TR("vellumo", "Файлы папки шаблонов листов «%1» вместе больше %2 МиБ, остальные не прочитаны.");
inline constexpr char16_t too_many_files[] = VL_TR("vellumo", "В папке шаблонов листов «%1» больше %2 файлов, остальные не прочитаны.");
inline constexpr char16_t sheet_refused[] = VL_TR("vellumo", "«%1», лист %2: %3");
inline constexpr char16_t user_sheet_refused[] = VL_TR("vellumo", "Лист «%1» не записан: %2");

inline constexpr char16_t xml_error[] = VL_TR("vellumo", "ошибка XML в строке %1");
inline constexpr char16_t xml_cut[] = VL_TR("vellumo", "файл обрывается в строке %1");
inline constexpr char16_t entities[] = VL_TR("vellumo", "в нём объявлены сущности XML, а в файле листов их быть не может");
inline constexpr char16_t unknown_entity[] = VL_TR("vellumo", "в нём ссылка на сущность XML «%1», которой файл не объявляет");
inline constexpr char16_t too_deep[] = VL_TR("vellumo", "теги в нём вложены глубже %1 уровней");
inline constexpr char16_t too_many[] = VL_TR("vellumo", "в нём больше %1 листов");
inline constexpr char16_t not_glabels[] = VL_TR("vellumo", "это не шаблоны glabels");
inline constexpr char16_t not_libreoffice[] = VL_TR("vellumo", "это не список этикеток LibreOffice");
inline constexpr char16_t not_user[] = VL_TR("vellumo", "это не файл листов программы");
inline constexpr char16_t not_folder[] = VL_TR("vellumo", "это не папка");

inline constexpr char16_t no_attribute[] = VL_TR("vellumo", "Не задан атрибут %1.");
inline constexpr char16_t not_length[] = VL_TR("vellumo", "«%1» в атрибуте %2 не длина.");
inline constexpr char16_t not_integer[] = VL_TR("vellumo", "«%1» в атрибуте %2 не целое число.");
inline constexpr char16_t unknown_paper[] = VL_TR("vellumo", "Неизвестный размер бумаги «%1».");
inline constexpr char16_t unknown_shape[] = VL_TR("vellumo", "Неизвестная форма этикетки «%1».");
inline constexpr char16_t no_part[] = VL_TR("vellumo", "У листа нет названия.");
inline constexpr char16_t equiv_missing[] = VL_TR("vellumo", "Он повторяет лист %1, а такого нет.");
inline constexpr char16_t equiv_refused[] = VL_TR("vellumo", "Он повторяет лист %1, а тот не принят.");
inline constexpr char16_t bad_measure[] =
    VL_TR("vellumo", "Размеры «%1» должны быть 11 полями через точку с запятой: S или C и 10 неотрицательных чисел.");
inline constexpr char16_t bad_text[] =
    VL_TR("vellumo", "в названии, описании или бумаге листа есть управляющие символы или неверный UTF-8");
} // namespace sht_msg
