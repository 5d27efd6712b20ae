// The texts of printing and export, in one place: the formats are
// translated when filled, the plain texts where they are used (pl__tr).
#pragma once

#include "platform/translation.h"

namespace out_msg {
inline constexpr char16_t unknown_format[] = VL_TR("vellumo", "Неизвестный формат файла «%1»: программа сохраняет этикетки в %2.");
inline constexpr char16_t not_written[] = VL_TR("vellumo", "Файл «%1» не записан: %2.");
inline constexpr char16_t image_too_large[] = VL_TR("vellumo", "изображение %1 × %2 точек слишком велико, уменьшите разрешение");
inline constexpr char16_t cannot_create[] = VL_TR("vellumo", "не удалось создать файл в этой папке");
inline constexpr char16_t no_permission[] = VL_TR("vellumo", "нет прав на запись");
inline constexpr char16_t write_failed[] = VL_TR("vellumo", "ошибка записи (возможно, нет места на диске)");
inline constexpr char16_t is_folder[] = VL_TR("vellumo", "на этом месте папка с таким именем");
inline constexpr char16_t is_link[] = VL_TR("vellumo", "на этом месте символическая ссылка, а через ссылку файл не записывается (укажите сам файл)");
inline constexpr char16_t not_regular[] = VL_TR("vellumo", "на этом месте не обычный файл (устройство, канал или сокет)");
inline constexpr char16_t rename_failed[] = VL_TR("vellumo", "не удалось заменить прежний файл");
inline constexpr char16_t printer_failed[] = VL_TR("vellumo", "Принтер не принял страницу %1.");
inline constexpr char16_t row_problem[] = VL_TR("vellumo", "Строка %1: %2");
inline constexpr char16_t table_empty[] = VL_TR("vellumo", "В таблице нет ни одной строки с данными, печатать нечего.");
inline constexpr char16_t no_copies_column[] = VL_TR("vellumo", "В таблице нет столбца «%1», из которого берётся число копий.");
inline constexpr char16_t bad_copies[] = VL_TR("vellumo", "Строка %1: в столбце «%2» «%3» - не число копий; нужно целое число от 0 до 10000.");
inline constexpr char16_t no_copies[] = VL_TR("vellumo", "В столбце «%1» у всех строк 0 копий, печатать нечего.");
inline constexpr char16_t stopped[] = VL_TR("vellumo", "программа останавливается");
inline constexpr char16_t picture_not_placed[] = VL_TR("vellumo", "рисунок EPS не удалось вставить в PDF");
inline constexpr char16_t document_too_large[] = VL_TR("vellumo", "документ больше 256 МиБ");
inline constexpr char16_t cancelled[] = VL_TR("vellumo", "Остановлено: файл не записан.");
} // namespace out_msg
