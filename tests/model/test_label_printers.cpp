// Label printers kept in the settings: what is written reads back the same,
// and whatever else another program or a hand edit left there is passed
// over without harm.
#include <gtest/gtest.h>

#include "model/settings.h"
#include "support/settings_home.h"

namespace {

settings::label_printer sample(std::u16string name)
{
    settings::label_printer p;
    p.name = std::move(name);
    p.language = settings::label_printer_language::tspl;
    p.dpi = 300;
    p.connection = u"socket://[::1]:9101";
    p.head_width_mm = 104.125;
    p.darkness = 12;
    p.speed = 4;
    p.media = settings::label_printer_media::mark;
    p.gap_mm = 2.5;
    p.offset_x_mm = -1.25;
    p.offset_y_mm = 0.75;
    return p;
}

// A sound entry with field `index` replaced by `value`.
std::u16string with_field(int index, const std::u16string &value)
{
    std::u16string fields[] = {u"Склад", u"zpl", u"203", u"socket://10.0.0.5", u"0", u"-1",
                               u"0",     u"gap", u"3",   u"0",                 u"0"};
    fields[index] = value;
    std::u16string out = fields[0];
    for (int i = 1; i < 11; ++i)
        out += u"\t" + fields[i];
    return out;
}

} // namespace

TEST(LabelPrinters, EveryFieldReadsBackAsWritten)
{
    settings_home home;
    settings::label_printer device;
    device.name = u"Этикетки «склад» №2";
    device.language = settings::label_printer_language::epl;
    device.connection = u"/dev/usb/lp0";
    device.media = settings::label_printer_media::continuous;
    device.gap_mm = 0;
    const std::vector<settings::label_printer> kept = {sample(u"Zebra 1"), device, settings::label_printer{
                                                                                      .name = u"x",
                                                                                      .connection = u"socket://p",
                                                                                  }};
    ASSERT_EQ(settings::set_label_printers(kept), 1);
    EXPECT_EQ(settings::get_label_printers(), kept);
    EXPECT_EQ(settings::find_label_printer(u"Этикетки «склад» №2"), device);
    EXPECT_FALSE(settings::find_label_printer(u"этикетки «склад» №2")); // names are exact
    // The stored form is fixed: other versions read it.
    EXPECT_EQ(settings::get(settings::label_printers)[2],
              u"x\tzpl\t203\tsocket://p\t0.000\t-1\t0\tgap\t3.000\t0.000\t0.000");
    // Removing the last one leaves an empty list, not a stale one.
    ASSERT_EQ(settings::set_label_printers({}), 1);
    EXPECT_TRUE(settings::get_label_printers().empty());
}

