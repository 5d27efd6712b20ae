// A real editor frame around a canvas, for the canvas's tests: elements are
// made through the frame's hub, as the user's actions would make them.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "canvas/canvas.h"
#include "canvas/canvas_holder.h"
#include "frame/frame.h"
#include "frame/key_routing.h"
#include "frame/listwin.h"
#include "frame/properties.h"
#include "model/settings.h"
#include "platform/message_boxes.h"
#include "support/fakes.h"
#include "support/hub_fakes.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

// A sender that is none of the frame's views, so every view hears the change.
struct outside_sender : notify_sender {};

class CanvasTest : public testing::Test {
protected:
    void SetUp() override
    {
        static key_router *router = nullptr;
        if (!router) { // the keys travel as in the program
            router = new key_router(qApp);
            qApp->installEventFilter(router);
        }
        // Most of the room for the canvas, and no grid unless a test asks.
        settings::set(settings::frame_master_twowin_perc, 800);
        settings::set(settings::grid_20, 0);
        frame = new label_frame(store);
        frame->resize(1000, 800);
        frame->set_layout_mode(0);
        frame->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame));
        canvas = frame->stock().canvas;
        QApplication::processEvents();
    }
    void TearDown() override
    {
        delete frame;
        QApplication::processEvents();
    }
    label *lab() { return frame->hub().lab(); }
    // A new element through the frame: index 0, selected alone.
    element *make(int kind, double x, double y)
    {
        frame_notify n;
        n.sender = canvas;
        n.code = fn::element_list;
        n.action = 1;
        n.kind = kind;
        n.x = x;
        n.y = y;
        frame->hub().notify(n);
        return lab()->es[0];
    }
    void set(int code, int index, double value)
    {
        frame_notify n;
        n.sender = &outsider;
        n.code = code;
        n.e1 = index;
        n.value = value;
        n.quadrant = static_cast<int>(value);
        frame->hub().notify(n);
    }
    void select_only(std::initializer_list<int> indexes)
    {
        canvas->deselect_all();
        for (int i : indexes) {
            frame_notify n;
            n.sender = &outsider;
            n.code = fn::selection;
            n.action = fn::select;
            n.e1 = i;
            frame->hub().notify(n);
        }
    }
    QRgb pixel(const QImage &img, int x, int y) { return img.pixel(x, y) & 0xFFFFFFu; }

    temp_dir dir;
    scoped_env settings_home{"XDG_CONFIG_HOME", dir.path().string()};
    fake_store store;
    scripted_message_boxes boxes;
    scoped_seam<message_box_service> use_boxes{&boxes};
    label_frame *frame = nullptr;
    canvas_window *canvas = nullptr;
    outside_sender outsider;
};
