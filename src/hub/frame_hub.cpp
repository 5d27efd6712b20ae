// Change notifications, undo history and document procedures.
#include "hub/frame_hub.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "hub/commands.h"
#include "hub/recent.h"
#include "model/errors.h"
#include "model/messages.h"
#include "model/misc.h"
#include "model/settings.h"
#include "platform/message_boxes.h"

int frame_globals::confdel = 1;
int frame_globals::newwin = 1;

namespace {

// The kind a code works on, or -1 for every kind.
int required_kind(int code)
{
    switch (code) {
    case fn::text:
    case fn::font:
    case fn::justification:
    case fn::font_size:
    case fn::text_wrap:
    case fn::text_shrink:
        return ELE_TEXT;
    case fn::thickness:
    case fn::line_style:
        return ELE_BORDER;
    case fn::picture:
    case fn::picture_file:
        return ELE_PICTURE;
    case fn::subprint:
    case fn::barcode_data:
    case fn::barcode_kind:
        return ELE_BARCODE;
    default:
        return -1;
    }
}

// The coalescing group of the frame's own keyboard moves (no code has it).
constexpr int nudge_group = 1;

// The coalescing group of a code, or -1 for a snapshot of its own.  Changes
// that only select or deselect fold into one step too.
int coalesce_group(int code)
{
    switch (code) {
    case fn::selection:
        return fn::selection;
    case fn::x:
    case fn::y:
        return fn::x;
    case fn::angle:
        return fn::angle;
    case fn::width:
    case fn::height:
        return fn::width;
    default:
        return -1;
    }
}

bool known_code(int code)
{
    switch (code) {
    case fn::selection: case fn::description: case fn::x: case fn::y: case fn::angle:
    case fn::width: case fn::height: case fn::quadrant: case fn::text: case fn::font:
    case fn::justification: case fn::colour: case fn::font_size: case fn::thickness:
    case fn::line_style: case fn::subprint: case fn::barcode_data: case fn::barcode_kind:
    case fn::picture: case fn::picture_file: case fn::toggle_enabled: case fn::text_wrap: case fn::text_shrink:
        return true;
    default:
        return false;
    }
}

std::uint32_t &kind_colour(element *e)
{
    switch (e->type) {
    case ELE_BORDER: return e->border.colour;
    case ELE_PICTURE: return e->picture.colour;
    case ELE_BARCODE: return e->barcode.colour;
    default: return e->text.colour;
    }
}

// Every hub alive, for the changes that concern all frames.
std::vector<frame_hub *> &all_hubs()
{
    static std::vector<frame_hub *> hubs;
    return hubs;
}

} // namespace

namespace {

// A stored size a label can have: finite, positive and not absurd; a
// hand-edited value that is none of these gives the default.
double usable_size(const reg_double_setting &s)
{
    double v = settings::get(s);
    return std::isfinite(v) && v > ELE_EPS && v <= ELE_MAX_LABEL_SIZE ? v : s.def;
}

} // namespace

label_ptr frame_new_label()
{
    label_ptr lab = ele__label_new(usable_size(settings::label_width),
                                   usable_size(settings::label_height));
    // Only the colour bits count; the top byte is no part of a colour.
    lab->bgcolor = static_cast<std::uint32_t>(settings::get(settings::label_color)) & 0xFFFFFFu;
    return lab;
}

frame_hub::frame_hub(frame_shell &shell, document_store &store, label_ptr lab)
    : shell_(shell), store_(store), lab_(std::move(lab))
{
    refresh_undo_save();
    shell_.check_tool(cmd::normal_mode);
    refresh_selection_commands();
    update_title();
    last_change_ = -1;
    all_hubs().push_back(this);
}

frame_hub::~frame_hub()
{
    std::vector<frame_hub *> &hubs = all_hubs();
    hubs.erase(std::remove(hubs.begin(), hubs.end(), this), hubs.end());
}

void frame_hub::attach(properties_view *props, frame_view *list, canvas_view *canvas,
                       preview_view *preview)
{
    props_ = props;
    list_ = list;
    canvas_ = canvas;
    preview_ = preview;
}

// ------------------------------------------------------------------ history

void frame_hub::record_snapshot()
{
    history_.record(*lab_);
    ++records_;
    last_change_ = -1;
    lab_->modified = 1;
    update_title();
    refresh_undo_save();
}

