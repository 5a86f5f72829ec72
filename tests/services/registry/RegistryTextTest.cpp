#include <gtest/gtest.h>

#include "services/registry/RegistryText.h"

using parlaro::registry::RegistryHive;
using parlaro::registry::RegistryValue;

namespace {

QByteArray everyByte() {
    QByteArray b;
    for (int i = 0; i < 256; ++i)
        b += static_cast<char>(i);
    return b;
}

}  // namespace

TEST(RegistryText, EveryKindOfStringSurvivesTheFileForm) {
    const std::vector<QByteArray> strings = {
        QByteArray(),
        QByteArray("  spaces at both ends  "),
        QByteArray("nul\0inside\0", 11),
        QByteArray("\0", 1),
        QByteArray("quote \" and backslash \\ and \\x41"),
        QByteArray("two\r\nlines\n\ttabbed"),
        QByteArray("Grüße, 日本"),
        QByteArray("\xff\xfe invalid \xc3", 12),
        everyByte(),
        QByteArray("]\n[SOFTWARE]\n\"x\"=dword:1"),
    };
    RegistryHive hive;
    auto& key = hive.createKey("SOFTWARE\\Parlaro");
    for (std::size_t i = 0; i < strings.size(); ++i) {
        RegistryHive::setValue(key, "v" + QByteArray::number(static_cast<int>(i)),
                               RegistryValue::string(strings[i]));
    }
    RegistryHive::setValue(key, QByteArray(" odd \"name\"\x01 ", 13), RegistryValue::number(7));
    RegistryHive::setValue(key, "max", RegistryValue::number(0xffffffffu));

    const QByteArray text = parlaro::registry::toText(hive, "HKEY_CURRENT_USER");
    // One line per value, whatever the value holds.
    EXPECT_EQ(text.count("\n\"v"), static_cast<qsizetype>(strings.size()));
    const auto back = parlaro::registry::fromText(text);
    ASSERT_TRUE(back);
    const auto* k = back->findKey("software\\parlaro");
    ASSERT_NE(k, nullptr);
    ASSERT_EQ(k->values.size(), strings.size() + 2);
    for (std::size_t i = 0; i < strings.size(); ++i) {
        EXPECT_EQ(k->values[i].value.text, strings[i]) << "string " << i;
    }
    EXPECT_EQ(k->values[strings.size()].name, QByteArray(" odd \"name\"\x01 ", 13));
    EXPECT_EQ(k->values.back().value.dword, 0xffffffffu);
}

TEST(RegistryText, ReadableTextIsWrittenAsItIs) {
    RegistryHive hive;
    auto& key = hive.createKey("SOFTWARE\\Parlaro");
    RegistryHive::setValue(key, "CallPath", RegistryValue::string("/home/änn/Calls/"));
    RegistryHive::setValue(key, "Sensitivity", RegistryValue::number(static_cast<uint32_t>(-18)));
    const QByteArray text = parlaro::registry::toText(hive, "HKEY_CURRENT_USER");
    EXPECT_TRUE(text.contains("[SOFTWARE]\n"));
    EXPECT_TRUE(text.contains("[SOFTWARE\\Parlaro]\n"));
    EXPECT_TRUE(text.contains("\"CallPath\"=\"/home/änn/Calls/\"\n"));
    EXPECT_TRUE(text.contains("\"Sensitivity\"=dword:ffffffee\n"));
}

TEST(RegistryText, HandEditedFilesAreAccepted) {
    const QByteArray text =
        "; comment\r\n"
        "# another\n"
        "\n"
        "  [Software\\Parlaro]  \r\n"
        "\"a\" = \"x y\"   \n"
        "\"B\"=dword:1A\n"
        "\"b\"=dword:2\n"  // a later line for the same name wins
        "[]\n"
        "\"atRoot\"=\"r\"\n";
    const auto hive = parlaro::registry::fromText(text);
    ASSERT_TRUE(hive);
    const auto* k = hive->findKey("SOFTWARE\\PARLARO");
    ASSERT_NE(k, nullptr);
    EXPECT_EQ(RegistryHive::findValue(*k, "A")->value.text, "x y");
    EXPECT_EQ(RegistryHive::findValue(*k, "b")->value.dword, 2u);
    EXPECT_EQ(RegistryHive::findValue(*hive->findKey(""), "atroot")->value.text, "r");
}

