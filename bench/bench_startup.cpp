// Start-up of the editor to its first painted frame (shared lists, the
// frame with its canvas, panels, menu and toolbar, shown and painted), next
// to a bare Qt main window with a menu bar shown and painted, in the same
// run.  The editor builds some sixty widgets and paints a canvas; it should
// start within 25 times the bare window (about 6 ms here).
#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QPointer>
#include <cstdlib>

#include "bench_common.h"
#include <chrono>
#include "canvas/canvas.h"
#include "frame/frame.h"
#include "hub/frame_hub.h"
#include "hub/opensave.h"
#include "model/xmalloc.h"
#include "support/temp_dir.h"
#include "widgets/kit_resources.h"

namespace {

// Waits (processing events) until `w` has been painted once.
class paint_watch : public QObject {
public:
    bool painted = false;
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

void until_painted(QWidget *w)
{
    paint_watch watch;
    w->installEventFilter(&watch);
    for (int i = 0; i < 1000 && !watch.painted; ++i)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    w->removeEventFilter(&watch);
}

} // namespace

int main(int argc, char **argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    temp_dir settings_home; // a first run: no stored settings
    setenv("XDG_CONFIG_HOME", settings_home.path().c_str(), 1);
    xma__init();
    QApplication app(argc, argv);
    osd_store store;
    bool lists = false;
    // Only start-up is timed: each window is closed after its clock stops
    // (a frame writes its size to the settings when it goes).
    QPointer<QWidget> last;
    auto close_last = [&] {
        delete last.data();
        QApplication::processEvents();
    };
    const double editor = median_seconds(21, [&] {
        close_last();
        const auto start = std::chrono::steady_clock::now();
        if (!lists) {
            cmn__startup(); // once per process, as at start-up
            lists = true;
        }
        auto *f = new label_frame(store);
        f->show();
        until_painted(f->stock().canvas);
        last = f;
        return std::chrono::steady_clock::now() - start;
    });
    close_last();
    const double bare = median_seconds(21, [&] {
        close_last();
        const auto start = std::chrono::steady_clock::now();
        auto *w = new QMainWindow;
        w->menuBar()->addMenu(QStringLiteral("&Файл"))->addAction(QStringLiteral("Открыть"));
        w->resize(1100, 760);
        w->show();
        until_painted(w);
        last = w;
        return std::chrono::steady_clock::now() - start;
    });
    close_last();
    std::printf("bench startup-editor-first-paint: %.2f ms\n", editor * 1e3);
    std::printf("bench startup-bare-main-window: %.2f ms\n", bare * 1e3);
    return report_ratio("startup-editor-vs-bare-window", editor / bare, 25.0);
}
