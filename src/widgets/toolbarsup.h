// The toolbar host: a flat toolbar built from a table of buttons, with
// normal and disabled pictures, check groups, tooltips from the table, and
// the height it needs.
#pragma once

#include <QWidget>
#include <map>
#include <vector>

class QAction;
class QToolBar;

enum : int { TBS_BUTTON = 0, TBS_SEPARATOR = 1, TBS_CHECK_GROUP = 6 };

struct tbs_row {
    int command;
    const char16_t *tooltip;
    int style;
    const char *normal_image;
    const char *disabled_image;
};

struct tbs_stock {
    QWidget *host = nullptr;
    QToolBar *tb = nullptr;
    QWidget *target = nullptr;
    std::vector<QIcon> normal, disabled; // image i belongs to row i, separators included
    int image_width = 16, image_height = 16;
    const tbs_row *table = nullptr;
    int qty = 0;
};

class toolbar_host final : public QWidget {
    Q_OBJECT
public:
    toolbar_host(QWidget *parent, QWidget *target, const tbs_row *table, int qty, int image_width,
                 int image_height);
    void enable(int command, bool on);   // greys or enables a command's button
    int needed_height() const;           // the height the rows of buttons take
    void check(int command, bool on);    // checks a button (its group's others go out)
    QAction *action(int command) const;  // the button of a command, or null
    // The tooltip the table gives a command id (nothing for separators).
    QString tooltip_for(int command) const;
    QToolBar *toolbar() const { return stock_.tb; }
    const tbs_stock &stock() const { return stock_; }

signals:
    void command(int id);

protected:
    void resizeEvent(QResizeEvent *) override;
    void changeEvent(QEvent *e) override;

private:
    void build_images();
    tbs_stock stock_;
    std::map<int, QAction *> actions_;
};
