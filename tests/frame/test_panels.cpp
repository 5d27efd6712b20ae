// The properties panel, the element list and the small dialogs, used as a
// person would: typing into fields, leaving them, clicking lines and boxes.
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QTreeWidget>
#include <QWindow>

#include "canvas/canvas_holder.h"
#include "canvas_fixture.h"
#include "exchange/inout.h"
#include "frame/labelopt.h"
#include "frame/renamedlg.h"
#include "hub/clipboard.h"
#include "hub/commands.h"
#include "hub/program_state.h"
#include "platform/code_pages.h"
#include "platform/colour_choice.h"
#include "platform/message_boxes.h"
#include "support/fakes.h"
#include "support/modal.h"
#include "support/shots.h"
#include "widgets/broadcast.h"
#include "widgets/clrflatbtn.h"
#include "widgets/kit_resources.h"
#include "widgets/picbtn.h"

namespace {

class Panels : public CanvasTest {
protected:
    // What a test copied is gone when it ends (the clipboard is the program's).
    ~Panels() override { element_clipboard::clear(); }
    properties_panel *panel() { return frame->stock().props; }
    element_list *list() { return frame->stock().list; }
    // Types `text` into a row's field and moves the focus on, as a user does.
    void type(int row, const QString &text)
    {
        QWidget *c = panel()->control(row);
        c->setFocus();
        if (auto *e = qobject_cast<QLineEdit *>(c))
            e->setText(text);
        else if (auto *t = qobject_cast<QPlainTextEdit *>(c))
            t->setPlainText(text);
        else if (auto *cb = qobject_cast<QComboBox *>(c))
            cb->setEditText(text);
        frame->stock().canvas->setFocus(); // the field loses the focus
        QApplication::processEvents();
    }
    QString field(int row)
    {
        QWidget *c = panel()->control(row);
        if (auto *e = qobject_cast<QLineEdit *>(c))
            return e->text();
        if (auto *t = qobject_cast<QPlainTextEdit *>(c))
            return t->toPlainText();
        return qobject_cast<QComboBox *>(c)->currentText();
    }
    QTreeWidgetItem *line(int i) { return list()->stock().lv->topLevelItem(i); }
    // Opens a label of our own making in the frame.
    void open(label_ptr l)
    {
        store.to_open.push_back(std::move(l));
        boxes.answers.push_back(mb_answer::no); // do not save the current one
        frame->command(cmd::open);
    }
};

} // namespace

TEST_F(Panels, ThreeStatesAndTheRowsOfEachKind)
{
    EXPECT_EQ(panel()->stock().state, 0);
    EXPECT_EQ(panel()->stock().header->text(), QStringLiteral("Нет выбранных элементов."));
    make(ELE_TEXT, 50, 50);
    EXPECT_EQ(panel()->stock().state, 2);
    EXPECT_FALSE(panel()->stock().header->isVisible());
    EXPECT_EQ(field(ROW_DESC), QStringLiteral("Новый элемент"));
    EXPECT_EQ(field(ROW_X), QStringLiteral("50.00"));
    EXPECT_TRUE(panel()->control(ROW_FONT)->isVisible());
    EXPECT_FALSE(panel()->control(ROW_STYLE)->isVisible());
    // A new element's description is ready to be typed over.
    EXPECT_TRUE(panel()->control(ROW_DESC)->hasFocus());
    EXPECT_EQ(panel()->edit(ROW_DESC)->selectedText(), QStringLiteral("Новый элемент"));
    // Roomy for the pictures; small, the rows scroll.
    auto shot = [&](const char *name) {
        panel()->resize(360, 420);
        QApplication::processEvents();
        save_shot(panel(), QString::fromLatin1(name));
    };
    shot("panel-text");
    EXPECT_FALSE(panel()->scroll_bar()->isVisible());
    panel()->resize(300, 150);
    EXPECT_TRUE(panel()->scroll_bar()->isVisible());
    EXPECT_EQ(panel()->scroll_bar()->maximum(), panel()->stock().content_height - 150);
    // Seven rows of every kind, the text's field of three rows and six more.
    EXPECT_EQ(panel()->stock().content_height, panel()->stock().row_height * (7 + PROP_TEXT_ROWS + 6) + 5);
    make(ELE_BORDER, 60, 60);
    shot("panel-border");
    EXPECT_EQ(field(ROW_THICKNESS), QStringLiteral("0.0 (самая тонкая)"));
    make(ELE_BARCODE, 70, 70);
    shot("panel-barcode");
    EXPECT_TRUE(panel()->control(ROW_SUBPRINT)->isVisible());
    EXPECT_FALSE(panel()->control(ROW_FONT)->isVisible());
    // A picture element without a picture: "Указать".
    label_ptr l = ele__label_new(300, 400);
    element *p = ele__add(l.get(), 0);
    p->type = ELE_PICTURE;
    p->desc = u"Логотип";
    p->x = p->y = 20;
    p->width = p->height = 40;
    p->state = ELE_LEAD;
    l->sel = 1;
    open(std::move(l));
    ASSERT_EQ(panel()->stock().state, 2);
    EXPECT_EQ(qobject_cast<QPushButton *>(panel()->control(ROW_PICTURE))->text(), QStringLiteral("Указать"));
    shot("panel-picture");
    // Two selected: one line of text.
    make(ELE_TEXT, 10, 10);
    select_only({0, 1});
    EXPECT_EQ(panel()->stock().state, 1);
    EXPECT_EQ(panel()->stock().header->text(), QStringLiteral("Выбрано несколько элементов."));
    EXPECT_FALSE(panel()->control(ROW_DESC)->isVisible());
}

