// The texts of printing and export, in one place.
#pragma once

namespace out_msg {
inline constexpr char16_t unknown_format[] =
    u"Неизвестный формат файла «%1»: программа сохраняет этикетки в %2.";
inline constexpr char16_t not_written[] = u"Файл «%1» не записан: %2.";
inline constexpr char16_t image_too_large[] =
    u"изображение %1 × %2 точек слишком велико, уменьшите разрешение";
inline constexpr char16_t cannot_create[] = u"не удалось создать файл в этой папке";
inline constexpr char16_t no_permission[] = u"нет прав на запись";
inline constexpr char16_t write_failed[] = u"ошибка записи (возможно, нет места на диске)";
inline constexpr char16_t is_folder[] = u"на этом месте папка с таким именем";
inline constexpr char16_t is_link[] =
    u"на этом месте символическая ссылка, а через ссылку файл не записывается (укажите сам файл)";
inline constexpr char16_t not_regular[] = u"на этом месте не обычный файл (устройство, канал или сокет)";
inline constexpr char16_t rename_failed[] = u"не удалось заменить прежний файл";
inline constexpr char16_t printer_failed[] = u"Принтер не принял страницу %1.";
inline constexpr char16_t row_problem[] = u"Строка %1: %2";
inline constexpr char16_t table_empty[] = u"В таблице нет ни одной строки с данными, печатать нечего.";
inline constexpr char16_t no_copies_column[] = u"В таблице нет столбца «%1», из которого берётся число копий.";
inline constexpr char16_t bad_copies[] =
    u"Строка %1: в столбце «%2» «%3» - не число копий; нужно целое число от 0 до 10000.";
inline constexpr char16_t no_copies[] = u"В столбце «%1» у всех строк 0 копий, печатать нечего.";
inline constexpr char16_t stopped[] = u"программа останавливается";
inline constexpr char16_t picture_not_placed[] = u"рисунок EPS не удалось вставить в PDF";
inline constexpr char16_t document_too_large[] = u"документ больше 256 МиБ";
inline constexpr char16_t cancelled[] = u"Остановлено: файл не записан.";
} // namespace out_msg
