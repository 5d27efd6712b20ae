// Every text the program shows in a message box, in one place (the label
// server's own log and fault texts are the server's).  The UTF-16 texts fill
// numbered placeholders (%1, %{1:04X}: see msc__fmt in misc.h); the narrow
// UTF-8 ones the XML-RPC client fills are printf formats.
#pragma once

#include "platform/version.h"

namespace msg {

// Captions.
inline constexpr char16_t caption_app[] = u"Vellumo " VELLUMO_VERSION;
inline constexpr char16_t caption_fatal[] = u"Vellumo: критическая ошибка!";
inline constexpr char16_t caption_error[] = u"Vellumo: ошибка!";
// Filled with caption_app and the fault code.
inline constexpr char16_t caption_fault[] = u"%1 | ошибка XMLRPC %2";
inline constexpr char16_t caption_call_fault[] = u"%1 | ошибка XMLRPC %2 при обращении к серверу";

// The fatal and error assertions: expression, module, line, system error code.
inline constexpr char16_t assertion_text[] =
    u"Внимание! Произошла критическая ошибка. Во избежание дальнейшей потери данных работа "
    u"программы будет немедленно остановлена.\n\nРезультат выражения %1 равен нулю.\n"
    u"Ошибка в файле %2, строка %3.\nОшибка ОС: %4\nВерсия программы " VELLUMO_VERSION "\n\n"
    u"Запишите эту информацию и обратитесь к разработчикам или техническому персоналу.\n\n";

// Pictures.
inline constexpr char16_t choose_picture_title[] = u"Укажите файл изображения";
inline constexpr char16_t filter_pictures[] = u"Изображения";
inline constexpr char16_t filter_pictures_patterns[] = u"*.EPS;*.EPSI;*.PNG;*.JPG;*.JPEG;*.SVG";
inline constexpr char16_t filter_eps[] = u"Embedded PostScript";
inline constexpr char16_t filter_eps_patterns[] = u"*.EPS;*.EPSI";
inline constexpr char16_t filter_png[] = u"PNG";
inline constexpr char16_t filter_png_patterns[] = u"*.PNG";
inline constexpr char16_t filter_jpeg[] = u"JPEG";
inline constexpr char16_t filter_jpeg_patterns[] = u"*.JPG;*.JPEG";
inline constexpr char16_t filter_svg[] = u"SVG";
inline constexpr char16_t filter_svg_patterns[] = u"*.SVG";
// A picture file that cannot be inserted: the file, why.
inline constexpr char16_t picture_refused[] = u"Изображение «%1» не вставлено: %2.";
inline constexpr char16_t filter_all[] = u"Все файлы";
inline constexpr char16_t filter_all_patterns[] = u"*.*";
inline constexpr char16_t picture_load_failed[] = u"Ошибка загрузки файла изображения '%1'!";
inline constexpr char16_t dialog_failed[] = u"Ошибка создания стандартного диалогового окна, код %1";

// Sizes and positions above the largest the editor takes (ELE_MAX_LABEL_SIZE,
// as an integer).
inline constexpr char16_t label_width_too_large[] = u"Ширина этикетки не может быть больше %1 пунктов!";
inline constexpr char16_t label_height_too_large[] = u"Высота этикетки не может быть больше %1 пунктов!";
inline constexpr char16_t element_width_too_large[] = u"Ширина элемента не может быть больше %1 пунктов!";
inline constexpr char16_t element_height_too_large[] = u"Высота элемента не может быть больше %1 пунктов!";
inline constexpr char16_t anchor_too_far[] = u"Точка крепления не может быть дальше %1 пунктов от края этикетки!";
inline constexpr char16_t font_size_too_large[] = u"Размер шрифта не может быть больше %1 пунктов";
inline constexpr char16_t thickness_too_large[] = u"Толщина не может быть больше %1 пунктов";

// Text in a number field that is no number.
inline constexpr char16_t element_width_not_number[] = u"Ширина элемента должна быть числом!";
inline constexpr char16_t element_height_not_number[] = u"Высота элемента должна быть числом!";
inline constexpr char16_t font_size_not_number[] = u"Размер шрифта должен быть числом";
inline constexpr char16_t shrink_size_not_number[] = u"Наименьший размер шрифта должен быть числом";
inline constexpr char16_t thickness_not_number[] = u"Толщина должна быть числом";
inline constexpr char16_t angle_not_number[] = u"Угол поворота должен быть числом (в градусах)!";

// Saving to a file in a folder that does not exist (the folder).
inline constexpr char16_t folder_missing[] = u"Папка «%1» не существует.\nПроверьте путь к файлу.";

// Questions of the frame and the open and save dialog.
inline constexpr char16_t ask_save_changes[] = u"Сохранить изменения в этикетке?";
inline constexpr char16_t ask_delete_elements[] = u"Вы действительно хотите удалить эти элементы?";
inline constexpr char16_t ask_delete_label[] = u"Удалить эту этикетку?";
// Saving onto a label the server already has (the name, the server).
inline constexpr char16_t ask_replace_label[] = u"Этикетка «%1» уже существует на сервере %2.\nЗаменить её?";

// The label options dialog.
inline constexpr char16_t label_width_wrong[] = u"Указана неправильная ширина!";
inline constexpr char16_t label_height_wrong[] = u"Указана неправильная высота!";
inline constexpr char16_t ask_move_elements[] =
    u"Некоторые элементы будут лежат за пределами этикетки, что недопустимо.\nСдвинуть элементы?";

// Values the properties panel refuses.
inline constexpr char16_t description_empty[] = u"Описание не может быть пустым";
inline constexpr char16_t anchor_outside[] = u"Точка крепления должна быть в границах этикетки";
inline constexpr char16_t element_width_negative[] = u"Ширина элемента не может быть отрицательной!";
inline constexpr char16_t element_height_negative[] = u"Высота элемента не может быть отрицательной!";
inline constexpr char16_t font_size_negative[] = u"Размер шрифта не может быть отрицательным";
inline constexpr char16_t shrink_size_negative[] = u"Наименьший размер шрифта не может быть отрицательным";
inline constexpr char16_t thickness_negative[] = u"Толщина не может быть отрицательной";
// A character the label cannot store (its code).
inline constexpr char16_t character_unstorable[] = u"Этот символ (U+%{1:04X}) нельзя сохранить в этикетке.";

// Faults of the server client itself, shown in the fault box like a
// server's (UTF-8: they travel as XML-RPC fault strings).
inline constexpr char fault_cancelled[] = "Сетевая операция отменена пользователем.";
inline constexpr char fault_no_connection[] = "Сервер не ответил на подключение за %d с."; // seconds
inline constexpr char fault_deadline[] = "Сервер не ответил за %d с: обращение прервано."; // seconds
inline constexpr char fault_busy[] = "Другая сетевая операция ещё не завершена.";
// A failure of the HTTP transport, in words; the library's own text follows
// in brackets.
inline constexpr char net_refused[] =
    "Сервер не принимает подключения: он не запущен или указан не тот адрес или порт.";
inline constexpr char net_host_unknown[] = "Сервер с таким именем не найден: проверьте адрес.";
inline constexpr char net_timeout[] = "Сервер не ответил вовремя.";
inline constexpr char net_tls[] = "Не удалось установить защищённое соединение (TLS) с сервером.";
inline constexpr char net_http_status[] = "Сервер ответил кодом HTTP %ld вместо ответа на вызов.";
inline constexpr char net_cut[] = "Соединение с сервером прервалось до конца ответа.";
inline constexpr char net_other[] = "Ошибка сети при обращении к серверу.";

// "Файл → Недавние": an entry that is gone (the path; the name, the server).
inline constexpr char16_t recent_file_gone[] =
    u"Файла «%1» больше нет.\nОн удалён из списка недавних этикеток.";
inline constexpr char16_t recent_server_unknown[] =
    u"Сервера %1 нет в списке серверов.\nДобавьте его в «Файл → Список серверов...», чтобы открыть этикетку «%2».";
inline constexpr char16_t recent_label_gone[] =
    u"Этикетки «%1» больше нет на сервере %2.\nОна удалена из списка недавних этикеток.";

// F1 with no web browser to open the manual in (the address).
inline constexpr char16_t no_browser[] =
    u"Не найден веб-браузер, чтобы открыть руководство.\n"
    u"Откройте этот адрес в браузере вручную:\n\n%1";

// A file that is no label file at all (the path).
inline constexpr char16_t not_label_file[] =
    u"Файл «%1» не является файлом этикетки.\n"
    u"Этикетки хранятся в файлах .lbl, которые записывает эта программа.";

// Labels.
inline constexpr char16_t label_io_error[] = u"Ошибка ввода/вывода при загрузке файла!";
// A label file that does not open: the path, then why.
inline constexpr char16_t label_file_unreadable[] = u"Файл этикетки «%1» не открыт: %2.";
// Before a fault's own text: the path.
inline constexpr char16_t label_file_not_read[] = u"Файл этикетки «%1» не прочитан. ";
inline constexpr char16_t label_file_refused[] =
    u"Файл этикетки «%1» не прочитан: в нём этикетка с неверными размерами или полями.";
// Before a fault's own text: the label's name.
inline constexpr char16_t label_not_saved[] = u"Этикетка «%1» не сохранена. ";
// A label whose document would be past what the program reads back: its
// name, its size in MiB (text), the limit in MiB.
inline constexpr char16_t label_too_large[] =
    u"Этикетка «%1» заняла бы %2 МиБ, больше допустимых %3 МиБ: такую этикетку нельзя прочитать снова. "
    u"Уменьшите или уберите изображения.";
// A picture the label has no room for: the file, its size and the room left
// (MiB, as text), the limit of a label (MiB).
inline constexpr char16_t picture_too_large[] =
    u"Изображение «%1» не вставлено: в нём %2 МиБ, а этикетке осталось места на %3 МиБ. "
    u"Этикетку больше %4 МиБ программа не может сохранить в файл или передать на сервер.";
inline constexpr char16_t label_load_error[] = u"Ошибка загрузки этикетки!";
inline constexpr char16_t label_save_error[] = u"Ошибка сохранения этикетки!";

// Text that XML-RPC cannot carry: where it is, then the character.
inline constexpr char16_t unsavable_text[] =
    u"Этикетку нельзя сохранить: %1 содержит символ U+%{2:04X}, который не может быть записан.";
inline constexpr char16_t where_label_name[] = u"название этикетки";
inline constexpr char16_t where_label_desc[] = u"описание этикетки";
inline constexpr char16_t where_element_desc[] = u"описание элемента %1";
inline constexpr char16_t where_element_text[] = u"текст элемента %1 «%2»";
inline constexpr char16_t where_element_font[] = u"шрифт элемента %1 «%2»";
inline constexpr char16_t where_element_code[] = u"данные штрих-кода элемента %1 «%2»";

// Numbers that are not finite (infinity, NaN): where, then the value.
inline constexpr char16_t unsavable_number[] =
    u"Этикетку нельзя сохранить: %1 — не конечное число (%2).";
inline constexpr char16_t where_label_width[] = u"ширина этикетки";
inline constexpr char16_t where_label_sheet[] = u"размер или отступ листа этикеток";
inline constexpr char16_t where_label_sheet_name[] = u"название листа этикеток";
// A label file's sheet that is not taken: the label opens without it.
inline constexpr char16_t label_sheet_dropped[] =
    u"Лист этикеток в файле «%1» не прочитан. %2 Этикетка открыта без листа.";
inline constexpr char16_t sheet_dropped[] = u"Лист этикеток не прочитан. %1 Этикетка открыта без листа.";
inline constexpr char16_t sheet_fields_wrong[] = u"В его описании неверные или недостающие поля.";
inline constexpr char16_t where_label_height[] = u"высота этикетки";
inline constexpr char16_t where_element_x[] = u"координата X элемента %1 «%2»";
inline constexpr char16_t where_element_y[] = u"координата Y элемента %1 «%2»";
inline constexpr char16_t where_element_angle[] = u"угол поворота элемента %1 «%2»";
inline constexpr char16_t where_element_width[] = u"ширина элемента %1 «%2»";
inline constexpr char16_t where_element_height[] = u"высота элемента %1 «%2»";
inline constexpr char16_t where_element_font_size[] = u"размер шрифта элемента %1 «%2»";
inline constexpr char16_t where_element_thickness[] = u"толщина линии элемента %1 «%2»";

// Parameters of a server call that XML-RPC cannot carry.
inline constexpr char16_t unsendable_text[] =
    u"Невозможно обратиться к серверу: %1 содержит символ U+%{2:04X}, который не может быть передан.";
inline constexpr char16_t where_user[] = u"имя пользователя";
inline constexpr char16_t where_password[] = u"пароль";
inline constexpr char16_t where_label_name_param[] = u"имя этикетки";
inline constexpr char16_t where_new_name_param[] = u"новое имя этикетки";
inline constexpr char16_t where_variable_name[] = u"имя переменной «%1»";
inline constexpr char16_t where_variable_value[] = u"значение переменной «%1»";

// Settings that could not be written: the file, then the reason.
inline constexpr char16_t settings_write_failed[] =
    u"Не удалось сохранить настройки в файл «%1»: %2.\n\n"
    u"Программа продолжит работу; прежний файл настроек не изменён.";
inline constexpr char16_t settings_reason_lock[] =
    u"файл занят другой программой (ожидание блокировки дольше %1 с)";
inline constexpr char16_t settings_reason_unreadable[] = u"существующий файл не удалось прочитать (%1)";
inline constexpr char16_t settings_reason_no_space[] = u"на диске нет свободного места";
inline constexpr char16_t settings_reason_denied[] = u"нет прав на запись";
inline constexpr char16_t settings_reason_read_only[] = u"файловая система доступна только для чтения";
inline constexpr char16_t settings_reason_not_folder[] = u"на месте папки находится файл";
inline constexpr char16_t settings_reason_is_folder[] = u"на месте файла находится папка";
inline constexpr char16_t settings_reason_too_big[] = u"файл слишком велик";
inline constexpr char16_t settings_reason_quota[] = u"превышена дисковая квота";
inline constexpr char16_t settings_reason_other[] = u"системная ошибка %1 (%2)";
// Text the settings file cannot hold: the value's name, the code unit.
inline constexpr char16_t settings_bad_text[] =
    u"значение «%1» содержит непарный суррогатный символ U+%{2:04X}, который нельзя записать";

inline constexpr char16_t settings_bad_list[] =
    u"список «%1» нельзя записать: в нём одна пустая строка или строка с символом NUL";

// Shown where a server gives no value.
inline constexpr char16_t not_specified[] = u"(не указано)";

// Preview.
inline constexpr char16_t preview_save_question[] = u"Сохранить?";
inline constexpr char16_t preview_save_to_server[] = u"Сохраните этикетку на сервер.\n";
inline constexpr char16_t preview_jpeg_error[] = u"Ошибка декодирования изображения JPEG!\n";
inline constexpr char16_t preview_jpeg_partial[] =
    u"Изображение JPEG пришло не полностью: показана полученная часть.\n";

// Tables of data (CSV) for printing many labels; %1 is the line of the file.
inline constexpr char16_t csv_unreadable[] = u"Файл таблицы не читается: %1.";
inline constexpr char16_t csv_too_large[] = u"Файл таблицы больше 1 ГиБ: такие таблицы программа не читает.";
inline constexpr char16_t csv_no_header[] =
    u"В таблице нет ни одной строки: первая строка должна называть столбцы.";
inline constexpr char16_t csv_utf16[] =
    u"Таблица записана в UTF-16: сохраните её как CSV в кодировке UTF-8 или Windows-1251.";
inline constexpr char16_t csv_binary[] = u"Строка %1: в файле двоичные данные, это не таблица CSV.";
inline constexpr char16_t csv_unterminated_quote[] =
    u"Строка %1: кавычка, открытая в этой строке, не закрыта до конца файла.";
inline constexpr char16_t csv_too_many_cells[] = u"Строка %1: ячеек %2, а столбцов в заголовке %3.";
inline constexpr char16_t csv_record_too_long[] = u"Строка %1: строка таблицы длиннее 16 МиБ.";
inline constexpr char16_t csv_too_many_columns[] = u"Строка %1: столбцов больше 10000.";
inline constexpr char16_t csv_duplicate_column[] = u"Строка %1: столбец «%2» назван дважды.";
inline constexpr char16_t csv_counter_column[] =
    u"Строка %1: столбец «%2» назван с «#», а такие имена заняты счётчиками (${#}, ${#row}, ${#date}, "
    u"${#time}); переименуйте столбец.";
inline constexpr char16_t csv_text_after_quote[] =
    u"Строка %1: после закрывающей кавычки ячейки идёт текст. Кавычка внутри ячейки в кавычках "
    u"записывается двумя кавычками (\"\").";
// The line, the encoding (and the line that set it).
inline constexpr char16_t csv_bad_bytes[] =
    u"Строка %1: байты, недопустимые в кодировке %2. Таблица записана в другой кодировке.";
inline constexpr char16_t csv_mixed_encodings[] =
    u"Строка %1: текст не в кодировке %2, в которой записана строка %3: в таблице смешаны кодировки. "
    u"Сохраните таблицу целиком в UTF-8 или в Windows-1251.";
inline constexpr char16_t csv_changed[] = u"Строка %1: файл таблицы изменился во время работы.";

} // namespace msg