void frame_hub::discard_newest()
{
    history_.discard_newest();
    --records_;
    refresh_undo_save();
}

void frame_hub::replace_label(label_ptr lab, bool restored)
{
    // The old label lives until every view has moved to the new one: a view
    // may still look at it while it lets go of its state.
    label_ptr old = std::move(lab_);
    lab_ = std::move(lab);
    if (canvas_) {
        if (restored)
            canvas_->restore_label(lab_.get());
        else
            canvas_->set_label(lab_.get());
    }
    if (props_)
        props_->set_label(lab_.get());
    if (list_)
        list_->set_label(lab_.get());
    if (preview_)
        preview_->set_label(lab_.get());
    old.reset();
    shell_.check_tool(cmd::normal_mode);
    refresh_selection_commands();
    update_title();
    last_change_ = -1;
    refresh_undo_save();
}

void frame_hub::undo()
{
    if (history_.count() == 0) {
        shell_.beep();
        return;
    }
    const label_options was = label_defaults();
    replace_label(history_.undo(*lab_), true);
    follow_label_defaults(was);
}

void frame_hub::redo()
{
    if (history_.redo_count() == 0) {
        shell_.beep();
        return;
    }
    const label_options was = label_defaults();
    replace_label(history_.redo(*lab_), true);
    follow_label_defaults(was);
}

label_options frame_hub::label_defaults() const
{
    label_options o;
    o.width = lab_->width;
    o.height = lab_->height;
    o.bgcolor = lab_->bgcolor;
    return o;
}

// A step that changed the label's size or colour (label properties undone
// or redone) takes the defaults for new labels along: an undone 5000 mm
// label must not stay what Ctrl+N opens.
void frame_hub::follow_label_defaults(const label_options &was)
{
    const label *l = lab_.get();
    if (std::fabs(was.width - l->width) <= ELE_EPS && std::fabs(was.height - l->height) <= ELE_EPS &&
        was.bgcolor == l->bgcolor)
        return;
    remember_label_defaults();
}

void frame_hub::remember_label_defaults()
{
    const label *l = lab_.get();
    settings::set(settings::label_width, l->width);
    settings::set(settings::label_height, l->height);
    settings::set(settings::label_color, static_cast<std::int32_t>(l->bgcolor));
}

void frame_hub::begin_gesture()
{
    last_change_ = -1;
    gesture_from_ = records_;
}

void frame_hub::end_gesture()
{
    gesture_from_ = -1;
}

void frame_hub::cancel_gesture()
{
    const long from = gesture_from_;
    if (from < 0)
        return; // no drag under way
    gesture_from_ = -1;
    last_change_ = -1;
    // The drag's first change recorded the label as it was; nothing else can
    // have recorded since (commands wait while the canvas drags).
    if (records_ != from + 1 || history_.count() == 0)
        return;
    const label_snapshot &before = history_.at(history_.count() - 1);
    if (static_cast<int>(before.es.size()) != lab_->qty)
        return;
    for (int i = 0; i < lab_->qty; ++i) {
        element *e = lab_->es[i];
        const element *was = before.es[static_cast<std::size_t>(i)].get();
        // What a drag changes: the anchor, the size and the angle.
        const struct {
            int code;
            double element::*field;
        } fields[] = {{fn::x, &element::x},         {fn::y, &element::y},
                      {fn::width, &element::width}, {fn::height, &element::height},
                      {fn::angle, &element::angle}};
        for (const auto &f : fields) {
            if (e->*f.field == was->*f.field)
                continue;
            e->*f.field = was->*f.field;
            frame_notify n;
            n.code = f.code;
            n.e1 = i;
            n.value = e->*f.field;
            forward(n, this);
        }
    }
    const int modified = before.modified;
    history_.discard_newest();
    --records_;
    lab_->modified = modified;
    update_title();
    refresh_undo_save();
}