TEST_F(Panels, APicturesFileFromTheDataIsTypedAndUndone)
{
    label_ptr l = ele__label_new(300, 400);
    element *p = ele__add(l.get(), 0);
    p->type = ELE_PICTURE;
    p->desc = u"Логотип";
    p->x = p->y = 20;
    p->width = p->height = 40;
    p->state = ELE_LEAD;
    l->sel = 1;
    open(std::move(l));
    ASSERT_EQ(panel()->stock().state, 2);
    EXPECT_TRUE(panel()->control(ROW_PICTURE_FILE)->isVisible());
    EXPECT_EQ(field(ROW_PICTURE_FILE), QString());
    type(ROW_PICTURE_FILE, QStringLiteral("logos/${артикул}.png"));
    ASSERT_TRUE(lab()->es[0]->picture.source);
    EXPECT_EQ(*lab()->es[0]->picture.source, u"logos/${артикул}.png");
    frame->command(cmd::undo);
    EXPECT_FALSE(lab()->es[0]->picture.source);
    frame->command(cmd::redo);
    ASSERT_TRUE(lab()->es[0]->picture.source);
    EXPECT_EQ(field(ROW_PICTURE_FILE), QStringLiteral("logos/${артикул}.png"));
    // An emptied field: the element's own picture again.
    type(ROW_PICTURE_FILE, QStringLiteral("${другой}"));
    ASSERT_TRUE(lab()->es[0]->picture.source);
    EXPECT_EQ(*lab()->es[0]->picture.source, u"${другой}");
    type(ROW_PICTURE_FILE, QString());
    EXPECT_FALSE(lab()->es[0]->picture.source) << plt__to_utf8(lab()->es[0]->picture.source.value_or(u"-"));
}

// A field the panel filled after the sizes counts as filled: emptying the
// text typed in it afterwards is a change.
TEST_F(Panels, ATextFilledByThePanelCanBeEmptied)
{
    make(ELE_TEXT, 50, 50);
    type(ROW_TEXT, QStringLiteral("Цена"));
    frame->command(cmd::undo);
    frame->command(cmd::redo);
    ASSERT_EQ(field(ROW_TEXT), QStringLiteral("Цена"));
    type(ROW_TEXT, QString());
    EXPECT_EQ(lab()->es[0]->text.text.value_or(u"-"), u"");
}

