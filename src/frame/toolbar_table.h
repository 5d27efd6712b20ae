// The editor frame's toolbar, as data: command, tooltip, style, normal and
// disabled picture.  Separator rows carry pictures too, so that row i and
// image i stay aligned.
#pragma once

#include "hub/commands.h"
#include "widgets/toolbarsup.h"
#include "platform/translation.h"

inline constexpr tbs_row frame_toolbar[] = {
    {cmd::new_label, VL_TR("vellumo", "Новая этикетка"), TBS_BUTTON, "new", "tool_border"},
    {cmd::open, VL_TR("vellumo", "Открыть"), TBS_BUTTON, "open", "open"},
    {cmd::save, VL_TR("vellumo", "Сохранить"), TBS_BUTTON, "save", "save"},
    {cmd::undo, VL_TR("vellumo", "Отменить"), TBS_BUTTON, "undo", "undo"},
    {cmd::redo, VL_TR("vellumo", "Повторить"), TBS_BUTTON, "redo", "redo"},
    {1, VL_TR("vellumo", "Сепаратор"), TBS_SEPARATOR, "pointer", "pointer"},
    {cmd::normal_mode, VL_TR("vellumo", "Обычный режим (Ctrl+R)"), TBS_CHECK_GROUP, "pointer", "pointer"},
    {cmd::tool_text, VL_TR("vellumo", "Создать текстовый элемент (Ctrl+D)"), TBS_CHECK_GROUP, "tool_text", "tool_text"},
    {cmd::tool_border, VL_TR("vellumo", "Создать рамку (Ctrl+F)"), TBS_CHECK_GROUP, "tool_border", "tool_border"},
    {cmd::tool_barcode, VL_TR("vellumo", "Создать штрих-код (Ctrl+G)"), TBS_CHECK_GROUP, "tool_barcode", "tool_barcode"},
    {cmd::tool_picture, VL_TR("vellumo", "Создать изображение (Ctrl+H)"), TBS_CHECK_GROUP, "tool_picture", "tool_picture"},
    {1, VL_TR("vellumo", "Сепаратор"), TBS_SEPARATOR, "pointer", "pointer"},
    {cmd::remove, VL_TR("vellumo", "Удалить выделенные элементы"), TBS_BUTTON, "delete", "delete"},
    {1, VL_TR("vellumo", "Сепаратор"), TBS_SEPARATOR, "pointer", "pointer"},
    {cmd::align_left, VL_TR("vellumo", "Выровнять по горизонтали по левому краю"), TBS_BUTTON, "align_left", "align_left"},
    {cmd::align_hcenter, VL_TR("vellumo", "Выровнять по горизонтали по центру"), TBS_BUTTON, "align_hcenter", "align_hcenter"},
    {cmd::align_right, VL_TR("vellumo", "Выровнять по горизонтали по правому краю"), TBS_BUTTON, "align_right", "align_right"},
    {cmd::align_top, VL_TR("vellumo", "Выровнять по вертикали по верху"), TBS_BUTTON, "align_top", "align_top"},
    {cmd::align_vcenter, VL_TR("vellumo", "Выровнять по вертикали по центру"), TBS_BUTTON, "align_vcenter", "align_vcenter"},
    {cmd::align_bottom, VL_TR("vellumo", "Выровнять по вертикали по низу"), TBS_BUTTON, "align_bottom", "align_bottom"},
    {1, VL_TR("vellumo", "Сепаратор"), TBS_SEPARATOR, "pointer", "pointer"},
    {cmd::same_width, VL_TR("vellumo", "Сделать ширину как у ведущего элемента"), TBS_BUTTON, "same_width", "same_width"},
    {cmd::same_height, VL_TR("vellumo", "Сделать высоту как у ведущего элемента"), TBS_BUTTON, "same_height", "same_height"},
    {1, VL_TR("vellumo", "Сепаратор"), TBS_SEPARATOR, "pointer", "pointer"},
    {cmd::distribute_h, VL_TR("vellumo", "Распределить равномерно по горизонтали"), TBS_BUTTON, "distribute_h", "distribute_h"},
    {cmd::distribute_v, VL_TR("vellumo", "Распределить равномерно по вертикали"), TBS_BUTTON, "distribute_v", "distribute_v"},
    {1, VL_TR("vellumo", "Сепаратор"), TBS_SEPARATOR, "pointer", "pointer"},
    {cmd::help, VL_TR("vellumo", "Справка по программе"), TBS_BUTTON, "help", "help"},
};
inline constexpr int frame_toolbar_rows = sizeof frame_toolbar / sizeof frame_toolbar[0];
static_assert(frame_toolbar_rows == 28);