bool frame_hub::nudge(double dx, double dy)
{
    label *l = lab_.get();
    if (!editable() || l->sel == 0)
        return false;
    double min_x = l->width, max_x = 0, min_y = l->height, max_y = 0;
    for (int i = 0; i < l->qty; ++i) {
        const element *e = l->es[i];
        if (e->state == ELE_UNSELECTED)
            continue;
        min_x = std::min(min_x, e->x);
        max_x = std::max(max_x, e->x);
        min_y = std::min(min_y, e->y);
        max_y = std::max(max_y, e->y);
    }
    // As far as the anchor nearest the edge may go, never backwards (an
    // anchor already off the label stays where it is).
    auto limit = [](double d, double room_low, double room_high) {
        return d < 0 ? std::min(0.0, std::max(d, -room_low)) : std::max(0.0, std::min(d, room_high));
    };
    dx = limit(dx, min_x, l->width - max_x);
    dy = limit(dy, min_y, l->height - max_y);
    if (std::fabs(dx) <= ELE_EPS && std::fabs(dy) <= ELE_EPS)
        return false;
    if (last_change_ != nudge_group) {
        record_snapshot();
        last_change_ = nudge_group;
    }
    for (int i = 0; i < lab_->qty; ++i) {
        const element *e = lab_->es[i];
        if (e->state == ELE_UNSELECTED)
            continue;
        const double x = std::clamp(e->x + dx, 0.0, lab_->width), y = std::clamp(e->y + dy, 0.0, lab_->height);
        if (std::fabs(dx) > ELE_EPS) {
            frame_notify n;
            n.code = fn::x;
            n.e1 = i;
            n.value = x;
            self_notify(std::move(n));
        }
        if (std::fabs(dy) > ELE_EPS) {
            frame_notify n;
            n.code = fn::y;
            n.e1 = i;
            n.value = y;
            self_notify(std::move(n));
        }
    }
    return true;
}

bool frame_hub::command_enabled(int id) const
{
    if (preview_mode)
        for (int p : cmd::greyed_in_preview)
            if (p == id)
                return false;
    if (id == cmd::undo)
        return history_.count() > 0;
    if (id == cmd::redo)
        return history_.redo_count() > 0;
    if (id == cmd::save)
        return lab_->modified != 0;
    for (int one : cmd::need_one_selected)
        if (one == id)
            return lab_->sel >= 1;
    for (int two : cmd::need_two_selected)
        if (two == id)
            return lab_->sel >= 2;
    return true;
}

namespace {

bool is_zoom(int id)
{
    return id == cmd::zoom_in || id == cmd::zoom_out || id == cmd::zoom_fit ||
           (id >= cmd::zoom_10 && id <= cmd::zoom_1000);
}

// Held in preview mode: everything but these.
bool held_in_preview(int id)
{
    if (id >= cmd::recent_first && id < cmd::recent_first + cmd::recent_count)
        return false; // opening, as Open
    switch (id) {
    case cmd::close: case cmd::server_list: case cmd::new_label: case cmd::options: case cmd::open:
    case cmd::help: case cmd::about: case cmd::save: case cmd::save_as:
    case cmd::print: case cmd::print_batch: case cmd::export_label: case cmd::export_batch:
        return false;
    default:
        return true;
    }
}

// Held while the canvas is busy with the mouse.
bool held_while_busy(int id)
{
    return !is_zoom(id) && id != cmd::about && id != cmd::preview_mode;
}

} // namespace

bool frame_hub::may_run(int id) const
{
    if (!command_enabled(id))
        return false;
    if (preview_mode && held_in_preview(id))
        return false;
    return !(held_while_busy(id) && canvas_ && !canvas_->is_idle());
}

void frame_hub::refresh_undo_save()
{
    shell_.enable_command(cmd::undo, command_enabled(cmd::undo));
    shell_.enable_command(cmd::redo, command_enabled(cmd::redo));
    shell_.enable_command(cmd::save, command_enabled(cmd::save));
}

void frame_hub::refresh_selection_commands()
{
    for (int id : cmd::need_one_selected)
        shell_.enable_command(id, command_enabled(id));
    for (int id : cmd::need_two_selected)
        shell_.enable_command(id, command_enabled(id));
}

void frame_hub::refresh_preview_commands()
{
    for (int id : cmd::greyed_in_preview)
        shell_.enable_command(id, command_enabled(id));
}

void frame_hub::label_properties(const std::function<std::optional<label_options>(const label &)> &edit)
{
    record_snapshot();
    std::optional<label_options> o = edit(static_cast<const label &>(*lab_));
    if (!o) {
        discard_newest(); // the label keeps its modified mark
        return;
    }
    apply_label_options(*o);
}