TEST_F(Panels, FieldsCommitOnLeavingWithTheirRules)
{
    make(ELE_TEXT, 50, 50);
    int steps = frame->hub().undo_count();
    type(ROW_ANGLE, QStringLiteral("725"));
    EXPECT_EQ(field(ROW_ANGLE), QStringLiteral("5.00"));
    EXPECT_EQ(lab()->es[0]->angle, 5);
    type(ROW_ANGLE, QStringLiteral("-400"));
    EXPECT_EQ(field(ROW_ANGLE), QStringLiteral("-40.00"));
    EXPECT_EQ(lab()->es[0]->angle, -40);
    // Outside the label: refused with the message, the old value back.
    type(ROW_X, QStringLiteral("301"));
    EXPECT_EQ(field(ROW_X), QStringLiteral("50.00"));
    EXPECT_EQ(lab()->es[0]->x, 50);
    ASSERT_FALSE(boxes.shown.empty());
    EXPECT_EQ(boxes.shown.back().text, u"Точка крепления должна быть в границах этикетки");
    // Not a number at all: the same refusal, never a silent 0.
    type(ROW_Y, QStringLiteral("abc"));
    EXPECT_EQ(lab()->es[0]->y, 50);
    EXPECT_EQ(boxes.shown.back().text, u"Точка крепления должна быть в границах этикетки");
    // A decimal comma is a number.
    type(ROW_Y, QStringLiteral("12,5"));
    EXPECT_EQ(lab()->es[0]->y, 12.5);
    // Unchanged: nothing sent, no undo step.
    steps = frame->hub().undo_count();
    frame->hub().end_coalescing();
    type(ROW_X, QStringLiteral("50.00"));
    EXPECT_EQ(frame->hub().undo_count(), steps);
    // An empty description is refused.
    type(ROW_DESC, QString());
    EXPECT_EQ(lab()->es[0]->desc, u"Новый элемент");
    EXPECT_EQ(boxes.shown.back().text, u"Описание не может быть пустым");
    type(ROW_DESC, QStringLiteral("Цена"));
    EXPECT_EQ(lab()->es[0]->desc, u"Цена");
    // Characters the label cannot carry are refused where they are typed.
    type(ROW_TEXT, QStringLiteral("a\U0001F600b"));
    EXPECT_FALSE(lab()->es[0]->text.text.has_value() && lab()->es[0]->text.text->find(u'\xD83D') != std::u16string::npos);
    EXPECT_NE(boxes.shown.back().text.find(u"U+1F600"), std::u16string::npos);
    type(ROW_TEXT, QStringLiteral("100 ₽"));
    EXPECT_EQ(*lab()->es[0]->text.text, u"100 ₽");
    // Pasted from another program: refused the same way, and the label
    // still saves (a save once went through the fatal path instead).
    {
        auto *field = qobject_cast<QPlainTextEdit *>(panel()->control(ROW_TEXT));
        ASSERT_TRUE(field);
        QApplication::clipboard()->setText(QStringLiteral("Чай \U0001F375"));
        field->setFocus();
        field->selectAll();
        field->paste();
        frame->stock().canvas->setFocus();
        QApplication::processEvents();
        EXPECT_EQ(*lab()->es[0]->text.text, u"100 ₽");
        EXPECT_NE(boxes.shown.back().text.find(u"U+1F375"), std::u16string::npos);
        temp_dir saved;
        EXPECT_EQ(ino__save_file(u16(saved / "pasted.lbl"), lab()), 1);
    }
    // Font size and width refusals.
    type(ROW_SIZE, QStringLiteral("-3"));
    EXPECT_EQ(boxes.shown.back().text, u"Размер шрифта не может быть отрицательным");
    type(ROW_SIZE, QStringLiteral("14"));
    EXPECT_EQ(lab()->es[0]->text.size, 14);
    type(ROW_WIDTH, QStringLiteral("x"));
    EXPECT_EQ(boxes.shown.back().text, u"Ширина элемента должна быть числом!");
    EXPECT_EQ(lab()->es[0]->width, 43.43);
}

TEST_F(Panels, SizesAndPositionsBeyondTheLimitAreRefused)
{
    make(ELE_TEXT, 50, 50);
    set(fn::width, 0, 40);
    set(fn::height, 0, 20);
    const int steps = frame->hub().undo_count();
    struct typed {
        int row;
        const char *text;
        const char16_t *message;
    };
    const typed cases[] = {
        {ROW_WIDTH, "5000000000", u"Ширина элемента не может быть больше 100000 пунктов!"},
        {ROW_WIDTH, "1e300", u"Ширина элемента не может быть больше 100000 пунктов!"},
        {ROW_WIDTH, "100000.01", u"Ширина элемента не может быть больше 100000 пунктов!"},
        {ROW_WIDTH, "-5", u"Ширина элемента не может быть отрицательной!"},
        {ROW_WIDTH, "", u"Ширина элемента должна быть числом!"},
        {ROW_WIDTH, "ширина", u"Ширина элемента должна быть числом!"},
        {ROW_HEIGHT, "5e9", u"Высота элемента не может быть больше 100000 пунктов!"},
        {ROW_HEIGHT, "abc", u"Высота элемента должна быть числом!"},
        {ROW_SIZE, "1e300", u"Размер шрифта не может быть больше 100000 пунктов"},
        {ROW_SIZE, "крупно", u"Размер шрифта должен быть числом"},
        {ROW_ANGLE, "прямой", u"Угол поворота должен быть числом (в градусах)!"},
        {ROW_ANGLE, "9O", u"Угол поворота должен быть числом (в градусах)!"},
    };
    for (const typed &c : cases) {
        SCOPED_TRACE(c.text);
        const QString before = field(c.row);
        type(c.row, QString::fromUtf8(c.text));
        ASSERT_FALSE(boxes.shown.empty());
        EXPECT_EQ(boxes.shown.back().text, c.message);
        if (c.row != ROW_SIZE) { // a size comes back in full ("%f")
            EXPECT_EQ(field(c.row), before); // the old value back
        }
        EXPECT_TRUE(panel()->control(c.row)->hasFocus()); // and the focus
        boxes.shown.clear();
    }
    EXPECT_EQ(lab()->es[0]->width, 40);
    EXPECT_EQ(lab()->es[0]->height, 20);
    EXPECT_EQ(frame->hub().undo_count(), steps);
    // The limit itself is taken.
    type(ROW_WIDTH, QStringLiteral("100000"));
    EXPECT_EQ(lab()->es[0]->width, 100000);
    EXPECT_TRUE(boxes.shown.empty());

    // A label larger than the limit, as a file from elsewhere may hold:
    // its anchor points still stop at the limit.
    label_ptr big = ele__label_new(1e12, 1e12);
    element *far = ele__add(big.get(), 0);
    far->type = ELE_BORDER;
    far->x = 10;
    far->y = 10;
    far->width = far->height = 30;
    open(std::move(big));
    select_only({0});
    type(ROW_X, QStringLiteral("5000000000"));
    EXPECT_EQ(boxes.shown.back().text, u"Точка крепления не может быть дальше 100000 пунктов от края этикетки!");
    EXPECT_EQ(lab()->es[0]->x, 10);
    type(ROW_Y, QStringLiteral("99999"));
    EXPECT_EQ(lab()->es[0]->y, 99999);
}