TEST(RegistryText, MalformedFilesAreRejected) {
    const std::vector<QByteArray> bad = {
        "\"before\"=\"any key\"\n",
        "[a]\n\"open=\"x\n",
        "[a]\n\"v\"=\"unterminated\n",
        "[a]\n\"v\"=\"bad \\q escape\"\n",
        "[a]\n\"v\"=\"short \\x4\"\n",
        "[a]\n\"v\"=dword:123456789\n",
        "[a]\n\"v\"=dword:xyz\n",
        "[a]\n\"v\"=hex:01,02\n",
        "[a]\n\"v\"=\"x\" trailing\n",
        "[a]\njunk\n",
        "[a\\\\b]\n",
        "[a\n",
    };
    for (const auto& text : bad)
        EXPECT_FALSE(parlaro::registry::fromText(text)) << text.toStdString();
}

TEST(RegistryHive, NamesCompareWithoutCaseAndKeepTheirFirstSpelling) {
    RegistryHive hive;
    auto& key = hive.createKey("Software\\Parlaro");
    EXPECT_EQ(&hive.createKey("SOFTWARE\\PARLARO"), hive.findKey("software\\parlaro"));
    RegistryHive::setValue(key, "CallPath", RegistryValue::string("a"));
    RegistryHive::setValue(*hive.findKey("SOFTWARE\\PARLARO"), "CALLPATH",
                           RegistryValue::string("b"));
    ASSERT_EQ(key.values.size(), 1u);
    EXPECT_EQ(key.values[0].name, "CallPath");
    EXPECT_EQ(key.values[0].value.text, "b");
    EXPECT_NE(hive.findKey("Software"), nullptr);  // parents exist too

    hive.createKey("Software\\Parlaro\\Form Position");
    hive.createKey("Software\\ParlaroOther");
    EXPECT_TRUE(hive.removeKey("software\\parlaro"));
    EXPECT_EQ(hive.findKey("Software\\Parlaro\\Form Position"), nullptr);
    EXPECT_NE(hive.findKey("Software\\ParlaroOther"), nullptr);
}

TEST(RegistryHive, NamesThatAreNotUtf8StayApartAndKeepTheirBytes) {
    RegistryHive hive;
    auto& key = hive.createKey("SOFTWARE\\Parlaro");
    const std::vector<QByteArray> names = {"\xfe", "\xff", "\xef\xbf\xbd", "A\xff", "\xc3"};
    for (const QByteArray& name : names)
        RegistryHive::setValue(key, name, RegistryValue::string(name + "!"));
    // Capitals and small letters are still alike where the rest of the name is bytes.
    RegistryHive::setValue(key, "a\xff", RegistryValue::string("a"));
    ASSERT_EQ(key.values.size(), names.size());
    for (const QByteArray& name : names) {
        const auto* v = RegistryHive::findValue(key, name);
        ASSERT_NE(v, nullptr);
        EXPECT_EQ(v->name, name);
    }
    EXPECT_EQ(RegistryHive::findValue(key, "A\xff")->value.text, "a");

    hive.createKey("\xfe");
    hive.createKey("\xff");
    EXPECT_EQ(hive.keys().size(), 4u);
    const auto back =
        parlaro::registry::fromText(parlaro::registry::toText(hive, "HKEY_CURRENT_USER"));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->keys().size(), 4u);
    EXPECT_EQ(back->findKey("SOFTWARE\\Parlaro")->values.size(), names.size());
}