void frame_hub::apply_label_options(const label_options &o)
{
    label *l = lab_.get();
    if (!ele__anchors_inside(l, o.width, o.height))
        ele__clamp_anchors(l, o.width, o.height);
    l->width = o.width;
    l->height = o.height;
    l->bgcolor = o.bgcolor & 0xFFFFFFu;
    l->name = o.name;
    l->desc = o.desc;
    l->sheet = o.sheet;
    // The next new label, in any frame, gets this size and colour.
    remember_label_defaults();
    shell_.check_tool(cmd::normal_mode);
    refresh_selection_commands();
    update_title();
    last_change_ = -1;
    refresh_undo_save();
    if (canvas_)
        canvas_->set_label(lab_.get());
    if (props_)
        props_->set_label(lab_.get());
    if (list_)
        list_->set_label(lab_.get());
}

void frame_hub::set_preview_mode(bool on)
{
    preview_mode = on;
    refresh_preview_commands();
    if (!on) {
        shell_.check_tool(cmd::normal_mode);
        refresh_selection_commands();
        update_title();
        last_change_ = -1;
        refresh_undo_save();
    }
}

// ------------------------------------------------------------ notifications

void frame_hub::notify(frame_notify &n)
{
    const notify_sender *original = n.sender;
    const bool from_frame = original == this;

    if (n.code == fn::element_list) {
        if (!from_frame && n.action == 1)
            create_element(n.kind, n.x, n.y);
        return;
    }
    if (!known_code(n.code))
        return;
    element *e = nullptr;
    if (!(n.code == fn::selection && n.action == fn::recount)) {
        // An index outside the label, or an element of another kind: ignored.
        if (n.e1 < 0 || n.e1 >= lab_->qty)
            return;
        e = lab_->es[n.e1];
        int kind = required_kind(n.code);
        if (kind >= 0 && e->type != kind)
            return;
    }
    if (n.code == fn::selection) {
        if (n.action == fn::select && e->state != ELE_UNSELECTED)
            return;
        if (n.action == fn::deselect && e->state == ELE_UNSELECTED)
            return;
        if (n.action < fn::recount || n.action > fn::deselect)
            return;
    }
    if (n.code == fn::picture && !n.picture)
        return;

    if (!from_frame) {
        const int group = coalesce_group(n.code);
        if (gesture_from_ >= 0 && records_ > gesture_from_) {
            // Part of the drag under way, whatever it changes: one step.
            last_change_ = group;
        } else if (group < 0) {
            record_snapshot();
        } else if (last_change_ != group) {
            record_snapshot();
            last_change_ = group;
        }
    }

    switch (n.code) {
    case fn::selection: {
        bool ignored = false;
        selection(n, ignored);
        break;
    }
    case fn::description:
        e->desc = n.text.value_or(u"");
        break;
    case fn::x: e->x = n.value; break;
    case fn::y: e->y = n.value; break;
    case fn::angle: e->angle = n.value; break;
    case fn::width: e->width = n.value; break;
    case fn::height: e->height = n.value; break;
    case fn::quadrant:
        e->quadrant = n.quadrant;
        new_quadrant_ = n.quadrant;
        break;
    case fn::text: e->text.text = n.text.value_or(u""); break;
    case fn::font: e->text.font = n.text.value_or(u""); break;
    case fn::justification:
        e->text.justification = n.option;
        e->text.stored_justification.reset();
        break;
    case fn::colour: {
        std::uint32_t &c = kind_colour(e);
        if (c != n.color)
            c = n.color;
        break;
    }
    case fn::font_size: e->text.size = n.value; break;
    case fn::text_wrap: e->text.wrap = n.option != 0; break;
    case fn::text_shrink: e->text.shrink = n.value; break;
    case fn::thickness: e->border.thickness = n.value; break;
    case fn::line_style: e->border.style = n.line_style; break;
    case fn::subprint: e->barcode.text = n.option; break;
    case fn::barcode_data: e->barcode.code = n.text.value_or(u""); break;
    case fn::picture_file:
        if (n.text && !n.text->empty())
            e->picture.source = *n.text;
        else
            e->picture.source.reset();
        break;
    case fn::barcode_kind:
        e->barcode.type = n.option;
        e->barcode.stored_type.reset();
        break;
    case fn::picture: {
        e->picture.data = std::move(n.picture);
        ele__update_ratio(e);
        frame_notify w;
        w.code = fn::width;
        w.e1 = n.e1;
        w.value = e->picture.data->width;
        self_notify(std::move(w));
        frame_notify h;
        h.code = fn::height;
        h.e1 = n.e1;
        h.value = e->picture.data->height;
        self_notify(std::move(h));
        break;
    }
    case fn::toggle_enabled:
        e->disabled = e->disabled ? 0 : 1;
        break;
    }

    forward(n, original);

    // A picture given one side keeps its proportions through the other.
    if (n.code == fn::width || n.code == fn::height) {
        if (std::optional<double> other = ele__proportional_side(e, n.code == fn::width)) {
            frame_notify o;
            o.code = n.code == fn::width ? fn::height : fn::width;
            o.e1 = n.e1;
            o.value = *other;
            self_notify(std::move(o));
        }
    }

    // A text whose height follows its font keeps doing so.
    if (n.code == fn::font_size && e->height < 0) {
        frame_notify h;
        h.code = fn::height;
        h.e1 = n.e1;
        h.value = -ele__toggle_auto_height(e);
        self_notify(std::move(h));
    }
}