TEST_F(Panels, LeavingAnUntouchedNumberFieldSendsNothing)
{
    // 99.875 shows as "99.88": Tab into Y and out again changes nothing.
    make(ELE_TEXT, 50, 99.875);
    set(fn::width, 0, 12.345);
    const int steps = frame->hub().undo_count();
    lab()->modified = 0;
    QWidget *y = panel()->control(ROW_Y);
    y->setFocus();
    EXPECT_EQ(field(ROW_Y), QStringLiteral("99.88"));
    QTest::keyClick(y, Qt::Key_Tab);
    EXPECT_FALSE(y->hasFocus());
    EXPECT_EQ(lab()->es[0]->y, 99.875);
    // Every field walked through by Tab, none touched: the new text's empty
    // text and font name are no change either.
    panel()->control(ROW_DESC)->setFocus();
    for (int i = 0; i < 14; ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(lab()->es[0]->width, 12.345);
    EXPECT_EQ(frame->hub().undo_count(), steps);
    EXPECT_EQ(lab()->modified, 0);
    // Typed, even to the same rounded text, it is sent as typed.
    type(ROW_Y, QStringLiteral("99.880"));
    EXPECT_EQ(lab()->es[0]->y, 99.88);
    EXPECT_EQ(frame->hub().undo_count(), steps + 1);
}

// Marking codes hold GS: the code field shows it as "␝", Ctrl+] and the
// field's menu type it, a pasted GS becomes the mark, and the element
// gets GS itself.
TEST_F(Panels, TheCodeFieldShowsAndTypesGroupSeparators)
{
    make(ELE_BARCODE, 50, 50);
    auto *field = qobject_cast<QLineEdit *>(panel()->control(ROW_CODE));
    ASSERT_TRUE(field);
    type(ROW_CODE, QStringLiteral("0104601234567893" "21AB") + QChar(0x241D) + QStringLiteral("91EE06"));
    EXPECT_EQ(lab()->es[0]->barcode.code, u"0104601234567893" "21AB\x1D" "91EE06");
    EXPECT_EQ(field->text(), QStringLiteral("0104601234567893" "21AB␝91EE06"));
    const int steps = frame->hub().undo_count();
    frame->hub().end_coalescing();
    field->setFocus();
    frame->stock().canvas->setFocus();
    EXPECT_EQ(frame->hub().undo_count(), steps); // shown as the mark, unchanged

    field->setFocus();
    field->end(false);
    QTest::keyClick(field, Qt::Key_BracketRight, Qt::ControlModifier);
    QTest::keyClicks(field, QStringLiteral("93Ab"));
    EXPECT_EQ(field->text(), QStringLiteral("0104601234567893" "21AB␝91EE06␝93Ab"));
    // Pasted from a table with GS inside.
    QApplication::clipboard()->setText(QStringLiteral("\x1D" "92q="));
    field->paste();
    EXPECT_EQ(field->text(), QStringLiteral("0104601234567893" "21AB␝91EE06␝93Ab␝92q="));
    frame->stock().canvas->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(lab()->es[0]->barcode.code, u"0104601234567893" "21AB\x1D" "91EE06\x1D" "93Ab\x1D" "92q=");

    // The field's menu has the same.
    field->setFocus();
    field->end(false);
    bool offered = false;
    QTimer::singleShot(0, [&] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *menu = qobject_cast<QMenu *>(w); menu && menu->isVisible())
                for (QAction *a : menu->actions())
                    if (a->objectName() == QStringLiteral("insert-gs")) {
                        offered = a->text().startsWith(QStringLiteral("Вставить разделитель GS"));
                        a->trigger();
                        menu->close();
                    }
    });
    QContextMenuEvent menu_event(QContextMenuEvent::Keyboard, QPoint(2, 2), field->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(field, &menu_event);
    EXPECT_TRUE(offered);
    EXPECT_TRUE(field->text().endsWith(QStringLiteral("92q=␝")));

    // Copied and pasted, the element keeps its GS.
    frame->stock().canvas->setFocus();
    QApplication::processEvents();
    const std::optional<std::u16string> code = lab()->es[0]->barcode.code;
    ASSERT_TRUE(code && !code->empty());
    EXPECT_EQ(code->back(), u'\x1D');
    frame->command(cmd::copy);
    frame->command(cmd::paste);
    ASSERT_EQ(lab()->qty, 2);
    EXPECT_EQ(lab()->es[0]->barcode.code, code);
    EXPECT_EQ(lab()->es[1]->barcode.code, code);
}