TEST(LabelPrinters, BrokenEntriesAreSkippedAndTheFirstOfANameWins)
{
    settings_home home;
    const std::u16string good = with_field(0, u"Хороший");
    ASSERT_TRUE(settings::read_label_printer(good));
    const std::vector<std::u16string> hostile = {
        u"",
        u"\t\t\t\t\t\t\t\t\t\t",
        good.substr(0, good.rfind(u'\t')),  // a field short
        good + u"\t0",                      // a field too many
        with_field(0, u""),                 // no name
        with_field(0, u"   "),              // blanks only
        with_field(0, u"two\nlines"),       // line breaks in a name
        with_field(0, u"cr\r"),
        with_field(0, std::u16string(65, u'ж')),
        with_field(1, u"ZPL2"),
        with_field(1, u""),
        with_field(2, u"abc"),
        with_field(2, u"203.5"),
        with_field(2, u"2e2"),
        with_field(2, u"99"),
        with_field(2, u"601"),
        with_field(2, u"99999999999999999999"),
        with_field(2, u"-203"),
        with_field(3, u""),
        with_field(3, u"http://printer"),
        with_field(3, u"socket://"),
        with_field(3, u"socket://host:"),
        with_field(3, u"socket://host:0"),
        with_field(3, u"socket://host:65536"),
        with_field(3, u"socket://host:-1"),
        with_field(3, u"socket://a b"),
        with_field(3, u"socket://[::1"),
        with_field(3, u"relative/lp0"),
        with_field(3, u"/"),
        with_field(3, u"/dev/usb/lp0\x01"),
        with_field(3, u"/" + std::u16string(300, u'a')),
        with_field(4, u"nan"),
        with_field(4, u"inf"),
        with_field(4, u"-1"),
        with_field(4, u"1e309"),
        with_field(5, u"-2"),
        with_field(5, u"31"),
        with_field(5, u"1.5"),
        with_field(6, u"-1"),
        with_field(6, u"31"),
        with_field(7, u"hole"),
        with_field(8, u"-inf"),
        with_field(8, u"51"),
        with_field(9, u"NaN"),
        with_field(9, u"-50.001"),
        with_field(10, u"1e400"),
        with_field(10, u"0x10"),
    };
    for (const std::u16string &h : hostile)
        EXPECT_FALSE(settings::read_label_printer(h)) << h.size();
    // Megabytes of separators, or of a name, cost no more than their reading.
    EXPECT_FALSE(settings::read_label_printer(std::u16string(1 << 20, u'\t')));
    EXPECT_FALSE(settings::read_label_printer(with_field(0, std::u16string(1 << 20, u'я'))));
    std::vector<std::u16string> list = hostile;
    list.insert(list.begin() + 5, good);
    list.push_back(good); // the same name again, of another language
    list.back().replace(list.back().find(u"zpl"), 3, u"epl");
    list.push_back(with_field(0, u"Второй"));
    ASSERT_EQ(settings::set(settings::label_printers, list), 1);
    const std::vector<settings::label_printer> read = settings::get_label_printers();
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[0].name, u"Хороший");
    EXPECT_EQ(read[0].language, settings::label_printer_language::zpl); // the first one
    EXPECT_EQ(read[1].name, u"Второй");

    // Writing back keeps only what reads: unsound printers and a repeated
    // name are left out, never written for the next reader to trip on.
    settings::label_printer bad = sample(u"Плохой");
    bad.offset_x_mm = std::numeric_limits<double>::quiet_NaN();
    settings::label_printer tabbed = sample(u"Таб\tуляция");
    ASSERT_EQ(settings::set_label_printers({read[0], bad, tabbed, read[1], sample(u"Второй")}), 1);
    EXPECT_EQ(settings::get(settings::label_printers).size(), 2u);
    EXPECT_EQ(settings::get_label_printers(), read);
}

TEST(LabelPrinters, ConnectionsTakenAndRefused)
{
    for (const char16_t *ok : {u"socket://printer.local", u"socket://192.168.1.10:9100", u"socket://[fe80::1]:9100",
                               u"socket://[::1]", u"socket://zebra-2_b:65535", u"/dev/usb/lp0", u"/tmp/файл"})
        EXPECT_EQ(settings::label_printer_connection_refusal(ok), u"") << std::u16string(ok).size();
    // The port is said apart: the user typed an address and a wrong number.
    EXPECT_EQ(settings::label_printer_connection_refusal(u"socket://p:70000"), u"Порт принтера - число от 1 до 65535.");
    EXPECT_NE(settings::label_printer_connection_refusal(u"lp0").find(u"socket://АДРЕС[:ПОРТ]"), std::u16string::npos);
    // Each refusal names what is wrong.
    settings::label_printer p = sample(u"");
    EXPECT_EQ(settings::label_printer_refusal(p), u"Укажите имя принтера.");
    p.name = u"П";
    p.dpi = 1200;
    EXPECT_NE(settings::label_printer_refusal(p).find(u"Разрешение"), std::u16string::npos);
    p.dpi = 203;
    p.speed = 99;
    EXPECT_NE(settings::label_printer_refusal(p).find(u"Скорость"), std::u16string::npos);
}