void frame_hub::selection(frame_notify &n, bool &ignored)
{
    label *l = lab_.get();
    ignored = false;
    switch (n.action) {
    case fn::select: {
        // The one selected element stops being alone: its markers change.
        const int remembered = l->sel == 1 ? ele__get_first_selected(l) : -1;
        ele__select(l, n.e1);
        if (l->sel == 2 && canvas_ && remembered >= 0)
            canvas_->redraw_element(remembered);
        break;
    }
    case fn::deselect: {
        const bool was_lead = l->es[n.e1]->state == ELE_LEAD;
        ele__deselect(l, n.e1);
        // Another element took the lead: its markers change.
        if (was_lead && l->sel > 0 && canvas_)
            canvas_->redraw_element(ele__get_lead_element(l));
        break;
    }
    default:
        l->sel = ele__count_selected(l);
        ele__fix_lead(l);
        break;
    }
    refresh_selection_commands();
}

void frame_hub::forward(frame_notify &n, const notify_sender *original_sender)
{
    n.sender = this;
    frame_view *order[] = {props_, list_, canvas_};
    for (frame_view *v : order)
        if (v && v != original_sender)
            v->notify(n);
}

void frame_hub::self_notify(frame_notify n)
{
    n.sender = this;
    notify(n);
}

void frame_hub::list_change(int action, int index)
{
    frame_notify n;
    n.sender = this;
    n.code = fn::element_list;
    n.action = action;
    n.e1 = index;
    frame_view *order[] = {canvas_, props_, list_};
    for (frame_view *v : order)
        if (v)
            v->notify(n);
}

// ------------------------------------------------------------------ document

std::u16string frame_hub::title() const
{
    if (!lab_->store.place)
        return u"Vellumo";
    return msc__format(u"%1%2 - %3", lab_->name.c_str(), lab_->modified ? u"*" : u"", u"Vellumo");
}

void frame_hub::update_title()
{
    shell_.set_title(title());
}

bool frame_hub::save(bool save_as, bool network_only)
{
    // The store names the label and sets its place before it writes; a
    // write that fails must not leave the label pointing at that place.
    std::u16string old_name = lab_->name;
    label_store old_store = lab_->store;
    if (!store_.save(lab_.get(), save_as, network_only)) {
        lab_->name = std::move(old_name);
        lab_->store = std::move(old_store);
        update_title();
        return false;
    }
    lab_->modified = 0;
    history_.stored_as(lab_->name, lab_->store);
    rec__remember(*lab_);
    refresh_undo_save();
    update_title();
    return true;
}

// A question of the frame: the program's caption, on top of everything.
mb_answer frame_hub::ask_user(const char16_t *text, mb_icon icon, mb_buttons buttons)
{
    message_box_request req;
    req.caption = msg::caption_app;
    req.text = text;
    req.icon = icon;
    req.buttons = buttons;
    req.topmost = true;
    return seam<message_box_service>::get().show(req);
}