TEST_F(Panels, PointerOnPanesClicksTheSwatchAndLeavesTheSplittersAlone)
{
    // Everything through the frame's window, as the pointer does it.
    scripted_colour_choice colours;
    scoped_seam<colour_choice_service> use_colours(&colours);
    make(ELE_TEXT, 50, 50);
    QWindow *win = frame->windowHandle();
    auto at = [&](QWidget *w, QPoint p) { return w->mapTo(frame, p); };
    auto drag = [&](QPoint from, QPoint by) {
        QTest::mousePress(win, Qt::LeftButton, {}, from);
        QTest::mouseMove(win, from + by / 2);
        QTest::mouseMove(win, from + by);
        QTest::mouseRelease(win, Qt::LeftButton, {}, from + by);
    };
    auto ratios = [&] { return std::make_pair(frame->ratio(true), frame->ratio(false)); };

    // The text colour swatch: a click opens the colour dialog and the
    // colour picked is the element's.
    colours.answers.push_back(0x336699u);
    colour_button *swatch = panel()->colour(ROW_TEXT_COLOUR);
    panel()->scroll_bar()->setValue(panel()->scroll_bar()->maximum()); // the last rows in view
    ASSERT_TRUE(swatch->isVisible());
    ASSERT_TRUE(swatch->visibleRegion().contains(swatch->rect().center()));
    QTest::mouseClick(win, Qt::LeftButton, {}, at(swatch, swatch->rect().center()));
    ASSERT_EQ(colours.asked.size(), 1u);
    EXPECT_EQ(lab()->es[0]->text.colour & 0xFFFFFFu, 0x336699u);

    for (int mode : {0, 1}) {
        SCOPED_TRACE(mode);
        frame->set_layout_mode(mode);
        QApplication::processEvents();
        const auto before = ratios();
        // Layout 0 stacks the panel over the list, layout 1 puts them side
        // by side: drag across that splitter from a caption.
        QLabel *caption = panel()->stock().captions[mode == 0 ? ROW_ANGLE : ROW_QUADRANT];
        const QPoint by = mode == 0 ? QPoint(0, 120) : QPoint(150, 0);
        drag(at(caption, caption->rect().center()), by);
        EXPECT_EQ(ratios(), before);
        // The grey corner between the canvas's scroll bars.
        canvas_holder *holder = frame->stock().holder;
        drag(at(holder, QPoint(holder->width() - 3, holder->height() - 3)), QPoint(-200, -150));
        EXPECT_EQ(ratios(), before);
        // The element list's blank area below its lines.
        QWidget *lv = list()->stock().lv->viewport();
        drag(at(lv, QPoint(5, lv->height() - 5)), by);
        EXPECT_EQ(ratios(), before);
    }
}

TEST_F(Panels, ListsSendEveryChoiceAndColoursAndSizes)
{
    make(ELE_BORDER, 50, 50);
    QComboBox *q = panel()->combo(ROW_QUADRANT);
    int steps = frame->hub().undo_count();
    q->setCurrentIndex(q->currentIndex());
    emit q->activated(q->currentIndex()); // the same entry chosen again
    EXPECT_EQ(frame->hub().undo_count(), steps + 1);
    QComboBox *style = panel()->combo(ROW_STYLE);
    style->setCurrentIndex(3);
    emit style->activated(3);
    EXPECT_EQ(lab()->es[0]->border.style, 1); // "Точка-тире" stores 1
    type(ROW_THICKNESS, QStringLiteral("0.0 (самая тонкая)"));
    EXPECT_EQ(lab()->es[0]->border.thickness, 0);
    type(ROW_THICKNESS, QStringLiteral("1.0"));
    EXPECT_EQ(lab()->es[0]->border.thickness, 1);
    // Border: both size boxes checked and disabled.
    EXPECT_TRUE(panel()->stock().width_box->isChecked());
    EXPECT_FALSE(panel()->stock().width_box->isEnabled());
    // A colour picked in the button: sent once, in the element colour form.
    emit panel()->colour(ROW_BORDER_COLOUR)->colour_changed(0xFF336699u);
    EXPECT_EQ(lab()->es[0]->border.colour, 0xFF336699u);
    steps = frame->hub().undo_count();
    emit panel()->colour(ROW_BORDER_COLOUR)->colour_changed(0xFF336699u); // the same: nothing
    EXPECT_EQ(frame->hub().undo_count(), steps);
}

