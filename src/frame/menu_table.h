// The frame's menu and its accelerator table, as data.  Menu items show
// their key hint after a tab and register no shortcut: keys are routed by
// the application's event filter through the accelerator table, in table
// order, the first match winning.
#pragma once

#include <Qt>

#include "hub/commands.h"
#include "platform/translation.h"

struct menu_row {
    int depth;              // 0: a popup of the menu bar, 1: its item, 2: an item of a submenu
    int command;            // 0 for a popup or a submenu, -1 for a separator
    const char16_t *text;   // with & for the mnemonic
    const char16_t *hint;   // the key hint, or null
};

inline constexpr menu_row frame_menu[] = {
    {0, 0, VL_TR("vellumo", "&Файл"), nullptr},
    {1, cmd::new_label, VL_TR("vellumo", "Созд&ать"), u"Ctrl+N"},
    {1, cmd::open, VL_TR("vellumo", "&Открыть..."), u"Ctrl+O"},
    {1, cmd::recent_files, VL_TR("vellumo", "&Недавние"), nullptr}, // filled from the settings when opened
    {1, cmd::save, VL_TR("vellumo", "&Сохранить"), u"Ctrl+S"},
    {1, cmd::save_as, VL_TR("vellumo", "Сохранить &как..."), u"Ctrl+Shift+S"},
    {1, -1, nullptr, nullptr},
    {1, cmd::print, VL_TR("vellumo", "Пе&чать..."), u"Ctrl+Shift+P"},
    {1, cmd::print_batch, VL_TR("vellumo", "Печать с данн&ыми..."), nullptr},
    {1, cmd::export_label, VL_TR("vellumo", "Экспо&рт..."), nullptr},
    {1, cmd::export_batch, VL_TR("vellumo", "Экспорт с &данными..."), nullptr},
    {1, -1, nullptr, nullptr},
    {1, cmd::label_properties, VL_TR("vellumo", "Свойства &этикетки..."), u"Ctrl+P"},
    {1, -1, nullptr, nullptr},
    {1, cmd::options, VL_TR("vellumo", "Нас&тройка..."), u"Ctrl+M"},
    {1, cmd::server_list, VL_TR("vellumo", "С&писок серверов..."), u"Ctrl+W"},
    {1, -1, nullptr, nullptr},
    {1, cmd::close, VL_TR("vellumo", "&Закрыть"), nullptr},
    {0, 0, VL_TR("vellumo", "&Правка"), nullptr},
    {1, cmd::undo, VL_TR("vellumo", "&Отменить"), u"Ctrl+Z"},
    {1, cmd::redo, VL_TR("vellumo", "&Повторить"), u"Ctrl+Y"},
    {1, -1, nullptr, nullptr},
    {1, cmd::cut, VL_TR("vellumo", "&Вырезать"), u"Ctrl+X"},
    {1, cmd::copy, VL_TR("vellumo", "&Копировать"), u"Ctrl+C"},
    {1, cmd::paste, VL_TR("vellumo", "Вст&авить"), u"Ctrl+V"},
    {1, cmd::remove, VL_TR("vellumo", "&Удалить"), u"Del"},
    {1, -1, nullptr, nullptr},
    {1, cmd::select_all, VL_TR("vellumo", "Выделить всё"), u"Ctrl+A"},
    {1, -1, nullptr, nullptr},
    {1, cmd::disable, VL_TR("vellumo", "О&тключить элементы"), u"Ctrl+K"},
    {1, cmd::enable, VL_TR("vellumo", "Вк&лючить элементы"), u"Ctrl+L"},
    {1, 0, VL_TR("vellumo", "Повернуть"), nullptr},
    {2, cmd::rotate_0, VL_TR("vellumo", "0 градусов"), nullptr},
    {2, cmd::rotate_90, VL_TR("vellumo", "90 градусов"), nullptr},
    {2, cmd::rotate_180, VL_TR("vellumo", "180 градусов"), nullptr},
    {2, cmd::rotate_270, VL_TR("vellumo", "270 градусов"), nullptr},
    {1, -1, nullptr, nullptr},
    {1, 0, VL_TR("vellumo", "Поднять"), nullptr},
    {2, cmd::raise, VL_TR("vellumo", "Выше"), VL_TR("vellumo", "Ctrl+Вверх")},
    {2, cmd::raise_to_top, VL_TR("vellumo", "На самый верх"), nullptr},
    {1, 0, VL_TR("vellumo", "Опустить"), nullptr},
    {2, cmd::lower, VL_TR("vellumo", "Ниже"), VL_TR("vellumo", "Ctrl+Вниз")},
    {2, cmd::lower_to_bottom, VL_TR("vellumo", "На самый низ"), nullptr},
    {1, -1, nullptr, nullptr},
    {1, 0, VL_TR("vellumo", "Выровнять по ведущему элементу"), nullptr},
    {2, cmd::align_right, VL_TR("vellumo", "По горизонтали по правому краю"), nullptr},
    {2, cmd::align_left, VL_TR("vellumo", "По горизонтали по левому краю"), nullptr},
    {2, cmd::align_hcenter, VL_TR("vellumo", "По горизонтали по центру"), nullptr},
    {2, -1, nullptr, nullptr},
    {2, cmd::align_top, VL_TR("vellumo", "По вертикали по верху"), nullptr},
    {2, cmd::align_bottom, VL_TR("vellumo", "По вертикали по низу"), nullptr},
    {2, cmd::align_vcenter, VL_TR("vellumo", "По вертикали по центру"), nullptr},
    {1, 0, VL_TR("vellumo", "Сделать как у ведущего элемента"), nullptr},
    {2, cmd::same_width, VL_TR("vellumo", "Ширину"), nullptr},
    {2, cmd::same_height, VL_TR("vellumo", "Высоту"), nullptr},
    {2, cmd::same_size, VL_TR("vellumo", "Ширину и высоту"), nullptr},
    {1, 0, VL_TR("vellumo", "Расположить на одинаковом расстоянии"), nullptr},
    {2, cmd::distribute_h, VL_TR("vellumo", "По горизонтали"), nullptr},
    {2, cmd::distribute_v, VL_TR("vellumo", "По вертикали"), nullptr},
    {0, 0, VL_TR("vellumo", "&Вид"), nullptr},
    {1, cmd::zoom_in, VL_TR("vellumo", "&Приблизить"), u"+"},
    {1, cmd::zoom_out, VL_TR("vellumo", "&Отдалить"), u"-"},
    {1, cmd::zoom_fit, VL_TR("vellumo", "По &размеру окна"), u"Ctrl+0"},
    {1, 0, VL_TR("vellumo", "Масштаб"), nullptr},
    {2, 40067, u"10%", nullptr},
    {2, 40068, u"25%", nullptr},
    {2, 40069, u"33%", nullptr},
    {2, 40070, u"50%", nullptr},
    {2, 40071, u"75%", nullptr},
    {2, 40072, u"100%", u"="},
    {2, 40073, u"150%", nullptr},
    {2, 40074, u"200%", nullptr},
    {2, 40075, u"300%", nullptr},
    {2, 40076, u"500%", nullptr},
    {2, 40077, u"1000%", nullptr},
    {1, -1, nullptr, nullptr},
    {1, cmd::grid_10, VL_TR("vellumo", "Сетка &10 пт"), u"Ctrl+1"},
    {1, cmd::grid_20, VL_TR("vellumo", "Сетка &20 пт"), u"Ctrl+2"},
    {1, cmd::grid_40, VL_TR("vellumo", "Сетка &40 пт"), u"Ctrl+4"},
    {1, -1, nullptr, nullptr},
    {1, cmd::canvas_content, VL_TR("vellumo", "Показывать &содержимое"), nullptr},
    {1, cmd::remove_guides, VL_TR("vellumo", "&Убрать направляющие"), u"Ctrl+E"},
    {0, 0, VL_TR("vellumo", "&Справка"), nullptr},
    {1, cmd::help, VL_TR("vellumo", "&Руководство on-line"), u"F1"},
    {1, cmd::about, VL_TR("vellumo", "&О программе...."), nullptr},
};

