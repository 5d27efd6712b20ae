// Reaching modal dialogs from a test: a script waits for a modal widget and
// acts on it inside the dialog's own event loop.
//
// A script never lets a run hang.  When its widget has not shown within
// modal_patience_ms, or is still open that long after the script acted on
// it, the running test fails and every modal widget is closed, so that the
// exec() waiting on it returns.  A script whose widget never showed fails
// its test when the test ends (modal_watch, installed by the tests' main).
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

// How long a script waits, in milliseconds (tests of the scripts shorten it).
inline int modal_patience_ms = 10000;

// Closes every modal widget, innermost first.
inline void close_modal_widgets()
{
    for (int i = 0; i < 64; ++i) {
        QWidget *w = QApplication::activeModalWidget();
        if (!w)
            return;
        if (auto *d = qobject_cast<QDialog *>(w))
            d->reject();
        else
            w->close();
        if (QApplication::activeModalWidget() == w)
            w->hide();
    }
}

class modal_script final : public QObject {
public:
    modal_script(std::function<QWidget *()> find, std::function<void(QWidget *)> act, std::string what)
        : find_(std::move(find)), act_(std::move(act)), what_(std::move(what))
    {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, this, [this] { poll(); });
        clock_.start();
        timer_.start();
    }
    ~modal_script() override { timer_.stop(); }

    bool acted() const { return state_ != waiting; }
    const std::string &what() const { return what_; }

    // Every script of the running test.
    static std::vector<std::unique_ptr<modal_script>> &all()
    {
        static std::vector<std::unique_ptr<modal_script>> scripts;
        return scripts;
    }

private:
    enum state { waiting, acting, watching, done };

    void poll()
    {
        if (state_ == waiting) {
            if (QWidget *w = find_()) {
                timer_.stop();
                state_ = acting;
                target_ = w;
                act_(w); // may run event loops of its own
                state_ = watching;
                clock_.restart();
                if (!open())
                    state_ = done;
                else
                    timer_.start();
                return;
            }
            if (clock_.elapsed() > modal_patience_ms) {
                state_ = done;
                timer_.stop();
                ADD_FAILURE() << "no modal " << what_ << " within " << modal_patience_ms / 1000
                              << " s; every modal window is closed";
                close_modal_widgets();
            }
            return;
        }
        if (state_ == watching) {
            if (!open()) {
                state_ = done;
                timer_.stop();
            } else if (clock_.elapsed() > modal_patience_ms) {
                state_ = done;
                timer_.stop();
                ADD_FAILURE() << "the modal " << what_ << " is still open " << modal_patience_ms / 1000
                              << " s after its script ran; every modal window is closed";
                close_modal_widgets();
            }
        }
    }

    bool open() const { return target_ && target_->isVisible(); }

    std::function<QWidget *()> find_;
    std::function<void(QWidget *)> act_;
    std::string what_;
    QTimer timer_;
    QElapsedTimer clock_;
    QPointer<QWidget> target_;
    state state_ = waiting;
};

// Fails a test that ends with a script still waiting for its widget, and
// forgets the test's scripts.
class modal_watch final : public testing::EmptyTestEventListener {
public:
    void OnTestEnd(const testing::TestInfo &) override
    {
        for (const auto &s : modal_script::all())
            if (!s->acted())
                ADD_FAILURE() << "the test ended before a modal " << s->what() << " showed";
        modal_script::all().clear();
    }

    // Ahead of the result printer, so that its failures are printed with
    // the test they belong to.
    static void install()
    {
        testing::TestEventListeners &l = testing::UnitTest::GetInstance()->listeners();
        testing::TestEventListener *printer = l.Release(l.default_result_printer());
        l.Append(new modal_watch);
        if (printer)
            l.Append(printer);
    }
};

namespace modal_detail {

inline void add(std::function<QWidget *()> find, std::function<void(QWidget *)> act, std::string what)
{
    modal_script::all().push_back(std::make_unique<modal_script>(std::move(find), std::move(act), std::move(what)));
}

} // namespace modal_detail

// Calls `act` on the first modal widget of type T once it shows.
template <typename T, typename F>
void when_modal_of(F act)
{
    modal_detail::add([] { return static_cast<QWidget *>(qobject_cast<T *>(QApplication::activeModalWidget())); },
                      [act](QWidget *w) mutable { act(static_cast<T *>(w)); }, T::staticMetaObject.className());
}

// The same for a modal widget with a given object name.
template <typename F>
void when_modal_named(const QString &name, F act)
{
    modal_detail::add(
        [name]() -> QWidget * {
            QWidget *w = QApplication::activeModalWidget();
            return w && w->objectName() == name ? w : nullptr;
        },
        [act](QWidget *w) mutable { act(w); }, "\"" + name.toStdString() + "\"");
}

// The same for whatever modal widget shows first.
template <typename F>
void when_modal(F act)
{
    modal_detail::add([] { return QApplication::activeModalWidget(); }, [act](QWidget *w) mutable { act(w); },
                      "window");
}
