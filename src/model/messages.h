// Every text the program shows in a message box, in one place (the label
// server's own log and fault texts are the server's).  The UTF-16 texts fill
// numbered placeholders (%1, %{1:04X}: see msc__fmt in misc.h); the narrow
// UTF-8 ones the XML-RPC client fills are printf formats.
#pragma once

#include "platform/translation.h"
#include "platform/version.h"

namespace msg {

// Captions.
inline constexpr char16_t caption_app[] = u"Vellumo " VELLUMO_VERSION;
inline constexpr char16_t caption_fatal[] = VL_TR("vellumo", "Vellumo: критическая ошибка!");
inline constexpr char16_t caption_error[] = VL_TR("vellumo", "Vellumo: ошибка!");
// Filled with caption_app and the fault code.
inline constexpr char16_t caption_fault[] = VL_TR("vellumo", "%1 | ошибка XMLRPC %2");
inline constexpr char16_t caption_call_fault[] = VL_TR("vellumo", "%1 | ошибка XMLRPC %2 при обращении к серверу");

// The fatal and error assertions: expression, module, line, system error
// code, the program's version.
inline constexpr char16_t assertion_text[] =
    VL_TR("vellumo", "Внимание! Произошла критическая ошибка. Во избежание дальнейшей потери данных работа "
    "программы будет немедленно остановлена.\n\nРезультат выражения %1 равен нулю.\n"
    "Ошибка в файле %2, строка %3.\nОшибка ОС: %4\nВерсия программы %5\n\n"
    "Запишите эту информацию и обратитесь к разработчикам или техническому персоналу.\n\n");

// Pictures.
inline constexpr char16_t choose_picture_title[] = VL_TR("vellumo", "Укажите файл изображения");
inline constexpr char16_t filter_pictures[] = VL_TR("vellumo", "Изображения");
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
inline constexpr char16_t picture_refused[] = VL_TR("vellumo", "Изображение «%1» не вставлено: %2.");
inline constexpr char16_t filter_all[] = VL_TR("vellumo", "Все файлы");
inline constexpr char16_t filter_all_patterns[] = u"*.*";
inline constexpr char16_t picture_load_failed[] = VL_TR("vellumo", "Ошибка загрузки файла изображения '%1'!");
inline constexpr char16_t dialog_failed[] = VL_TR("vellumo", "Ошибка создания стандартного диалогового окна, код %1");

// Sizes and positions above the largest the editor takes (ELE_MAX_LABEL_SIZE,
// as an integer).
inline constexpr char16_t label_width_too_large[] = VL_TR("vellumo", "Ширина этикетки не может быть больше %1 пунктов!");
inline constexpr char16_t label_height_too_large[] = VL_TR("vellumo", "Высота этикетки не может быть больше %1 пунктов!");
inline constexpr char16_t element_width_too_large[] = VL_TR("vellumo", "Ширина элемента не может быть больше %1 пунктов!");
inline constexpr char16_t element_height_too_large[] = VL_TR("vellumo", "Высота элемента не может быть больше %1 пунктов!");
inline constexpr char16_t anchor_too_far[] = VL_TR("vellumo", "Точка крепления не может быть дальше %1 пунктов от края этикетки!");
inline constexpr char16_t font_size_too_large[] = VL_TR("vellumo", "Размер шрифта не может быть больше %1 пунктов");
inline constexpr char16_t thickness_too_large[] = VL_TR("vellumo", "Толщина не может быть больше %1 пунктов");

// Text in a number field that is no number.
inline constexpr char16_t element_width_not_number[] = VL_TR("vellumo", "Ширина элемента должна быть числом!");
inline constexpr char16_t element_height_not_number[] = VL_TR("vellumo", "Высота элемента должна быть числом!");
inline constexpr char16_t font_size_not_number[] = VL_TR("vellumo", "Размер шрифта должен быть числом");
inline constexpr char16_t shrink_size_not_number[] = VL_TR("vellumo", "Наименьший размер шрифта должен быть числом");
inline constexpr char16_t thickness_not_number[] = VL_TR("vellumo", "Толщина должна быть числом");
inline constexpr char16_t angle_not_number[] = VL_TR("vellumo", "Угол поворота должен быть числом (в градусах)!");

// Saving to a file in a folder that does not exist (the folder).
inline constexpr char16_t folder_missing[] = VL_TR("vellumo", "Папка «%1» не существует.\nПроверьте путь к файлу.");

// Questions of the frame and the open and save dialog.
inline constexpr char16_t ask_save_changes[] = VL_TR("vellumo", "Сохранить изменения в этикетке?");
inline constexpr char16_t ask_delete_elements[] = VL_TR("vellumo", "Вы действительно хотите удалить эти элементы?");
inline constexpr char16_t ask_delete_label[] = VL_TR("vellumo", "Удалить эту этикетку?");
// Saving onto a label the server already has (the name, the server).
inline constexpr char16_t ask_replace_label[] = VL_TR("vellumo", "Этикетка «%1» уже существует на сервере %2.\nЗаменить её?");

// The label options dialog.
inline constexpr char16_t label_width_wrong[] = VL_TR("vellumo", "Указана неправильная ширина!");
inline constexpr char16_t label_height_wrong[] = VL_TR("vellumo", "Указана неправильная высота!");
inline constexpr char16_t ask_move_elements[] =
    VL_TR("vellumo", "Некоторые элементы будут лежат за пределами этикетки, что недопустимо.\nСдвинуть элементы?");

// Values the properties panel refuses.
inline constexpr char16_t description_empty[] = VL_TR("vellumo", "Описание не может быть пустым");
inline constexpr char16_t anchor_outside[] = VL_TR("vellumo", "Точка крепления должна быть в границах этикетки");
inline constexpr char16_t element_width_negative[] = VL_TR("vellumo", "Ширина элемента не может быть отрицательной!");
inline constexpr char16_t element_height_negative[] = VL_TR("vellumo", "Высота элемента не может быть отрицательной!");
inline constexpr char16_t font_size_negative[] = VL_TR("vellumo", "Размер шрифта не может быть отрицательным");
inline constexpr char16_t shrink_size_negative[] = VL_TR("vellumo", "Наименьший размер шрифта не может быть отрицательным");
inline constexpr char16_t thickness_negative[] = VL_TR("vellumo", "Толщина не может быть отрицательной");
// A character the label cannot store (its code).
inline constexpr char16_t character_unstorable[] = VL_TR("vellumo", "Этот символ (U+%{1:04X}) нельзя сохранить в этикетке.");

// Faults of the server client itself, shown in the fault box like a
// server's (UTF-8: they travel as XML-RPC fault strings).
inline constexpr char fault_cancelled[] = VL_TR8("vellumo", "Сетевая операция отменена пользователем.");
inline constexpr char fault_no_connection[] = VL_TR8("vellumo", "Сервер не ответил на подключение за %d с."); // seconds
inline constexpr char fault_deadline[] = VL_TR8("vellumo", "Сервер не ответил за %d с: обращение прервано."); // seconds
inline constexpr char fault_busy[] = VL_TR8("vellumo", "Другая сетевая операция ещё не завершена.");
// A failure of the HTTP transport, in words; the library's own text follows
// in brackets.
inline constexpr char net_refused[] =
    VL_TR8("vellumo", "Сервер не принимает подключения: он не запущен или указан не тот адрес или порт.");
inline constexpr char net_host_unknown[] = VL_TR8("vellumo", "Сервер с таким именем не найден: проверьте адрес.");
inline constexpr char net_timeout[] = VL_TR8("vellumo", "Сервер не ответил вовремя.");
inline constexpr char net_tls[] = VL_TR8("vellumo", "Не удалось установить защищённое соединение (TLS) с сервером.");
inline constexpr char net_http_status[] = VL_TR8("vellumo", "Сервер ответил кодом HTTP %ld вместо ответа на вызов.");
inline constexpr char net_cut[] = VL_TR8("vellumo", "Соединение с сервером прервалось до конца ответа.");
inline constexpr char net_other[] = VL_TR8("vellumo", "Ошибка сети при обращении к серверу.");

// "Файл → Недавние": an entry that is gone (the path; the name, the server).
inline constexpr char16_t recent_file_gone[] =
    VL_TR("vellumo", "Файла «%1» больше нет.\nОн удалён из списка недавних этикеток.");
inline constexpr char16_t recent_server_unknown[] =
    VL_TR("vellumo", "Сервера %1 нет в списке серверов.\nДобавьте его в «Файл → Список серверов...», чтобы открыть этикетку «%2».");
inline constexpr char16_t recent_label_gone[] =
    VL_TR("vellumo", "Этикетки «%1» больше нет на сервере %2.\nОна удалена из списка недавних этикеток.");

// F1 with no web browser to open the manual in (the address).
inline constexpr char16_t no_browser[] =
    VL_TR("vellumo", "Не найден веб-браузер, чтобы открыть руководство.\n"
    "Откройте этот адрес в браузере вручную:\n\n%1");

// A file that is no label file at all (the path).
inline constexpr char16_t not_label_file[] =
    VL_TR("vellumo", "Файл «%1» не является файлом этикетки.\n"
    "Этикетки хранятся в файлах .lbl, которые записывает эта программа.");

// Labels.
inline constexpr char16_t label_io_error[] = VL_TR("vellumo", "Ошибка ввода/вывода при загрузке файла!");
// A label file that does not open: the path, then why.
inline constexpr char16_t label_file_unreadable[] = VL_TR("vellumo", "Файл этикетки «%1» не открыт: %2.");
// Before a fault's own text: the path.
inline constexpr char16_t label_file_not_read[] = VL_TR("vellumo", "Файл этикетки «%1» не прочитан. ");
inline constexpr char16_t label_file_refused[] =
    VL_TR("vellumo", "Файл этикетки «%1» не прочитан: в нём этикетка с неверными размерами или полями.");
// Before a fault's own text: the label's name.
inline constexpr char16_t label_not_saved[] = VL_TR("vellumo", "Этикетка «%1» не сохранена. ");
// A label whose document would be past what the program reads back: its
// name, its size in MiB (text), the limit in MiB.
inline constexpr char16_t label_too_large[] =
    VL_TR("vellumo", "Этикетка «%1» заняла бы %2 МиБ, больше допустимых %3 МиБ: такую этикетку нельзя прочитать снова. "
    "Уменьшите или уберите изображения.");
// A picture the label has no room for: the file, its size and the room left
// (MiB, as text), the limit of a label (MiB).
inline constexpr char16_t picture_too_large[] =
    VL_TR("vellumo", "Изображение «%1» не вставлено: в нём %2 МиБ, а этикетке осталось места на %3 МиБ. "
    "Этикетку больше %4 МиБ программа не может сохранить в файл или передать на сервер.");
inline constexpr char16_t label_load_error[] = VL_TR("vellumo", "Ошибка загрузки этикетки!");
inline constexpr char16_t label_save_error[] = VL_TR("vellumo", "Ошибка сохранения этикетки!");

// Text that XML-RPC cannot carry: where it is, then the character.
inline constexpr char16_t unsavable_text[] =
    VL_TR("vellumo", "Этикетку нельзя сохранить: %1 содержит символ U+%{2:04X}, который не может быть записан.");
inline constexpr char16_t where_label_name[] = VL_TR("vellumo", "название этикетки");
inline constexpr char16_t where_label_desc[] = VL_TR("vellumo", "описание этикетки");
inline constexpr char16_t where_element_desc[] = VL_TR("vellumo", "описание элемента %1");
inline constexpr char16_t where_element_text[] = VL_TR("vellumo", "текст элемента %1 «%2»");
inline constexpr char16_t where_element_font[] = VL_TR("vellumo", "шрифт элемента %1 «%2»");
inline constexpr char16_t where_element_code[] = VL_TR("vellumo", "данные штрих-кода элемента %1 «%2»");

// Numbers that are not finite (infinity, NaN): where, then the value.
inline constexpr char16_t unsavable_number[] =
    VL_TR("vellumo", "Этикетку нельзя сохранить: %1 — не конечное число (%2).");
inline constexpr char16_t where_label_width[] = VL_TR("vellumo", "ширина этикетки");
inline constexpr char16_t where_label_sheet[] = VL_TR("vellumo", "размер или отступ листа этикеток");
inline constexpr char16_t where_label_sheet_name[] = VL_TR("vellumo", "название листа этикеток");
// A label file's sheet that is not taken: the label opens without it.
inline constexpr char16_t label_sheet_dropped[] =
    VL_TR("vellumo", "Лист этикеток в файле «%1» не прочитан. %2 Этикетка открыта без листа.");
inline constexpr char16_t sheet_dropped[] = VL_TR("vellumo", "Лист этикеток не прочитан. %1 Этикетка открыта без листа.");
inline constexpr char16_t sheet_fields_wrong[] = VL_TR("vellumo", "В его описании неверные или недостающие поля.");
inline constexpr char16_t where_label_height[] = VL_TR("vellumo", "высота этикетки");
inline constexpr char16_t where_element_x[] = VL_TR("vellumo", "координата X элемента %1 «%2»");
inline constexpr char16_t where_element_y[] = VL_TR("vellumo", "координата Y элемента %1 «%2»");
inline constexpr char16_t where_element_angle[] = VL_TR("vellumo", "угол поворота элемента %1 «%2»");
inline constexpr char16_t where_element_width[] = VL_TR("vellumo", "ширина элемента %1 «%2»");
inline constexpr char16_t where_element_height[] = VL_TR("vellumo", "высота элемента %1 «%2»");
inline constexpr char16_t where_element_font_size[] = VL_TR("vellumo", "размер шрифта элемента %1 «%2»");
inline constexpr char16_t where_element_thickness[] = VL_TR("vellumo", "толщина линии элемента %1 «%2»");

// Parameters of a server call that XML-RPC cannot carry.
inline constexpr char16_t unsendable_text[] =
    VL_TR("vellumo", "Невозможно обратиться к серверу: %1 содержит символ U+%{2:04X}, который не может быть передан.");
inline constexpr char16_t where_user[] = VL_TR("vellumo", "имя пользователя");
inline constexpr char16_t where_password[] = VL_TR("vellumo", "пароль");
inline constexpr char16_t where_label_name_param[] = VL_TR("vellumo", "имя этикетки");
inline constexpr char16_t where_new_name_param[] = VL_TR("vellumo", "новое имя этикетки");
inline constexpr char16_t where_variable_name[] = VL_TR("vellumo", "имя переменной «%1»");
inline constexpr char16_t where_variable_value[] = VL_TR("vellumo", "значение переменной «%1»");

// Settings that could not be written: the file, then the reason.
inline constexpr char16_t settings_write_failed[] =
    VL_TR("vellumo", "Не удалось сохранить настройки в файл «%1»: %2.\n\n"
    "Программа продолжит работу; прежний файл настроек не изменён.");
inline constexpr char16_t settings_reason_lock[] =
    VL_TR("vellumo", "файл занят другой программой (ожидание блокировки дольше %1 с)");
inline constexpr char16_t settings_reason_unreadable[] = VL_TR("vellumo", "существующий файл не удалось прочитать (%1)");
inline constexpr char16_t settings_reason_no_space[] = VL_TR("vellumo", "на диске нет свободного места");
inline constexpr char16_t settings_reason_denied[] = VL_TR("vellumo", "нет прав на запись");
inline constexpr char16_t settings_reason_read_only[] = VL_TR("vellumo", "файловая система доступна только для чтения");
inline constexpr char16_t settings_reason_not_folder[] = VL_TR("vellumo", "на месте папки находится файл");
inline constexpr char16_t settings_reason_is_folder[] = VL_TR("vellumo", "на месте файла находится папка");
inline constexpr char16_t settings_reason_too_big[] = VL_TR("vellumo", "файл слишком велик");
inline constexpr char16_t settings_reason_quota[] = VL_TR("vellumo", "превышена дисковая квота");
inline constexpr char16_t settings_reason_other[] = VL_TR("vellumo", "системная ошибка %1 (%2)");
// Text the settings file cannot hold: the value's name, the code unit.
inline constexpr char16_t settings_bad_text[] =
    VL_TR("vellumo", "значение «%1» содержит непарный суррогатный символ U+%{2:04X}, который нельзя записать");

inline constexpr char16_t settings_bad_list[] =
    VL_TR("vellumo", "список «%1» нельзя записать: в нём одна пустая строка или строка с символом NUL");

// Shown where a server gives no value.
inline constexpr char16_t not_specified[] = VL_TR("vellumo", "(не указано)");

// Preview.
inline constexpr char16_t preview_save_question[] = VL_TR("vellumo", "Сохранить?");
inline constexpr char16_t preview_save_to_server[] = VL_TR("vellumo", "Сохраните этикетку на сервер.\n");
inline constexpr char16_t preview_jpeg_error[] = VL_TR("vellumo", "Ошибка декодирования изображения JPEG!\n");
inline constexpr char16_t preview_jpeg_partial[] =
    VL_TR("vellumo", "Изображение JPEG пришло не полностью: показана полученная часть.\n");

// Tables of data (CSV) for printing many labels; %1 is the line of the file.
inline constexpr char16_t csv_unreadable[] = VL_TR("vellumo", "Файл таблицы не читается: %1.");
inline constexpr char16_t csv_too_large[] = VL_TR("vellumo", "Файл таблицы больше 1 ГиБ: такие таблицы программа не читает.");
inline constexpr char16_t csv_no_header[] =
    VL_TR("vellumo", "В таблице нет ни одной строки: первая строка должна называть столбцы.");
inline constexpr char16_t csv_utf16[] =
    VL_TR("vellumo", "Таблица записана в UTF-16: сохраните её как CSV в кодировке UTF-8 или Windows-1251.");
inline constexpr char16_t csv_binary[] = VL_TR("vellumo", "Строка %1: в файле двоичные данные, это не таблица CSV.");
inline constexpr char16_t csv_unterminated_quote[] =
    VL_TR("vellumo", "Строка %1: кавычка, открытая в этой строке, не закрыта до конца файла.");
inline constexpr char16_t csv_too_many_cells[] = VL_TR("vellumo", "Строка %1: ячеек %2, а столбцов в заголовке %3.");
inline constexpr char16_t csv_record_too_long[] = VL_TR("vellumo", "Строка %1: строка таблицы длиннее 16 МиБ.");
inline constexpr char16_t csv_too_many_columns[] = VL_TR("vellumo", "Строка %1: столбцов больше 10000.");
inline constexpr char16_t csv_duplicate_column[] = VL_TR("vellumo", "Строка %1: столбец «%2» назван дважды.");
inline constexpr char16_t csv_counter_column[] =
    VL_TR("vellumo", "Строка %1: столбец «%2» назван с «#», а такие имена заняты счётчиками (${#}, ${#row}, ${#date}, "
    "${#time}); переименуйте столбец.");
inline constexpr char16_t csv_text_after_quote[] =
    VL_TR("vellumo", "Строка %1: после закрывающей кавычки ячейки идёт текст. Кавычка внутри ячейки в кавычках "
    "записывается двумя кавычками (\"\").");
// The line, the encoding (and the line that set it).
inline constexpr char16_t csv_bad_bytes[] =
    VL_TR("vellumo", "Строка %1: байты, недопустимые в кодировке %2. Таблица записана в другой кодировке.");
inline constexpr char16_t csv_mixed_encodings[] =
    VL_TR("vellumo", "Строка %1: текст не в кодировке %2, в которой записана строка %3: в таблице смешаны кодировки. "
    "Сохраните таблицу целиком в UTF-8 или в Windows-1251.");
inline constexpr char16_t csv_changed[] = VL_TR("vellumo", "Строка %1: файл таблицы изменился во время работы.");

} // namespace msg