TEST_F(Panels, AutomaticTextSizesAndTheirBoxes)
{
    make(ELE_TEXT, 50, 50);
    set(fn::width, 0, -43.43);
    set(fn::height, 0, -12);
    EXPECT_EQ(field(ROW_WIDTH), QStringLiteral("по тексту"));
    EXPECT_EQ(field(ROW_HEIGHT), QStringLiteral("по высоте шрифта"));
    EXPECT_FALSE(panel()->edit(ROW_WIDTH)->isEnabled());
    EXPECT_FALSE(panel()->stock().height_box->isEnabled());
    EXPECT_FALSE(panel()->stock().width_box->isChecked());
    // Clicking the width box fixes the width at 43.43.
    panel()->stock().width_box->click();
    EXPECT_DOUBLE_EQ(lab()->es[0]->width, 43.43);
    EXPECT_EQ(field(ROW_WIDTH), QStringLiteral("43.43"));
    EXPECT_TRUE(panel()->stock().width_box->isChecked());
    EXPECT_EQ(field(ROW_HEIGHT), QStringLiteral("по тексту"));
    EXPECT_TRUE(panel()->stock().height_box->isEnabled());
}

TEST_F(Panels, TabAndEnterWalkTheFieldsAndWrap)
{
    make(ELE_TEXT, 50, 50);
    QWidget *last = panel()->control(ROW_TEXT_COLOUR);
    last->setFocus();
    QTest::keyClick(last, Qt::Key_Tab);
    EXPECT_TRUE(panel()->control(ROW_DESC)->hasFocus());
    QTest::keyClick(panel()->control(ROW_DESC), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_TRUE(last->hasFocus());
    // Enter moves on too, committing the field it leaves.
    panel()->control(ROW_X)->setFocus();
    panel()->edit(ROW_X)->setText(QStringLiteral("77"));
    QTest::keyClick(panel()->control(ROW_X), Qt::Key_Return);
    EXPECT_TRUE(panel()->control(ROW_Y)->hasFocus());
    EXPECT_EQ(lab()->es[0]->x, 77);
    // Disabled controls are skipped: with a fixed width the width box is
    // disabled, so Tab from the angle goes to the width field.
    panel()->control(ROW_ANGLE)->setFocus();
    QTest::keyClick(panel()->control(ROW_ANGLE), Qt::Key_Tab);
    EXPECT_TRUE(panel()->control(ROW_WIDTH)->hasFocus());
}

TEST_F(Panels, WrapShrinkAndLinesOfTheTextAreUndoable)
{
    make(ELE_TEXT, 50, 50);
    element *e = lab()->es[0];
    EXPECT_TRUE(panel()->control(ROW_WRAP)->isVisible());
    EXPECT_EQ(field(ROW_SHRINK), QString()); // no shrinking yet
    frame->hub().end_coalescing();
    const int steps = frame->hub().undo_count();
    auto *wrap = qobject_cast<QCheckBox *>(panel()->control(ROW_WRAP));
    ASSERT_TRUE(wrap);
    QTest::mouseClick(wrap, Qt::LeftButton);
    EXPECT_TRUE(e->text.wrap);
    EXPECT_TRUE(wrap->isChecked());
    type(ROW_SHRINK, QStringLiteral("6,5"));
    EXPECT_EQ(e->text.shrink, 6.5);
    type(ROW_SHRINK, QStringLiteral("-1"));
    EXPECT_EQ(boxes.shown.back().text, u"Наименьший размер шрифта не может быть отрицательным");
    EXPECT_EQ(field(ROW_SHRINK), QStringLiteral("6.50"));
    EXPECT_EQ(e->text.shrink, 6.5);
    // Enter in the text breaks the line; leaving the field sends it.
    auto *text = qobject_cast<QPlainTextEdit *>(panel()->control(ROW_TEXT));
    ASSERT_TRUE(text);
    text->setFocus();
    text->selectAll();
    QTest::keyClicks(text, QStringLiteral("ab"));
    QTest::keyClick(text, Qt::Key_Return);
    QTest::keyClicks(text, QStringLiteral("cd"));
    EXPECT_TRUE(text->hasFocus());
    frame->stock().canvas->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(*e->text.text, u"ab\ncd");
    save_shot(panel(), QStringLiteral("panel-text-fitting"));
    // An empty field stops the shrinking.
    type(ROW_SHRINK, QString());
    EXPECT_EQ(e->text.shrink, 0);
    EXPECT_EQ(frame->hub().undo_count(), steps + 4);
    frame->command(cmd::undo);
    EXPECT_EQ(lab()->es[0]->text.shrink, 6.5);
    frame->command(cmd::undo);
    EXPECT_EQ(lab()->es[0]->text.text.value_or(u""), u"");
    frame->command(cmd::undo);
    EXPECT_EQ(lab()->es[0]->text.shrink, 0);
    EXPECT_TRUE(lab()->es[0]->text.wrap);
    frame->command(cmd::undo);
    EXPECT_FALSE(lab()->es[0]->text.wrap);
    // The panel shows what undo brought back.
    EXPECT_FALSE(qobject_cast<QCheckBox *>(panel()->control(ROW_WRAP))->isChecked());
}

TEST_F(Panels, FontListFollowsTheBroadcast)
{
    // Fonts that change before anything is selected are in the list once
    // the panel shows a text.
    prs__fonts() = {u"Alpha", u"Beta"};
    cmn__broadcast(CMN_FONTS_CHANGED);
    make(ELE_TEXT, 50, 50);
    ASSERT_EQ(panel()->combo(ROW_FONT)->count(), 2);
    EXPECT_EQ(panel()->combo(ROW_FONT)->itemText(1), QStringLiteral("Beta"));
    set(fn::font, 0, 0);
    frame_notify n;
    n.sender = frame->stock().canvas;
    n.code = fn::font;
    n.e1 = 0;
    n.text = u"Beta";
    frame->hub().notify(n);
    prs__fonts() = {u"Gamma", u"Delta", u"Epsilon"};
    cmn__broadcast(CMN_FONTS_CHANGED);
    QComboBox *fonts = panel()->combo(ROW_FONT);
    EXPECT_EQ(fonts->count(), 3);
    EXPECT_EQ(fonts->itemText(0), QStringLiteral("Gamma"));
    EXPECT_EQ(fonts->currentText(), QStringLiteral("Beta")); // the element's own font stays
    prs__fonts().clear();
}

TEST_F(Panels, ElementListFollowsTheLabelBothWays)
{
    make(ELE_BARCODE, 30, 30);
    make(ELE_BORDER, 20, 20);
    make(ELE_TEXT, 10, 10);
    QTreeWidget *lv = list()->stock().lv;
    ASSERT_EQ(lv->topLevelItemCount(), 3);
    EXPECT_TRUE(line(0)->isSelected()); // the last made is selected alone
    EXPECT_FALSE(line(1)->isSelected());
    // Selecting in the label selects the line; nothing comes back.
    select_only({0, 2});
    EXPECT_TRUE(line(2)->isSelected());
    // A click on a line selects that element alone: one notification for
    // each deselection and one for the selection, folded into one step.
    const int steps = frame->hub().undo_count();
    frame->hub().end_coalescing();
    QRect r = lv->visualItemRect(line(1));
    QTest::mouseClick(lv->viewport(), Qt::LeftButton, {}, r.center());
    EXPECT_EQ(lab()->es[1]->state, ELE_LEAD);
    EXPECT_EQ(lab()->es[0]->state, ELE_UNSELECTED);
    EXPECT_EQ(lab()->es[2]->state, ELE_UNSELECTED);
    EXPECT_EQ(frame->hub().undo_count(), steps + 1);
    // Buttons: the middle one alone can go both ways.
    EXPECT_TRUE(list()->stock().raise->isEnabled());
    EXPECT_TRUE(list()->stock().lower->isEnabled());
    select_only({0});
    EXPECT_FALSE(list()->stock().raise->isEnabled()); // the topmost
    EXPECT_TRUE(list()->stock().lower->isEnabled());
    select_only({0, 1, 2});
    EXPECT_FALSE(list()->stock().raise->isEnabled());
    EXPECT_FALSE(list()->stock().lower->isEnabled());
    select_only({});
    EXPECT_FALSE(list()->stock().raise->isEnabled());
    EXPECT_FALSE(list()->stock().lower->isEnabled());
    // Lower the topmost with the button: the lines follow.
    select_only({0});
    list()->stock().lower->setFocus();
    QTest::keyClick(list()->stock().lower, Qt::Key_Space);
    EXPECT_EQ(lab()->es[1]->type, ELE_TEXT);
    EXPECT_EQ(line(1)->icon(0).cacheKey() != 0, true);
    // A disabled element's grey icon, and the description through the panel.
    frame->command(cmd::disable);
    EXPECT_EQ(element_list::icon_index(lab()->es[1]), ELE_TEXT + 4);
    type(ROW_DESC, QStringLiteral("Заголовок"));
    EXPECT_EQ(line(1)->text(0), QStringLiteral("Заголовок"));
    save_shot(list(), QStringLiteral("element-list"));
    // Delete and undo keep the lines in step.
    frame->command(cmd::remove);
    EXPECT_EQ(lv->topLevelItemCount(), 2);
    frame->command(cmd::undo);
    EXPECT_EQ(lv->topLevelItemCount(), 3);
    EXPECT_EQ(line(1)->text(0), QStringLiteral("Заголовок"));
}

TEST_F(Panels, LabelOptionsRefusalsAndTheMoveQuestion)
{
    make(ELE_TEXT, 250, 350);
    bool stayed_open = false;
    QString focused; // the field that has the focus after a refusal
    auto run = [&](const QString &w, const QString &h, mb_answer move_answer) {
        if (move_answer != mb_answer::ok)
            boxes.answers.push_back(move_answer);
        bool *stayed = &stayed_open;
        QString *focus = &focused;
        when_modal_of<label_options_dialog>([=](label_options_dialog *d) {
            d->width_edit()->setText(w);
            d->height_edit()->setText(h);
            static_cast<QDialog *>(d)->accept();
            *stayed = d->isVisible();
            *focus = d->focusWidget() ? d->focusWidget()->objectName() : QString();
            if (d->isVisible())
                static_cast<QDialog *>(d)->reject();
        });
        frame->command(cmd::label_properties);
    };
    run(QStringLiteral("0"), QStringLiteral("400"), mb_answer::ok);
    EXPECT_EQ(boxes.shown.back().text, u"Указана неправильная ширина!");
    EXPECT_EQ(lab()->width, 300);
    run(QStringLiteral("abc"), QStringLiteral("400"), mb_answer::ok);
    EXPECT_EQ(boxes.shown.back().text, u"Указана неправильная ширина!");
    run(QStringLiteral("200"), QStringLiteral("-1"), mb_answer::ok);
    EXPECT_EQ(boxes.shown.back().text, u"Указана неправильная высота!");
    // Larger than the editor takes: refused, the dialog stays open.
    for (const char *huge : {"3e9", "1e300", "100000.5"}) {
        run(QString::fromLatin1(huge), QStringLiteral("400"), mb_answer::ok);
        EXPECT_EQ(boxes.shown.back().text, u"Ширина этикетки не может быть больше 100000 пунктов!") << huge;
        EXPECT_TRUE(stayed_open);
        EXPECT_EQ(focused, QStringLiteral("width"));
        run(QStringLiteral("200"), QString::fromLatin1(huge), mb_answer::ok);
        EXPECT_EQ(boxes.shown.back().text, u"Высота этикетки не может быть больше 100000 пунктов!") << huge;
        EXPECT_TRUE(stayed_open);
        EXPECT_EQ(focused, QStringLiteral("height"));
    }
    EXPECT_EQ(lab()->width, 300);
    EXPECT_EQ(lab()->height, 400);
    // Smaller than an anchor: the question; No keeps everything.
    run(QStringLiteral("200"), QStringLiteral("300"), mb_answer::no);
    EXPECT_EQ(boxes.shown.back().text,
              u"Некоторые элементы будут лежат за пределами этикетки, что недопустимо.\nСдвинуть элементы?");
    EXPECT_EQ(lab()->width, 300);
    // Yes moves the anchor onto the new edge.
    run(QStringLiteral("200"), QStringLiteral("300"), mb_answer::yes);
    EXPECT_EQ(lab()->width, 200);
    EXPECT_EQ(lab()->es[0]->x, 200);
    EXPECT_EQ(lab()->es[0]->y, 300);
}

TEST_F(Panels, RenameNeedsAName)
{
    bool disabled_at_start = false, disabled_when_empty = false;
    when_modal_of<rename_dialog>([&](rename_dialog *d) {
        save_shot(d, QStringLiteral("rename-dialog"));
        disabled_at_start = !d->ok_button()->isEnabled();
        EXPECT_EQ(d->name_edit()->selectedText(), QStringLiteral("Старое"));
        d->name_edit()->clear();
        disabled_when_empty = !d->ok_button()->isEnabled();
        d->name_edit()->setText(QStringLiteral("Новое"));
        d->ok_button()->click();
    });
    std::optional<std::u16string> name = rnd__run(nullptr, u"Старое");
    EXPECT_TRUE(disabled_at_start);
    EXPECT_TRUE(disabled_when_empty);
    ASSERT_TRUE(name);
    EXPECT_EQ(*name, u"Новое");
}
