// The editor as people used to other editors drive it, with real key, wheel
// and mouse events on a real frame: arrows, Escape, zoom to fit, the wheel,
// the canvas's menu, and undo and redo from the keyboard and the toolbar.
#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QToolButton>
#include <QWheelEvent>

#include "hub/commands.h"
#include "support/shots.h"
#include "canvas_fixture.h"

namespace {

class Keys : public CanvasTest {
protected:
    QPoint at(double x, double y) const { return QPoint(canvas->px(x), canvas->py(y)); }
    void mouse(QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::MouseButtons buttons)
    {
        QCursor::setPos(canvas->mapToGlobal(p));
        QMouseEvent e(type, QPointF(p), canvas->mapToGlobal(QPointF(p)), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(canvas, &e);
    }
    void wheel(QPoint p, QPoint angle, Qt::KeyboardModifiers mods)
    {
        QWheelEvent e(QPointF(p), canvas->mapToGlobal(QPointF(p)), QPoint(), angle, Qt::NoButton, mods,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(canvas, &e);
    }
    void key(int k, Qt::KeyboardModifiers mods = Qt::NoModifier, QWidget *to = nullptr)
    {
        QTest::keyClick(to ? to : canvas, static_cast<Qt::Key>(k), mods);
    }
    // A border 20 x 20 anchored at (x, y), selected alone.
    element *border(double x, double y)
    {
        element *e = make(ELE_BORDER, x, y);
        set(fn::width, 0, 20);
        set(fn::height, 0, 20);
        return e;
    }
    // A pixel inside the element's box but off its marker and handles.
    QPoint inside(const element *e)
    {
        canvas->render();
        const QRect r = canvas->element_rect(e, 0);
        for (int y = r.top() + 1; y < r.bottom(); ++y)
            for (int x = r.left() + 1; x < r.right(); ++x)
                if (!canvas->hit(QPoint(x, y)))
                    return QPoint(x, y);
        ADD_FAILURE() << "no free pixel in the element";
        return r.center();
    }
    QMenu *menu() const { return frame->open_context_menu(); }
    QStringList menu_texts(QMenu *m) const
    {
        QStringList out;
        for (QAction *a : m->actions())
            if (!a->isSeparator())
                out << a->text().section(QLatin1Char('\t'), 0, 0);
        return out;
    }
    QAction *item(QMenu *m, const QString &text) const
    {
        for (QAction *a : m->actions())
            if (a->text().section(QLatin1Char('\t'), 0, 0) == text)
                return a;
        return nullptr;
    }
    void focus_canvas()
    {
        frame->activateWindow();
        canvas->setFocus();
        QApplication::processEvents();
        ASSERT_TRUE(canvas->hasFocus());
    }
};

} // namespace

TEST_F(Keys, ArrowsMoveTheSelectionByOneTenOrAGridStepAsOneUndoStep)
{
    element *e = border(100, 100);
    focus_canvas();
    const int steps = frame->hub().undo_count();
    key(Qt::Key_Right);
    key(Qt::Key_Right);
    key(Qt::Key_Up);
    EXPECT_EQ(e->x, 102);
    EXPECT_EQ(e->y, 101); // up is up on the label
    key(Qt::Key_Left, Qt::ShiftModifier);
    key(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(e->x, 92);
    EXPECT_EQ(e->y, 91);
    // Ctrl: the grid's step, 10 points without a grid shown, else the finest.
    key(Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(e->x, 102);
    canvas->show_grid(20, true);
    key(Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(e->x, 122);
    EXPECT_EQ(frame->hub().undo_count(), steps + 1); // the run is one step
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(lab()->es[0]->x, 100);
    EXPECT_EQ(lab()->es[0]->y, 100);
    // Clamped into the label as the mouse is.
    e = lab()->es[0];
    for (int i = 0; i < 100; ++i)
        key(Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(lab()->es[0]->x, 0);
    EXPECT_EQ(lab()->es[0]->y, 100);
    const double w = lab()->width;
    for (int i = 0; i < 100; ++i)
        key(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(lab()->es[0]->x, w);
    // Nothing selected: nothing moves, nothing recorded.
    canvas->deselect_all();
    const int before = frame->hub().undo_count();
    key(Qt::Key_Left);
    EXPECT_EQ(lab()->es[0]->x, w);
    EXPECT_EQ(frame->hub().undo_count(), before);
}

TEST_F(Keys, InAFieldTheArrowsMoveTheCaretNotTheElement)
{
    element *e = border(100, 100);
    auto *field = qobject_cast<QLineEdit *>(frame->stock().props->control(ROW_X));
    ASSERT_TRUE(field);
    frame->activateWindow();
    field->setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(field->hasFocus());
    field->setCursorPosition(0);
    key(Qt::Key_Right, Qt::NoModifier, field);
    key(Qt::Key_Right, Qt::NoModifier, field);
    EXPECT_EQ(field->cursorPosition(), 2);
    key(Qt::Key_Left, Qt::ShiftModifier, field);
    EXPECT_EQ(e->x, 100);
    EXPECT_EQ(e->y, 100);
}

TEST_F(Keys, EscapeDisarmsTheToolAndCallsOffADrag)
{
    element *e = border(100, 100);
    focus_canvas();
    frame->command(cmd::tool_text);
    ASSERT_EQ(canvas->stock().mode, CNV_ARMED);
    key(Qt::Key_Escape);
    EXPECT_EQ(canvas->stock().mode, CNV_NORMAL);

    // A drag under way: the element goes back, no step is left, the mark
    // is what it was.
    const int steps = frame->hub().undo_count();
    const int modified = lab()->modified;
    // A band called off leaves the selection as it was.
    const QPoint empty = at(lab()->width - 30, 30);
    canvas->render();
    mouse(QEvent::MouseButtonPress, empty, Qt::LeftButton, Qt::LeftButton);
    mouse(QEvent::MouseMove, empty + QPoint(-10, -10), Qt::NoButton, Qt::LeftButton);
    mouse(QEvent::MouseMove, at(50, 200), Qt::NoButton, Qt::LeftButton);
    ASSERT_EQ(canvas->stock().mode, CNV_RUBBER_BAND);
    key(Qt::Key_Escape);
    EXPECT_EQ(canvas->stock().mode, CNV_NORMAL);
    mouse(QEvent::MouseButtonRelease, at(50, 200), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(e->state, ELE_LEAD);

    const QPoint from = at(100, 100); // the anchor marker
    canvas->render();
    mouse(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    mouse(QEvent::MouseMove, from + QPoint(QApplication::startDragDistance() + 2, 0), Qt::NoButton,
          Qt::LeftButton);
    mouse(QEvent::MouseMove, from + QPoint(60, -40), Qt::NoButton, Qt::LeftButton);
    ASSERT_EQ(canvas->stock().mode, CNV_ELEMENT_DRAG);
    ASSERT_NE(e->x, 100);
    key(Qt::Key_Escape);
    EXPECT_EQ(canvas->stock().mode, CNV_NORMAL);
    EXPECT_EQ(lab()->es[0]->x, 100);
    EXPECT_EQ(lab()->es[0]->y, 100);
    EXPECT_EQ(frame->hub().undo_count(), steps);
    EXPECT_EQ(lab()->modified, modified);
    // The button let go afterwards starts nothing.
    mouse(QEvent::MouseButtonRelease, from + QPoint(60, -40), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(lab()->es[0]->x, 100);
    // The next drag is a step of its own, and undone alone.
    canvas->render();
    mouse(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    mouse(QEvent::MouseMove, from + QPoint(QApplication::startDragDistance() + 2, 0), Qt::NoButton,
          Qt::LeftButton);
    mouse(QEvent::MouseMove, from + QPoint(30, 0), Qt::NoButton, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, from + QPoint(30, 0), Qt::LeftButton, Qt::NoButton);
    EXPECT_GT(lab()->es[0]->x, 100);
    EXPECT_EQ(frame->hub().undo_count(), steps + 1);
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(lab()->es[0]->x, 100);
}

TEST_F(Keys, CtrlZeroFitsTheLabelAndALargeLabelOpensFitted)
{
    // A small label is shown at 100 %; Ctrl+0 enlarges it to the window.
    canvas->zoom_to(100);
    focus_canvas();
    key(Qt::Key_0, Qt::ControlModifier);
    const int fitted_small = canvas->stock().zoom;
    EXPECT_GT(fitted_small, 100);
    auto whole_label_in_view = [&] {
        const QRect label(QPoint(canvas->px(0), canvas->py(lab()->height)),
                          QPoint(canvas->px(lab()->width), canvas->py(0)));
        return canvas->rect().contains(label);
    };
    EXPECT_TRUE(whole_label_in_view());
    // ...and fills it but for the margin, along one side at least.
    auto filled = [&] {
        return std::max((canvas->px(lab()->width) - canvas->px(0)) / double(canvas->width()),
                        (canvas->py(0) - canvas->py(lab()->height)) / double(canvas->height()));
    };
    EXPECT_GT(filled(), 0.9);

    // A label far larger than the window: shown fitted when it comes.
    store.to_open.push_back(ele__label_new(4000, 3000));
    frame->command(cmd::open);
    ASSERT_EQ(lab()->width, 4000);
    EXPECT_LT(canvas->stock().zoom, 100);
    EXPECT_TRUE(whole_label_in_view());
    EXPECT_GT(filled(), 0.9);
    // Zoomed by the user, the view stays as it is when the window changes.
    canvas->zoom_to(50);
    frame->resize(frame->width() - 100, frame->height() - 100);
    QApplication::processEvents();
    EXPECT_EQ(canvas->stock().zoom, 50);
    EXPECT_EQ(frame->menu_action(cmd::zoom_fit)->text().section(QLatin1Char('\t'), 1), QStringLiteral("Ctrl+0"));
}

TEST_F(Keys, TheWheelScrollsShiftSidewaysCtrlZoomsAboutThePointer)
{
    store.to_open.push_back(ele__label_new(4000, 3000));
    frame->command(cmd::open);
    canvas->zoom_to(100);
    const QPoint mid = canvas->rect().center();
    const double x0 = canvas->stock().org_x, y0 = canvas->stock().org_y;
    // Away from the user: up the label (y grows upward), nothing sideways.
    wheel(mid, QPoint(0, 120), Qt::NoModifier);
    EXPECT_EQ(canvas->stock().zoom, 100);
    EXPECT_GT(canvas->stock().org_y, y0);
    EXPECT_EQ(canvas->stock().org_x, x0);
    wheel(mid, QPoint(0, -120), Qt::NoModifier);
    EXPECT_DOUBLE_EQ(canvas->stock().org_y, y0);
    // Shift: sideways, toward the right when rolled toward the user.
    wheel(mid, QPoint(0, -120), Qt::ShiftModifier);
    EXPECT_GT(canvas->stock().org_x, x0);
    EXPECT_DOUBLE_EQ(canvas->stock().org_y, y0);
    // Ctrl: zoom, the point under the pointer stays.
    const QPoint p(canvas->width() / 3, canvas->height() / 3);
    const double px = canvas->to_x(p.x()), py = canvas->to_y(p.y());
    wheel(p, QPoint(0, 120), Qt::ControlModifier);
    EXPECT_EQ(canvas->stock().zoom, 110);
    EXPECT_NEAR(canvas->to_x(p.x()), px, 2 / canvas->stock().scale);
    EXPECT_NEAR(canvas->to_y(p.y()), py, 2 / canvas->stock().scale);
    wheel(p, QPoint(0, -120), Qt::ControlModifier);
    EXPECT_EQ(canvas->stock().zoom, 99);
}

TEST_F(Keys, TheCanvasMenuOffersTheSelectionsOrTheLabelsCommands)
{
    element *e = border(100, 100);
    make(ELE_TEXT, 250, 250);
    canvas->deselect_all();
    // On an element not selected: it becomes the selection.
    const QPoint p = inside(lab()->es[1]);
    mouse(QEvent::MouseButtonPress, p, Qt::RightButton, Qt::RightButton);
    mouse(QEvent::MouseButtonRelease, p, Qt::RightButton, Qt::NoButton);
    QMenu *m = menu();
    ASSERT_TRUE(m);
    EXPECT_EQ(lab()->es[1], e);
    EXPECT_EQ(e->state, ELE_LEAD);
    EXPECT_EQ(lab()->es[0]->state, ELE_UNSELECTED);
    const QStringList texts = menu_texts(m);
    for (const char *t : {"&Вырезать", "&Копировать", "Вст&авить", "&Удалить", "Повернуть", "Поднять", "Опустить",
                          "Выровнять по ведущему элементу"})
        EXPECT_TRUE(texts.contains(QString::fromUtf8(t))) << t << " in " << texts.join(u'|').toStdString();
    save_shot(m, QStringLiteral("canvas-menu-element"));
    // Its items run through the frame: delete takes the element away.
    QAction *remove = item(m, QStringLiteral("&Удалить"));
    ASSERT_TRUE(remove);
    EXPECT_TRUE(remove->isEnabled());
    QTest::mouseClick(m, Qt::LeftButton, {}, m->actionGeometry(remove).center());
    QApplication::processEvents();
    EXPECT_EQ(lab()->qty, 1);
    EXPECT_FALSE(menu());

    // On the empty label: paste, select all, the label's properties.
    const QPoint empty = at(lab()->width - 5, 5);
    ASSERT_EQ(canvas->element_at(empty), -1);
    mouse(QEvent::MouseButtonPress, empty, Qt::RightButton, Qt::RightButton);
    mouse(QEvent::MouseButtonRelease, empty, Qt::RightButton, Qt::NoButton);
    m = menu();
    ASSERT_TRUE(m);
    EXPECT_EQ(menu_texts(m).size(), 3);
    QAction *all = item(m, QStringLiteral("Выделить всё"));
    ASSERT_TRUE(all) << menu_texts(m).join(u'|').toStdString();
    EXPECT_EQ(item(m, QStringLiteral("Вст&авить"))->isEnabled(), frame->hub().command_enabled(cmd::paste));
    save_shot(m, QStringLiteral("canvas-menu-label"));
    QTest::mouseClick(m, Qt::LeftButton, {}, m->actionGeometry(all).center());
    QApplication::processEvents();
    EXPECT_EQ(lab()->es[0]->state, ELE_LEAD);
}

TEST_F(Keys, RedoFromTheKeyboardAndTheToolbarFollowsUndo)
{
    element *e = border(100, 100);
    focus_canvas();
    QAction *redo = frame->menu_action(cmd::redo);
    ASSERT_TRUE(redo);
    EXPECT_FALSE(redo->isEnabled());
    key(Qt::Key_Right);
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(lab()->es[0]->x, 100);
    EXPECT_TRUE(redo->isEnabled());
    key(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(lab()->es[0]->x, 101);
    EXPECT_EQ(lab()->es[0]->state, ELE_LEAD); // the selection comes back too
    EXPECT_FALSE(redo->isEnabled());
    key(Qt::Key_Z, Qt::ControlModifier);
    key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(lab()->es[0]->x, 101);
    // The toolbar's button, after "Отменить".
    key(Qt::Key_Z, Qt::ControlModifier);
    QToolButton *button = nullptr;
    for (QToolButton *b : frame->findChildren<QToolButton *>())
        if (b->toolTip().startsWith(QStringLiteral("Повторить")))
            button = b;
    ASSERT_TRUE(button);
    EXPECT_TRUE(button->isEnabled());
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(lab()->es[0]->x, 101);
    EXPECT_FALSE(button->isEnabled());
    (void)e;
}

TEST_F(Keys, AfterACreationEscapeInTheDescriptionGivesTheKeysBackToTheCanvas)
{
    frame->activateWindow();
    frame->command(cmd::tool_text);
    mouse(QEvent::MouseButtonPress, at(80, 80), Qt::LeftButton, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, at(80, 80), Qt::LeftButton, Qt::NoButton);
    QApplication::processEvents();
    ASSERT_EQ(lab()->qty, 1);
    QWidget *desc = frame->stock().props->control(ROW_DESC);
    ASSERT_TRUE(desc->hasFocus());
    auto *status = static_cast<frame_status *>(frame->stock().status);
    EXPECT_EQ(status->text(0), QStringLiteral("Esc — вернуться к холсту"));
    const std::u16string was = lab()->es[0]->desc;
    QTest::keyClicks(desc, QStringLiteral("xy"));
    key(Qt::Key_Escape, Qt::NoModifier, desc);
    EXPECT_TRUE(canvas->hasFocus());
    EXPECT_EQ(lab()->es[0]->desc, was);
    EXPECT_EQ(status->text(0), QString());
    // The arrows now move the new element.
    const double x = lab()->es[0]->x;
    key(Qt::Key_Right);
    EXPECT_EQ(lab()->es[0]->x, x + 1);

    // A click on the empty canvas after a creation does the same.
    frame->command(cmd::tool_text);
    mouse(QEvent::MouseButtonPress, at(200, 40), Qt::LeftButton, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, at(200, 40), Qt::LeftButton, Qt::NoButton);
    QApplication::processEvents();
    ASSERT_EQ(lab()->qty, 2);
    ASSERT_TRUE(desc->hasFocus());
    EXPECT_EQ(status->text(0), QStringLiteral("Esc — вернуться к холсту"));
    const std::u16string second = lab()->es[0]->desc;
    const int steps = frame->hub().undo_count();
    canvas->render();
    mouse(QEvent::MouseButtonPress, at(lab()->width - 5, 5), Qt::LeftButton, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, at(lab()->width - 5, 5), Qt::LeftButton, Qt::NoButton);
    EXPECT_TRUE(canvas->hasFocus());
    EXPECT_EQ(lab()->es[0]->desc, second);
    EXPECT_EQ(status->text(0), QString());
    EXPECT_LE(frame->hub().undo_count(), steps + 1); // the click's deselection at most
}
