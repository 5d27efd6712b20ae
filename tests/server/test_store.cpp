// The server's store on its own: names to files, foreign and broken files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "exchange/inout.h"
#include "exchange/xmlrpc_support.h"
#include "platform/code_pages.h"
#include "server/store.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

label_ptr named(const std::u16string &name)
{
    label_ptr lab = ele__label_new(100, 50);
    lab->name = name;
    return lab;
}

} // namespace

TEST(ServerStore, EveryNameHasItsOwnFileInsideTheFolder)
{
    temp_dir dir;
    folder_store store((dir / "labels").string());
    std::vector<std::u16string> names = {u"a", u"A", u"..", u".", u"/", u"a/b", u"a\\b", u"a b", u"a_b",
                                         u"../x", u"x/..", std::u16string(1000, u'ж'), std::u16string(1001, u'ж')};
    for (char16_t c = 1; c < 32; ++c)
        names.push_back(std::u16string(u"ctl") + c);
    std::set<std::string> files;
    for (const std::u16string &n : names) {
        const fs::path f = store.file_for(n);
        EXPECT_EQ(f.parent_path(), dir / "labels") << plt__to_utf8(n);
        EXPECT_LE(f.filename().string().size(), 200u);
        EXPECT_EQ(f.extension(), ".lbl");
        for (unsigned char c : f.filename().string())
            EXPECT_GE(c, 32) << plt__to_utf8(n);
        files.insert(f.string());
    }
    EXPECT_EQ(files.size(), names.size());
}

TEST(ServerStore, ForeignAndBrokenFilesAreLeftAlone)
{
    temp_dir dir;
    folder_store store((dir / "labels").string());
    std::string error;
    ASSERT_EQ(store.save(named(u"Настоящая").get(), error), server_store::result::ok) << error;

    // A label file copied in under another file name: not a stored label.
    label_ptr foreign = named(u"Чужая");
    ino_env env;
    std::string bytes;
    ASSERT_TRUE(ino__file_bytes(foreign.get(), bytes, &env.env));
    std::ofstream(dir / "labels" / "copied.lbl", std::ios::binary) << bytes;
    // A cut-off file in the place of a name, and a folder named like a label.
    const std::string cut = store.file_for(u"Обрезанная");
    std::ofstream(cut, std::ios::binary) << bytes.substr(0, bytes.size() / 2);
    fs::create_directories(store.file_for(u"Папка"));

    std::vector<stored_label> list = store.list();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].name, u"Настоящая");
    server_store::result r;
    ino_env e2;
    EXPECT_EQ(store.load(&e2.env, u"Обрезанная", r), nullptr);
    EXPECT_NE(r, server_store::result::ok);
    ino_env e2b;
    EXPECT_EQ(store.load(&e2b.env, u"Папка", r), nullptr);
    EXPECT_EQ(r, server_store::result::not_found);
    // Saving over the broken one mends it.
    ASSERT_EQ(store.save(named(u"Обрезанная").get(), error), server_store::result::ok);
    ino_env e3;
    xmlrpc_value *v = store.load(&e3.env, u"Обрезанная", r);
    ASSERT_NE(v, nullptr);
    xmlrpc_DECREF(v);

    // Renaming onto itself is fine, onto another label is refused, a label
    // changed behind the store's back is read again.
    EXPECT_EQ(store.rename(u"Настоящая", u"Настоящая", error), server_store::result::ok);
    EXPECT_EQ(store.rename(u"Настоящая", u"Обрезанная", error), server_store::result::exists);
    label_ptr changed = named(u"Настоящая");
    changed->desc = u"изменена снаружи";
    ino_env e4;
    ASSERT_TRUE(ino__file_bytes(changed.get(), bytes, &e4.env));
    std::ofstream(store.file_for(u"Настоящая"), std::ios::binary) << bytes << "\n\n";
    list = store.list();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].desc, u"изменена снаружи");
}

TEST(ServerStore, ParsedLabelsAreCachedWithinTheirBytesMostRecentFirst)
{
    temp_dir dir;
    folder_store store((dir / "labels").string(), 1u << 20);
    std::string error;
    const int count = 10;
    for (int i = 0; i < count; ++i) {
        label_ptr lab = named(u"Метка " + plt__from_utf8(std::to_string(i)));
        element *e = ele__add(lab.get(), 0);
        e->type = ELE_TEXT;
        e->text.text = std::u16string(200000, u'a');
        ASSERT_EQ(store.save(lab.get(), error), server_store::result::ok) << error;
    }
    std::vector<xmlrpc_value *> first;
    for (int i = 0; i < count; ++i) {
        server_store::result r;
        ino_env env;
        first.push_back(store.load(&env.env, u"Метка " + plt__from_utf8(std::to_string(i)), r));
        ASSERT_NE(first.back(), nullptr);
        EXPECT_LE(store.cache_bytes_in_use(), 1u << 20);
    }
    EXPECT_GT(store.cache_bytes_in_use(), 0u);
    auto again = [&](int i) {
        server_store::result r;
        ino_env env;
        xmlrpc_value *v = store.load(&env.env, u"Метка " + plt__from_utf8(std::to_string(i)), r);
        if (v)
            xmlrpc_DECREF(v);
        return v;
    };
    // The last one read is served from the cache; the first was pushed out
    // and is read again.
    EXPECT_EQ(again(count - 1), first[count - 1]);
    EXPECT_NE(again(0), first[0]);
    for (xmlrpc_value *v : first)
        xmlrpc_DECREF(v);

    // A label larger than the whole cache is read every time, never kept.
    label_ptr huge = named(u"Огромная");
    element *e = ele__add(huge.get(), 0);
    e->type = ELE_TEXT;
    e->text.text = std::u16string(2u << 20, u'b');
    ASSERT_EQ(store.save(huge.get(), error), server_store::result::ok) << error;
    server_store::result r;
    ino_env env;
    xmlrpc_value *v = store.load(&env.env, u"Огромная", r);
    ASSERT_NE(v, nullptr);
    EXPECT_LE(store.cache_bytes_in_use(), 1u << 20);
    xmlrpc_DECREF(v);
}

TEST(ServerStore, AFileThatNoLongerReadsCanBeDropped)
{
    temp_dir dir;
    folder_store store((dir / "labels").string());
    std::string error;
    ASSERT_EQ(store.save(named(u"Битая").get(), error), server_store::result::ok);
    const std::string path = store.file_for(u"Битая");
    fs::resize_file(path, fs::file_size(path) / 2);
    server_store::result r;
    ino_env env;
    EXPECT_EQ(store.load(&env.env, u"Битая", r), nullptr);
    EXPECT_EQ(r, server_store::result::bad_label);
    EXPECT_EQ(store.drop(u"Битая"), server_store::result::ok);
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(store.drop(u"Битая"), server_store::result::not_found);
    // A readable file of another label in that place is not dropped.
    ASSERT_EQ(store.save(named(u"Другая").get(), error), server_store::result::ok);
    fs::copy_file(store.file_for(u"Другая"), path);
    EXPECT_EQ(store.drop(u"Битая"), server_store::result::not_found);
    EXPECT_TRUE(fs::exists(path));
}
