// The canvas with the real content of its elements, and without it.
#include <QDir>
#include <QImage>

#include "canvas_fixture.h"
#include "support/shots.h"

namespace {

// The reference pictures of the schematic drawing live beside this file.
QString reference(const QString &name)
{
    return QStringLiteral(VELLUMO_TESTS_DIR "/canvas/data/") + name + QStringLiteral(".png");
}

std::vector<unsigned char> bytes_of(const std::string &s)
{
    return std::vector<unsigned char>(s.begin(), s.end());
}

} // namespace

class CanvasContent : public CanvasTest {
protected:
    element *put(int type, double x, double y, double w, double h, const char16_t *desc)
    {
        element *e = ele__add(lab(), lab()->qty);
        e->type = type;
        e->x = x;
        e->y = y;
        e->width = w;
        e->height = h;
        e->desc = desc;
        return e;
    }
    // A label with every kind in several states, as the reference pictures
    // of the schematic drawing show it.
    void every_kind()
    {
        element *t = put(ELE_TEXT, 20, 360, -43.43, 20, u"Заголовок");
        t->text.text = u"Молоко «Утро» 3,2 %";
        t->text.size = 14;
        t->text.font = u"DejaVu Sans";
        t->text.colour = 0x204080;
        element *price = put(ELE_TEXT, 280, 300, 120, 40, u"");
        price->quadrant = 2;
        price->text.text = u"${цена} ₽";
        price->text.size = 28;
        price->text.justification = 1;
        price->text.colour = 0xC00000;
        element *b = put(ELE_BORDER, 20, 250, 120, 60, u"Рамка");
        b->border.style = 3;
        b->border.thickness = 2;
        b->border.colour = 0x208040;
        element *code = put(ELE_BARCODE, 170, 180, 110, 50, u"Код");
        code->barcode.type = 3;
        code->barcode.code = u"4600000000008";
        code->barcode.text = 1;
        element *bad = put(ELE_BARCODE, 170, 110, 110, 40, u"Плохой код");
        bad->barcode.type = 3;
        bad->barcode.code = u"12345";
        element *pic = put(ELE_PICTURE, 120, 120, 60, 40, u"Логотип");
        pic->picture.data = lg_epsi_load_mem(
            bytes_of("%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 90 60\n0 0 1 setrgbcolor 45 30 25 0 360 arc fill\n")
                .data(),
            72);
        pic->angle = 30;
        element *side = put(ELE_TEXT, 40, 60, 100, 16, u"Сбоку");
        side->angle = 90;
        side->text.text = u"ГОСТ 31450";
        side->text.size = 9;
        side->disabled = 1;
        element *round = put(ELE_BORDER, 230, 60, 50, 30, u"");
        round->quadrant = 8;
        round->angle = 45;
        canvas->set_label(lab());
        canvas->show_grid(20, true);
    }
};

TEST_F(CanvasContent, WithoutContentThePixelsAreTheSchematicOnes)
{
    every_kind();
    for (int zoom : {100, 200}) {
        canvas->zoom_to(zoom);
        for (int selected : {0, 1, 2}) {
            if (selected == 1)
                select_only({3});
            else if (selected == 2)
                select_only({0, 3});
            else
                canvas->deselect_all();
            const QImage img = canvas->render().convertToFormat(QImage::Format_RGB32);
            const QString name =
                QStringLiteral("schematic-%1%2").arg(zoom).arg(selected == 1 ? "-one" : selected == 2 ? "-two" : "");
            if (qEnvironmentVariableIsSet("VELLUMO_WRITE_REFERENCE")) {
                img.save(reference(name));
                continue;
            }
            const QImage expected = QImage(reference(name)).convertToFormat(QImage::Format_RGB32);
            ASSERT_FALSE(expected.isNull()) << name.toStdString();
            if (img != expected) {
                img.save(QStringLiteral("failed-") + name + QStringLiteral(".png"));
                ADD_FAILURE() << name.toStdString() << " differs from its reference";
            }
        }
    }
}
