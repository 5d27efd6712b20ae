#include "frame/frame.h"
#include "platform/qt_text.h"

#include <QCoreApplication>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <cmath>

#include "canvas/canvas.h"
#include "canvas/canvas_holder.h"
#include "frame/about.h"
#include "frame/labelopt.h"
#include "frame/listwin.h"
#include "frame/menu_table.h"
#include "frame/options.h"
#include "frame/preview.h"
#include "frame/print_export.h"
#include "frame/properties.h"
#include "frame/servers_dialogs.h"
#include "frame/toolbar_table.h"
#include "hub/commands.h"
#include "hub/opensave.h"
#include "hub/recent.h"
#include "model/errors.h"
#include "model/messages.h"
#include "model/settings.h"
#include "platform/beep.h"
#include "platform/url_opener.h"
#include "resources/icons.h"
#include "widgets/toolbarsup.h"
#include "widgets/split_pane.h"
#include "platform/translation.h"

namespace {

int g_frames = 0;

// Default size of a frame whose size was never stored.
constexpr int default_width = 1100;
constexpr int default_height = 760;

int grid_step(int command)
{
    return command == cmd::grid_10 ? 10 : command == cmd::grid_20 ? 20 : 40;
}

const reg_int_setting &grid_setting(int command)
{
    return command == cmd::grid_10 ? settings::grid_10 : command == cmd::grid_20 ? settings::grid_20 : settings::grid_40;
}

} // namespace

// ------------------------------------------------------------- status bar

frame_status::frame_status(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("status"));
    for (std::size_t i = 0; i < parts_.size(); ++i) {
        parts_[i] = new QLabel(this);
        parts_[i]->setFrameShape(QFrame::Panel);
        parts_[i]->setFrameShadow(QFrame::Sunken);
        parts_[i]->setObjectName(QStringLiteral("part%1").arg(i));
    }
    setFixedHeight(fontMetrics().height() + 10);
}

int frame_status::part_width() const
{
    // 19 characters and the terminating null, as a bar measures them...
    QFontMetrics fm(font());
    const int measured = fm.horizontalAdvance(QStringLiteral("test string for a..")) + fm.averageCharWidth();
    // ...but never too narrow for the widest position the canvas reports,
    // after the icon, in this font.
    const QLabel *p = parts_[1];
    const int position = 2 * p->frameWidth() + 2 * p->margin() + std::max(p->indent(), icon_room) +
                         fm.horizontalAdvance(QStringLiteral("-99999.99, -99999.99")) + fm.averageCharWidth();
    return std::max(measured, position);
}

void frame_status::attach_icons()
{
    static const char *names[] = {"status_position", "status_size"};
    for (std::size_t i = 0; i < icons_.size(); ++i) {
        if (icons_[i])
            continue;
        icons_[i] = new QLabel(parts_[i + 1]);
        icons_[i]->setObjectName(QStringLiteral("icon%1").arg(i + 1));
        icons_[i]->setPixmap(res__icon(names[i]).pixmap(QSize(16, 16), devicePixelRatioF()));
        icons_[i]->setGeometry(3, (height() - 16) / 2, 16, 16);
        icons_[i]->show();
        parts_[i + 1]->setIndent(icon_room);
    }
}

void frame_status::set_text(int part, const QString &text)
{
    if (part >= 0 && part < 3)
        parts_[static_cast<std::size_t>(part)]->setText(text);
}

QString frame_status::text(int part) const
{
    return part >= 0 && part < 3 ? parts_[static_cast<std::size_t>(part)]->text() : QString();
}

void frame_status::resizeEvent(QResizeEvent *)
{
    const int W = width(), w = part_width(), h = height();
    const int edges[] = {W - 2 * w, W - w, W};
    int left = 0;
    for (std::size_t i = 0; i < parts_.size(); ++i) {
        int right = std::max(left, edges[i]);
        parts_[i]->setGeometry(left, 0, right - left, h);
        left = right;
    }
    for (QLabel *icon : icons_)
        if (icon)
            icon->move(3, (h - 16) / 2);
}

// ------------------------------------------------------------------ frame