// Asks whether to keep the changes of a modified label.  False when the
// procedure must stop: Cancel, or a Yes whose save did not go through (the
// changes the user asked to keep are never thrown away).
bool frame_hub::ask_save_changes()
{
    if (!lab_->modified)
        return true;
    switch (ask_user(msg::ask_save_changes, mb_icon::question, mb_buttons::yes_no_cancel)) {
    case mb_answer::yes:
        return save();
    case mb_answer::no:
        return true;
    default:
        return false;
    }
}

void frame_hub::open()
{
    open_with([this] { return store_.open(); });
}

bool frame_hub::open_with(const std::function<label_ptr()> &load)
{
    if (!ask_save_changes())
        return false;
    label_ptr loaded = load();
    if (!loaded)
        return false;
    record_snapshot(); // an Open can be undone
    rec__remember(*loaded);
    replace_label(std::move(loaded));
    return true;
}

void frame_hub::start_with(label_ptr lab)
{
    lab->sel = ele__count_selected(lab.get());
    ele__fix_lead(lab.get());
    rec__remember(*lab);
    replace_label(std::move(lab));
}

void frame_hub::renamed_on_server(const std::u16string &server, const std::u16string &old_name,
                                  const std::u16string &new_name)
{
    for (frame_hub *h : all_hubs())
        h->renamed(server, old_name, new_name);
    rec__renamed(server, old_name, new_name);
}

void frame_hub::renamed(const std::u16string &server, const std::u16string &old_name,
                        const std::u16string &new_name)
{
    label_store there;
    there.local = 0;
    there.place = server;
    history_.renamed(there, old_name, new_name);
    label *l = lab_.get();
    if (l->store.local || l->store.place != server || l->name != old_name)
        return;
    l->name = new_name;
    update_title();
}

bool frame_hub::close()
{
    return ask_save_changes();
}

// ------------------------------------------------------------------ commands

bool frame_hub::editable() const
{
    return !preview_mode && (!canvas_ || canvas_->is_idle());
}

void frame_hub::command(int id, long param)
{
    if (!command_enabled(id))
        return;
    const bool idle = !canvas_ || canvas_->is_idle();
    switch (id) {
    case cmd::save:
        if (idle)
            save(false, false);
        return;
    case cmd::save_as:
        if (idle)
            save(true, param == 1);
        return;
    case cmd::open:
        if (idle)
            open();
        return;
    default:
        break;
    }
    if (!editable())
        return;
    switch (id) {
    case cmd::undo: undo(); break;
    case cmd::redo: redo(); break;
    case cmd::remove: delete_selection(true); break;
    case cmd::cut: cut(); break;
    case cmd::copy: copy(); break;
    case cmd::paste: paste(); break;
    case cmd::select_all: select_all(); break;
    case cmd::disable: set_enabled(false); break;
    case cmd::enable: set_enabled(true); break;
    case cmd::rotate_0: rotate(0); break;
    case cmd::rotate_90: rotate(90); break;
    case cmd::rotate_180: rotate(180); break;
    case cmd::rotate_270: rotate(270); break;
    case cmd::raise: layer_command(frame_msg::raise); break;
    case cmd::raise_to_top: layer_command(frame_msg::raise_to_top); break;
    case cmd::lower: layer_command(frame_msg::lower); break;
    case cmd::lower_to_bottom: layer_command(frame_msg::lower_to_bottom); break;
    case cmd::align_left: case cmd::align_right: case cmd::align_top: case cmd::align_bottom:
    case cmd::align_hcenter: case cmd::align_vcenter: case cmd::same_width: case cmd::same_height:
    case cmd::same_size: case cmd::distribute_h: case cmd::distribute_v:
        arrange(id);
        break;
    default: break;
    }
}

void frame_hub::layer_command(int message)
{
    label *l = lab_.get();
    bool up = message == frame_msg::raise || message == frame_msg::raise_to_top;
    if (!(up ? ele__can_raise(l) : ele__can_lower(l)))
        return;
    record_snapshot();
    if (message == frame_msg::raise)
        ele__raise(l);
    else if (message == frame_msg::raise_to_top)
        ele__raise_to_top(l);
    else if (message == frame_msg::lower)
        ele__lower(l);
    else
        ele__lower_to_bottom(l);
    frame_view *order[] = {canvas_, props_, list_};
    for (frame_view *v : order)
        if (v)
            v->relayout();
}