// The zoom of each "Масштаб" item, 40067 upward.
inline constexpr int frame_zoom_steps[] = {10, 25, 33, 50, 75, 100, 150, 200, 300, 500, 1000};

// One accelerator: a key with modifiers, or a typed character.
struct accel_row {
    int key;             // Qt::Key, or 0 for a character entry
    int modifiers;       // Qt::KeyboardModifiers (Ctrl, Shift; Keypad for the keypad minus)
    char16_t character;  // the character of a character entry
    int command;
};

inline constexpr int CTRL = Qt::ControlModifier;
inline constexpr int SHIFT = Qt::ShiftModifier;
inline constexpr int KEYPAD = Qt::KeypadModifier;

// In table order; when two rows share a key, the first one wins (so Ctrl+L
// enables the selection and never opens a label).
inline constexpr accel_row frame_accelerators[] = {
    {Qt::Key_G, CTRL, 0, cmd::tool_barcode},
    {Qt::Key_C, CTRL, 0, cmd::copy},
    {Qt::Key_Insert, CTRL, 0, cmd::copy},
    {Qt::Key_Delete, SHIFT, 0, cmd::cut},
    {Qt::Key_X, CTRL, 0, cmd::cut},
    {Qt::Key_Delete, 0, 0, cmd::remove},
    {Qt::Key_F, CTRL, 0, cmd::tool_border},
    {Qt::Key_1, CTRL, 0, cmd::grid_10},
    {Qt::Key_2, CTRL, 0, cmd::grid_20},
    {Qt::Key_4, CTRL, 0, cmd::grid_40},
    {Qt::Key_H, CTRL, 0, cmd::tool_picture},
    {Qt::Key_P, CTRL | SHIFT, 0, cmd::print},
    {Qt::Key_P, CTRL, 0, cmd::label_properties},
    {Qt::Key_Down, CTRL, 0, cmd::lower},
    {Qt::Key_F1, 0, 0, cmd::help},
    {Qt::Key_N, CTRL, 0, cmd::new_label},
    {Qt::Key_R, CTRL, 0, cmd::normal_mode},
    {Qt::Key_K, CTRL, 0, cmd::disable},
    {Qt::Key_L, CTRL, 0, cmd::enable},
    {Qt::Key_L, CTRL, 0, cmd::open}, // shadowed by the row above
    {Qt::Key_O, CTRL, 0, cmd::open},
    {Qt::Key_M, CTRL, 0, cmd::options},
    {Qt::Key_W, CTRL, 0, cmd::server_list},
    {Qt::Key_V, CTRL, 0, cmd::paste},
    {Qt::Key_Insert, SHIFT, 0, cmd::paste},
    {Qt::Key_Up, CTRL, 0, cmd::raise},
    {Qt::Key_E, CTRL, 0, cmd::remove_guides},
    {Qt::Key_S, CTRL, 0, cmd::save},
    {Qt::Key_S, CTRL | SHIFT, 0, cmd::save_as},
    {Qt::Key_A, CTRL, 0, cmd::select_all},
    {Qt::Key_D, CTRL, 0, cmd::tool_text},
    {Qt::Key_Z, CTRL, 0, cmd::undo},
    {Qt::Key_Z, CTRL, 0, cmd::undo}, // listed twice
    {Qt::Key_Y, CTRL, 0, cmd::redo},
    {Qt::Key_Z, CTRL | SHIFT, 0, cmd::redo},
    {Qt::Key_0, CTRL, 0, cmd::zoom_fit},
    {0, 0, u'=', 40072},
    {0, 0, u'+', cmd::zoom_in},
    {0, 0, u'-', cmd::zoom_out}, // the main keyboard's minus, as the menu shows
    {Qt::Key_Minus, KEYPAD, 0, cmd::zoom_out},
    {Qt::Key_F2, 0, 0, cmd::preview_mode},
};