label_frame::label_frame(document_store &store)
{
    setObjectName(QStringLiteral("zelta-label-generator-frame"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowIcon(res__icon("app"));
    stock_.win = this;
    setWindowTitle(QStringLiteral("Vellumo"));
    label_ptr lab = frame_new_label();
    lab->modified = 0;
    lab->sel = 0;
    label *l = lab.get();
    hub_ = std::make_unique<frame_hub>(*this, store, std::move(lab));

    auto *central = new QWidget(this);
    setCentralWidget(central);
    area_ = new QWidget(central);
    area_->setObjectName(QStringLiteral("area"));
    stock_.holder = new canvas_holder(area_, this, l);
    stock_.canvas = stock_.holder->canvas();
    stock_.list = new element_list(area_, this, l);
    stock_.props = new properties_panel(area_, this, l);
    stock_.toolbar = new toolbar_host(central, this, frame_toolbar, frame_toolbar_rows, 16, 16);
    connect(stock_.toolbar, &toolbar_host::command, this, [this](int id) { command(id); });
    auto *status = new frame_status(central);
    stock_.status = status;
    build_menu();
    // The preview is made when first shown: most frames never show it.
    hub_->attach(stock_.props, stock_.list, stock_.canvas, nullptr);

    status->attach_icons();
    stock_.status_icons_set = true;
    set_mode_commands(false);
    hub_->refresh_undo_save();
    check_tool(cmd::normal_mode);
    hub_->refresh_selection_commands();
    hub_->update_title();
    hub_->end_coalescing();
    hub_->refresh_undo_save();

    // The size first: a first run shares the frame by its width.
    int w = settings::get(settings::frame_width), h = settings::get(settings::frame_height);
    QSize avail = screen() ? screen()->availableSize() : QSize(1280, 1024);
    auto usable = [](int v, int lo, int hi) { return v != CW_USEDEFAULT && v >= lo && v <= hi; };
    resize(usable(w, 200, 20000) ? w : std::min(default_width, avail.width()),
           usable(h, 150, 20000) ? h : std::min(default_height, avail.height()));

    int mode = settings::get(settings::frame_twowin_mode);
    // A stored mode outside 0..2 has no layout: the default one is used.
    set_layout_mode(mode >= 0 && mode <= 2 ? mode : settings::frame_twowin_mode.def);

    // As stored: nothing is written back at start-up.
    for (int g : {cmd::grid_10, cmd::grid_20, cmd::grid_40})
        if (settings::get(grid_setting(g)))
            show_grid(g, true, false);
    show_content(settings::get(settings::canvas_content) != 0, false);

    ++g_frames;
    hub_->update_title();
    // A .lbl file dropped on the frame opens as Open does.
    setAcceptDrops(true);
    if (settings::get(settings::frame_maximized))
        setWindowState(windowState() | Qt::WindowMaximized);
    stock_.canvas->setFocus();
}

label_frame::~label_frame()
{
    if (!settings_stored_)
        store_settings();
    // The views go before the hub and its label.
    delete centralWidget();
    if (--g_frames == 0)
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
}

int label_frame::open_frames()
{
    return g_frames;
}

void label_frame::build_menu()
{
    QMenuBar *bar = menuBar();
    QMenu *popup = nullptr, *sub = nullptr;
    for (const menu_row &r : frame_menu) {
        if (r.depth == 0) {
            popup = bar->addMenu(QString::fromUtf16(pl__tr(r.text)));
            sub = nullptr;
            continue;
        }
        QMenu *into = r.depth == 2 ? sub : popup;
        if (r.command == -1) {
            into->addSeparator();
            continue;
        }
        if (r.command == 0) {
            sub = popup->addMenu(QString::fromUtf16(pl__tr(r.text)));
            continue;
        }
        if (r.command == cmd::recent_files) {
            recent_menu_ = popup->addMenu(QString::fromUtf16(pl__tr(r.text)));
            recent_menu_->setObjectName(QStringLiteral("recent"));
            connect(recent_menu_, &QMenu::aboutToShow, this, [this] { fill_recent_menu(); });
            fill_recent_menu();
            continue;
        }
        QString text = QString::fromUtf16(pl__tr(r.text));
        // The key hint after a tab; no shortcut of the action's own.
        if (r.hint)
            text += QLatin1Char('\t') + QString::fromUtf16(pl__tr(r.hint));
        QAction *a = into->addAction(text);
        a->setData(r.command);
        if (r.command == cmd::grid_10 || r.command == cmd::grid_20 || r.command == cmd::grid_40 ||
            r.command == cmd::canvas_content)
            a->setCheckable(true);
        const int id = r.command;
        connect(a, &QAction::triggered, this, [this, id] { command(id); });
        menu_actions_[id] = a;
    }
}

QAction *label_frame::menu_action(int id) const
{
    auto it = menu_actions_.find(id);
    return it == menu_actions_.end() ? nullptr : it->second;
}

// ------------------------------------------------------------ frame_shell

void label_frame::set_title(const std::u16string &title)
{
    setWindowTitle(qs(title));
}

void label_frame::enable_command(int id, bool enabled)
{
    if (QAction *a = menu_action(id))
        a->setEnabled(enabled);
    if (stock_.toolbar)
        stock_.toolbar->enable(id, enabled);
}

void label_frame::check_tool(int id)
{
    if (stock_.toolbar)
        stock_.toolbar->check(id, true);
}

void label_frame::beep()
{
    platform_beep();
}

// ---------------------------------------------------------------- layout

int label_frame::ratio(bool master) const
{
    split_container *c = master ? stock_.master : stock_.slave;
    return c ? c->ratio() : 0;
}

void label_frame::set_layout_mode(int mode)
{
    int master_ratio, slave_ratio;
    if (stock_.master) {
        master_ratio = stock_.master->ratio();
        slave_ratio = stock_.slave->ratio();
        for (QWidget *pane : {static_cast<QWidget *>(stock_.holder), static_cast<QWidget *>(stock_.props),
                              static_cast<QWidget *>(stock_.list)})
            pane->setParent(area_);
        delete stock_.master; // the inner container is its child
        stock_.master = stock_.slave = nullptr;
    } else {
        // Stored ratios are thousandths, whatever their names say.  Without
        // them the default 50 means the half it names.
        const std::optional<int> m = settings::find(settings::frame_master_twowin_perc);
        const std::optional<int> sl = settings::find(settings::frame_slave_twowin_perc);
        master_ratio = m.value_or(settings::frame_master_twowin_perc.def * 10);
        slave_ratio = sl.value_or(settings::frame_slave_twowin_perc.def * 10);
        stock_.mode = mode;
        if (!m || !sl) { // the panel's own width is costly to measure
            int fm = master_ratio, fs = slave_ratio;
            first_run_ratios(fm, fs);
            if (!m)
                master_ratio = fm;
            if (!sl)
                slave_ratio = fs;
        }
    }
    stock_.mode = mode;
    QWidget *holder = stock_.holder, *props = stock_.props, *list = stock_.list;
    switch (mode) {
    case 0:
        stock_.slave = new split_container(area_, props, list, true, slave_ratio);
        stock_.master = new split_container(area_, holder, stock_.slave, false, master_ratio);
        break;
    case 1:
        stock_.slave = new split_container(area_, props, list, false, slave_ratio);
        stock_.master = new split_container(area_, holder, stock_.slave, true, master_ratio);
        break;
    default:
        stock_.slave = new split_container(area_, list, holder, false, slave_ratio);
        stock_.master = new split_container(area_, stock_.slave, props, false, master_ratio);
        break;
    }
    stock_.master->setVisible(!stock_.preview_mode);
    if (stock_.preview)
        stock_.preview->raise();
    size_children();
}

void label_frame::first_run_ratios(int &master, int &slave) const
{
    const int W = width();
    const int need = stock_.props->needed_width();
    if (W <= 0 || need <= 0)
        return;
    // The panel's share of the width, in thousandths, that gives it `need`.
    const int share = static_cast<int>(std::ceil(1000.0 * need / W));
    switch (stock_.mode) {
    case 1: // the panel left of the list, under the canvas
        slave = std::clamp(std::max(slave, share), 200, 800);
        break;
    default: // the panel in the outer container's right pane
        master = std::clamp(std::min(master, 1000 - share), 200, 800);
        break;
    }
}

void label_frame::size_children()
{
    QWidget *central = centralWidget();
    if (!central)
        return;
    const int W = central->width(), H = central->height();
    const int th = stock_.toolbar->needed_height();
    stock_.toolbar->setGeometry(0, 0, W, th);
    const int sh = stock_.status->height();
    stock_.status->setGeometry(0, H - sh, W, sh);
    area_->setGeometry(0, th, W, std::max(0, H - sh - th));
    if (stock_.master)
        stock_.master->setGeometry(area_->rect());
    if (stock_.preview)
        stock_.preview->setGeometry(area_->rect());
}

void label_frame::resizeEvent(QResizeEvent *e)
{
    QMainWindow::resizeEvent(e);
    if (!isMinimized())
        size_children();
}

// -------------------------------------------------------------- commands

void label_frame::command(int id, long param)
{
    // The hub decides whether a command may run now, whichever way it is
    // asked for; the view's own commands (zoom, grids, guides, tools) then
    // go to the canvas, the document's to the hub.
    if (!hub_->may_run(id))
        return;
    switch (id) {
    case cmd::close:
        close();
        return;
    case cmd::server_list:
        sdl__servers_dialog(nullptr);
        return;
    case cmd::new_label: {
        auto *f = new label_frame(hub_->store());
        f->show();
        return;
    }
    case cmd::options:
        options();
        return;
    case cmd::grid_10:
    case cmd::grid_20:
    case cmd::grid_40:
        toggle_grid(id);
        return;
    case cmd::canvas_content:
        show_content(!stock_.canvas->content_shown(), true);
        return;
    case cmd::help:
        manual();
        return;
    case cmd::label_properties:
        label_properties();
        return;
    case cmd::print:
        pex__print(this, hub_->lab());
        return;
    case cmd::print_batch:
        pex__batch(this, hub_->lab(), true);
        return;
    case cmd::export_label:
        pex__export(this, hub_->lab());
        return;
    case cmd::export_batch:
        pex__batch(this, hub_->lab(), false);
        return;
    case cmd::zoom_in:
        stock_.canvas->zoom_in();
        return;
    case cmd::zoom_out:
        stock_.canvas->zoom_out();
        return;
    case cmd::zoom_fit:
        stock_.canvas->zoom_fit();
        return;
    case cmd::remove_guides:
        stock_.canvas->remove_guides();
        return;
    case cmd::about:
        abo__run(nullptr);
        return;
    case cmd::tool_text:
    case cmd::tool_border:
    case cmd::tool_picture:
    case cmd::tool_barcode:
        check_tool(id);
        stock_.canvas->arm(id == cmd::tool_text ? 0 : id == cmd::tool_border ? 1 : id == cmd::tool_picture ? 2 : 3);
        return;
    case cmd::normal_mode:
        check_tool(cmd::normal_mode);
        stock_.canvas->normal_mode();
        return;
    case cmd::preview_mode:
        enter_preview();
        return;
    default:
        break;
    }
    if (id >= cmd::zoom_10 && id <= cmd::zoom_1000) {
        stock_.canvas->zoom_to(frame_zoom_steps[id - cmd::zoom_10]);
        return;
    }
    if (id >= cmd::recent_first && id < cmd::recent_first + cmd::recent_count) {
        open_recent(id - cmd::recent_first);
        return;
    }
    hub_->command(id, param);
}

void label_frame::toggle_grid(int command)
{
    show_grid(command, !stock_.canvas->grid_shown(grid_step(command)), true);
}

void label_frame::show_grid(int command, bool on, bool store)
{
    stock_.canvas->show_grid(grid_step(command), on);
    if (QAction *a = menu_action(command))
        a->setChecked(on);
    if (store)
        settings::set(grid_setting(command), on ? 1 : 0);
}

void label_frame::show_content(bool on, bool store)
{
    stock_.canvas->show_content(on);
    if (QAction *a = menu_action(cmd::canvas_content))
        a->setChecked(on);
    if (store)
        settings::set(settings::canvas_content, on ? 1 : 0);
}

void label_frame::label_properties()
{
    hub_->label_properties([](const label &lab) { return lop__run(nullptr, lab); });
}

void label_frame::options()
{
    frame_options o{stock_.mode, frame_globals::confdel, frame_globals::newwin};
    opt__run(nullptr, o);
    frame_globals::confdel = o.confdel;
    frame_globals::newwin = o.newwin;
    set_layout_mode(o.mode);
}

void label_frame::manual()
{
    const std::u16string url = settings::get(settings::manual_url).value_or(settings::manual_url.def);
    if (!seam<url_opener_service>::get().open(url))
        err__warning(msg::no_browser, url.c_str());
}

// --------------------------------------------------------------- files

void label_frame::fill_recent_menu()
{
    if (!recent_menu_)
        return;
    recent_menu_->clear();
    const std::vector<recent_label> list = rec__list();
    if (list.empty()) {
        recent_menu_->addAction(QCoreApplication::translate("vellumo", "(пусто)"))->setEnabled(false);
        return;
    }
    const bool allowed = hub_->may_run(cmd::recent_first);
    for (std::size_t i = 0; i < list.size(); ++i) {
        const int n = static_cast<int>(i) + 1;
        // The number as the mnemonic: 1..9, then 1&0.
        const QString number = n < 10 ? QStringLiteral("&%1").arg(n) : QStringLiteral("1&0");
        QString caption = qs(rec__caption(list[i]));
        caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction *a = recent_menu_->addAction(number + QLatin1Char(' ') + caption);
        a->setData(cmd::recent_first + static_cast<int>(i));
        a->setEnabled(allowed);
        const int id = cmd::recent_first + static_cast<int>(i);
        connect(a, &QAction::triggered, this, [this, id] { command(id); });
    }
}

void label_frame::open_recent(int index)
{
    const std::vector<recent_label> list = rec__list();
    if (index < 0 || index >= static_cast<int>(list.size()))
        return;
    const recent_label r = list[static_cast<std::size_t>(index)];
    hub_->open_with([r] { return rec__open(r); });
}

bool label_frame::open_file(const QString &path)
{
    const std::u16string p = us(QFileInfo(path).absoluteFilePath());
    return hub_->open_with([p] { return osd__open_file(p); });
}

QStringList frame_dropped_labels(const QList<QUrl> &urls)
{
    QStringList out;
    for (const QUrl &u : urls)
        if (u.isLocalFile() && u.toLocalFile().endsWith(QStringLiteral(".lbl"), Qt::CaseInsensitive))
            out << u.toLocalFile();
    return out;
}

void label_frame::dragEnterEvent(QDragEnterEvent *e)
{
    if (e->mimeData()->hasUrls() && !frame_dropped_labels(e->mimeData()->urls()).isEmpty() &&
        hub_->may_run(cmd::open))
        e->acceptProposedAction();
}

void label_frame::dropEvent(QDropEvent *e)
{
    const QStringList files = frame_dropped_labels(e->mimeData()->urls());
    if (files.isEmpty() || !hub_->may_run(cmd::open))
        return;
    e->acceptProposedAction();
    // After the drop is done: the save question is modal.
    QPointer<label_frame> self(this);
    QTimer::singleShot(0, this, [self, files] {
        if (!self)
            return;
        // The first here, as Open would; any others in frames of their own.
        document_store &store = self->hub_->store();
        self->open_file(files.first());
        for (int i = 1; i < files.size(); ++i) {
            label_ptr lab = osd__open_file(us(QFileInfo(files[i]).absoluteFilePath()));
            if (!lab)
                continue;
            auto *f = new label_frame(store);
            f->hub().start_with(std::move(lab));
            f->show();
        }
    });
}

// ----------------------------------------------------------- canvas menu

void label_frame::focus_canvas()
{
    stock_.canvas->setFocus(Qt::OtherFocusReason);
}

QMenu *label_frame::open_context_menu() const
{
    return context_menu_ && context_menu_->isVisible() ? context_menu_ : nullptr;
}

void label_frame::context_menu(QPoint global, bool on_element)
{
    delete context_menu_;
    context_menu_ = new QMenu(this);
    context_menu_->setObjectName(QStringLiteral("canvas-menu"));
    QMenu *menu = context_menu_;
    // The items as the menu bar shows them, from the same table.
    auto row_text = [](const menu_row &r) {
        QString t = QString::fromUtf16(pl__tr(r.text));
        if (r.hint)
            t += QLatin1Char('\t') + QString::fromUtf16(pl__tr(r.hint));
        return t;
    };
    auto add = [&](QMenu *into, int id) {
        for (const menu_row &r : frame_menu)
            if (r.command == id && r.depth > 0) {
                QAction *a = into->addAction(row_text(r));
                a->setData(id);
                a->setEnabled(hub_->may_run(id));
                connect(a, &QAction::triggered, this, [this, id] { command(id); });
                return;
            }
    };
    auto add_submenu = [&](const char16_t *title) {
        QMenu *sub = nullptr;
        for (const menu_row &r : frame_menu) {
            if (r.depth == 1 && r.command == 0 && std::u16string_view(r.text) == title) {
                sub = menu->addMenu(QString::fromUtf16(pl__tr(r.text)));
                continue;
            }
            if (!sub)
                continue;
            if (r.depth != 2)
                break;
            if (r.command == -1)
                sub->addSeparator();
            else
                add(sub, r.command);
        }
    };
    if (on_element) {
        for (int id : {cmd::cut, cmd::copy, cmd::paste, cmd::remove})
            add(menu, id);
        menu->addSeparator();
        add(menu, cmd::disable);
        add(menu, cmd::enable);
        add_submenu(VL_TR("vellumo", "Повернуть"));
        menu->addSeparator();
        add_submenu(VL_TR("vellumo", "Поднять"));
        add_submenu(VL_TR("vellumo", "Опустить"));
        menu->addSeparator();
        add_submenu(VL_TR("vellumo", "Выровнять по ведущему элементу"));
    } else {
        add(menu, cmd::paste);
        add(menu, cmd::select_all);
        menu->addSeparator();
        add(menu, cmd::label_properties);
    }
    menu->popup(global);
}

void label_frame::set_status(int part, const QString &text)
{
    static_cast<frame_status *>(stock_.status)->set_text(part, text);
}

void label_frame::set_mode_commands(bool preview)
{
    stock_.preview_mode = preview;
    hub_->set_preview_mode(preview);
}

void label_frame::enter_preview()
{
    if (stock_.preview_mode || !stock_.canvas->is_idle())
        return;
    if (!stock_.preview) {
        stock_.preview = new preview_window(area_, this, hub_->lab());
        stock_.preview->setGeometry(area_->rect());
        hub_->attach(stock_.props, stock_.list, stock_.canvas, stock_.preview);
    }
    stock_.preview_mode = true;
    stock_.master->hide();
    stock_.preview->show();
    stock_.preview->raise();
    hub_->set_preview_mode(true);
    stock_.preview->activate();
}

void label_frame::leave_preview()
{
    if (!stock_.preview_mode || !stock_.canvas->is_idle())
        return;
    stock_.preview_mode = false;
    stock_.preview->hide();
    stock_.master->show();
    stock_.canvas->variables_changed(); // the preview may have changed them
    hub_->set_preview_mode(false);
    stock_.canvas->setFocus();
}

// ------------------------------------------------------------- teardown

void label_frame::closeEvent(QCloseEvent *e)
{
    if (!hub_->close()) {
        e->ignore();
        return;
    }
    store_settings();
    e->accept();
}

void label_frame::store_settings()
{
    settings_stored_ = true;
    settings::set(settings::frame_twowin_mode, stock_.mode);
    settings::set(settings::frame_master_twowin_perc, ratio(true));
    settings::set(settings::frame_slave_twowin_perc, ratio(false));
    if (isMaximized()) {
        // The stored size stays that of the last normal window.
        settings::set(settings::frame_maximized, 1);
    } else {
        settings::set(settings::frame_width, width());
        settings::set(settings::frame_height, height());
        settings::set(settings::frame_maximized, 0);
    }
}
