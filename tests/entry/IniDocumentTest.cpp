// The ini document: what Load makes of real and damaged files, lookups with
// their case rules and section cache, Set, and the exact bytes Save writes.
#include "entry/IniDocument.h"

#include "entry/FileBytes.h"
#include "platform/text/CodePage.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>

namespace {

using vellum::testing::ScratchFolder;

// "测试" and "名字" in GBK, "测试" in UTF-8.
const std::string kTestGbk = "\xB2\xE2\xCA\xD4";
const std::string kNameGbk = "\xC3\xFB\xD7\xD6";
const std::string kTestUtf8 = "\xE6\xB5\x8B\xE8\xAF\x95";

class IniDocumentTest : public ::testing::Test
{
protected:
    void TearDown() override { vellum::text::SetHostCodePage("GBK"); }

    std::string Write(const std::string& content, const std::string& name = "test.ini")
    {
        std::string path = m_scratch.Path() + name;
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    CIniDocument LoadText(const std::string& content)
    {
        CIniDocument ini;
        EXPECT_EQ(ini.Load(Write(content)), 1);
        return ini;
    }

    ScratchFolder m_scratch;
};

std::vector<std::string> SectionsOf(const CIniDocument& ini)
{
    std::vector<std::string> names;
    ini.GetSectionNames(&names);
    return names;
}

std::vector<std::string> KeysOf(const CIniDocument& ini, const std::string& section)
{
    std::vector<std::string> keys;
    ini.GetKeys(section, &keys);
    return keys;
}

TEST_F(IniDocumentTest, LoadKeepsTheFormatsQuirks)
{
    CIniDocument ini = LoadText("lost=1\n"  // before any section: dropped
                                "[[a]]\n"   // section "a"
                                "key = v\n" // name "key ", value " v"
                                "   k2=x\n" // leading spaces go
                                "\tk3=y\n"  // a tab does not
                                "bare\n"    // no "=": empty value
                                ";c=1\n"    // comments are keys too
                                "#d\n"
                                "=empty name\n"
                                "[b]tail ignored\n"
                                "[damaged\n" // skipped; keys stay in b
                                "k4=in b\n"
                                "[]\n" // a nameless section
                                "k5=5\n"
                                "   \n"
                                "\n");
    EXPECT_EQ(SectionsOf(ini), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(KeysOf(ini, "a"),
              (std::vector<std::string>{"key ", "k2", "\tk3", "bare", ";c", "#d", ""}));
    EXPECT_EQ(ini.Get("a", "key"), std::nullopt);
    EXPECT_EQ(ini.Get("a", "key "), " v");
    EXPECT_EQ(ini.Get("a", "K2"), "x");
    EXPECT_EQ(ini.Get("a", "\tk3"), "y");
    EXPECT_EQ(ini.Get("a", "bare"), "");
    EXPECT_EQ(ini.Get("a", ";c"), "1");
    EXPECT_EQ(ini.Get("a", ""), "empty name");
    EXPECT_EQ(ini.Get("a", "lost"), std::nullopt);
    EXPECT_EQ(ini.Get("", "lost"), std::nullopt);
    EXPECT_EQ(KeysOf(ini, "b"), std::vector<std::string>{"k4"});
    EXPECT_EQ(ini.Get("", "k5"), "5");
    EXPECT_EQ(KeysOf(ini, "damaged"), std::vector<std::string>{});
}

TEST_F(IniDocumentTest, LoadStripsLineBreaksAndUnescapesValues)
{
    // The first lines are what the module itself writes.
    CIniDocument ini = LoadText("[.]\r\nHttpServer=x\r\n"
                                "[s]\r\n"
                                "cr=a\rb\r\n"
                                "esc=1\\\\2\\r3\\n4\\t5\\\r\n"
                                "last=no line end");
    EXPECT_EQ(ini.Get(".", "httpserver"), "x");
    EXPECT_EQ(ini.Get("s", "cr"), "ab");
    EXPECT_EQ(ini.Get("s", "esc"), "1\\2\r3\n4\\t5\\");
    EXPECT_EQ(ini.Get("s", "last"), "no line end");
}

TEST_F(IniDocumentTest, DuplicatesAreKeptAndTheFirstOneAnswers)
{
    CIniDocument ini = LoadText("[A]\nk=1\nk=2\n[a]\nk=3\ny=4\n");
    EXPECT_EQ(SectionsOf(ini), (std::vector<std::string>{"A", "a"}));
    EXPECT_EQ(KeysOf(ini, "a"), (std::vector<std::string>{"k", "k"}));
    EXPECT_EQ(ini.Get("a", "K"), "1");
    // The first matching section is the only one consulted.
    EXPECT_EQ(ini.Get("a", "y"), std::nullopt);
    EXPECT_EQ(ini.Get("A", "y"), std::nullopt);
}

TEST_F(IniDocumentTest, NamesFoldAsciiButCompareDoubleByteCharactersExactly)
{
    vellum::text::SetHostCodePage("GBK");
    CIniDocument ini = LoadText("[" + kTestGbk + "]\n" + kNameGbk + "=" + kTestGbk +
                                "\n\x81\x41=upper\nAb=ascii\n");
    EXPECT_EQ(SectionsOf(ini), std::vector<std::string>{kTestGbk});
    EXPECT_EQ(ini.Get(kTestGbk, kNameGbk), kTestGbk);
    EXPECT_EQ(ini.Get(kTestGbk, "\x81\x41"), "upper");
    EXPECT_EQ(ini.Get(kTestGbk, "\x81\x61"), std::nullopt);
    EXPECT_EQ(ini.Get(kTestGbk, "aB"), "ascii");

    vellum::text::SetHostCodePage("UTF-8");
    CIniDocument utf8 = LoadText("[" + kTestUtf8 + "X]\nk=v\n");
    EXPECT_EQ(utf8.Get(kTestUtf8 + "x", "K"), "v");
}

TEST_F(IniDocumentTest, LoadReplacesTheContentOnlyWhenTheFileOpens)
{
    CIniDocument ini;
    ini.Set("s", "k", "kept");
    EXPECT_EQ(ini.Load(m_scratch.Path() + "missing.ini"), 0);
    EXPECT_EQ(ini.Load(m_scratch.Path()), 0); // a folder is no file either
    EXPECT_EQ(ini.Get("s", "k"), "kept");
    EXPECT_EQ(ini.GetPath(), "");

    ASSERT_EQ(ini.Load(Write("[new]\nk=2\n")), 1);
    EXPECT_EQ(ini.Get("s", "k"), std::nullopt);
    EXPECT_EQ(ini.Get("new", "k"), "2");
    ASSERT_EQ(ini.Load(Write("")), 1);
    EXPECT_EQ(SectionsOf(ini), std::vector<std::string>{});
}

TEST_F(IniDocumentTest, DamagedFilesGiveResultsNeverCrashes)
{
    // A NUL ends its line as it would end a C string.
    CIniDocument ini = LoadText(std::string("[s]\nk=ab\0cd\nm=2\n[t\0]\nn=3\n", 25));
    EXPECT_EQ(ini.Get("s", "k"), "ab");
    EXPECT_EQ(ini.Get("s", "m"), "2");
    EXPECT_EQ(ini.Get("s", "n"), "3"); // "[t" lost its "]"

    // A very long line of two megabytes, without a final line end.
    std::string longValue(2 * 1024 * 1024, 'x');
    ini = LoadText("[big]\nk=" + longValue);
    EXPECT_EQ(ini.Get("big", "k"), longValue);

    // Random binary noise, then a well-formed tail that must still be read.
    std::mt19937 random(11);
    for (int round = 0; round < 50; ++round) {
        std::string noise;
        for (int i = 0; i < 2000; ++i)
            noise += static_cast<char>(random() % 256);
        CIniDocument noisy = LoadText(noise + "\n[zz tail]\nkey=value\n");
        EXPECT_EQ(noisy.Get("zz tail", "key"), "value");
        std::vector<std::string> sections;
        EXPECT_GE(noisy.GetSectionNames(&sections), 1);
    }
}

TEST_F(IniDocumentTest, SaveWritesTheExactLayout)
{
    CIniDocument ini;
    EXPECT_EQ(ini.Set("A", "k", "1"), 1);
    std::string path = m_scratch.Path() + "out.ini";
    ASSERT_EQ(ini.Save(path), 1);
    EXPECT_EQ(FileBytes(path), "\r\n[A]\r\nk=1\r\n");

    ini.Set("B", "x", "");
    ini.Set("a", "second", "2");
    ini.SetInt("B", "n", -5);
    ASSERT_EQ(ini.Save(path), 1);
    EXPECT_EQ(FileBytes(path), "\r\n[A]\r\nk=1\r\nsecond=2\r\n\r\n[B]\r\nx=\r\nn=-5\r\n");
    EXPECT_EQ(ini.Save(m_scratch.Path() + "missing/out.ini"), 0);
    EXPECT_EQ(ini.Save(m_scratch.Path()), 0); // a folder
    EXPECT_EQ(ini.Get("A", "k"), "1");

    CIniDocument empty;
    ASSERT_EQ(empty.Save(path), 1);
    EXPECT_EQ(FileBytes(path), "");
}

TEST_F(IniDocumentTest, SaveEscapesValuesThatLoadRestores)
{
    CIniDocument ini;
    const std::string twoLines = "first line\r\nsecond \\ line\n\\r";
    ini.Set("s", "body", twoLines);
    std::string path = m_scratch.Path() + "out.ini";
    ASSERT_EQ(ini.Save(path), 1);
    EXPECT_EQ(FileBytes(path), "\r\n[s]\r\nbody=first line\\r\\nsecond \\\\ line\\n\\\\r\r\n");

    CIniDocument back;
    ASSERT_EQ(back.Load(path), 1);
    EXPECT_EQ(back.Get("S", "BODY"), twoLines);
}

TEST_F(IniDocumentTest, NamesMatchInAnyCaseKeepTheirFirstSpellingAndTheCachedSectionHidesNoOther)
{
    CIniDocument ini;
    ini.Set("Grid", "ColumnWidth", "10");
    ini.Set("GRID", "columnwidth", "20");
    ini.Set("grid", "Other", "x");
    EXPECT_EQ(SectionsOf(ini), std::vector<std::string>{"Grid"});
    EXPECT_EQ(KeysOf(ini, "grid"), (std::vector<std::string>{"ColumnWidth", "Other"}));
    EXPECT_EQ(ini.Get("Grid", "ColumnWidth"), "20");
    EXPECT_EQ(ini.GetInt("Grid", "COLUMNWIDTH"), 20);
    ini.Set("Grid", "ColumnWidth", "12px");
    EXPECT_EQ(ini.GetInt("Grid", "ColumnWidth"), 12);
    ini.Set("Grid", "Neg", " -3");
    EXPECT_EQ(ini.GetInt("Grid", "Neg"), -3);
    EXPECT_EQ(ini.GetInt("Grid", "Other"), 0);
    EXPECT_EQ(ini.GetInt("Grid", "missing"), 0);
    EXPECT_EQ(ini.GetInt("missing", "ColumnWidth"), 0);

    // After a lookup in "Grid" (the cached section), another is still found by its own name.
    ini.Set("two", "k", "2");
    EXPECT_EQ(ini.Get("Grid", "Other"), "x");
    EXPECT_EQ(ini.Get("TWO", "k"), "2");
    EXPECT_EQ(ini.Get("grid", "absent"), std::nullopt);
    EXPECT_EQ(ini.Get("two", "k"), "2");
}

TEST_F(IniDocumentTest, ListsAndClear)
{
    CIniDocument ini;
    std::vector<std::string> names = {"left over"};
    EXPECT_EQ(ini.GetSectionNames(&names), 0);
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(ini.GetSectionNames(nullptr), 0);

    ini.Set("", "k", "nameless");
    ini.Set("s", "a", "1");
    ini.Set("s", "b", "2");
    EXPECT_EQ(ini.GetSectionNames(&names), 1);
    EXPECT_EQ(names, std::vector<std::string>{"s"});
    std::vector<std::string> keys = {"left over"};
    EXPECT_EQ(ini.GetKeys("S", &keys), 2);
    EXPECT_EQ(keys, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(ini.GetKeys("missing", &keys), 0);
    EXPECT_TRUE(keys.empty());
    EXPECT_EQ(ini.GetKeys("s", nullptr), 0);
    EXPECT_EQ(ini.Get("", "k"), "nameless");

    ASSERT_EQ(ini.Load(Write("[x]\n")), 1);
    ini.Set("s", "a", "1");
    ini.Clear();
    EXPECT_EQ(ini.Get("s", "a"), std::nullopt);
    EXPECT_EQ(ini.GetSectionNames(&names), 0);
    EXPECT_EQ(ini.GetPath(), m_scratch.Path() + "test.ini");
}

TEST_F(IniDocumentTest, PathsAreHostCodePageText)
{
    vellum::text::SetHostCodePage("GBK");
    Write("[s]\nk=gbk\n", kTestUtf8 + ".ini");
    CIniDocument ini;
    ASSERT_EQ(ini.Load(m_scratch.Path() + kTestGbk + ".ini"), 1);
    EXPECT_EQ(ini.Get("s", "k"), "gbk");
    ini.Set("s", "k", "saved");
    ASSERT_EQ(ini.Save(m_scratch.Path() + kNameGbk + ".ini"), 1);
    EXPECT_EQ(FileBytes(m_scratch.Path() + "\xE5\x90\x8D\xE5\xAD\x97.ini"),
              "\r\n[s]\r\nk=saved\r\n");

    vellum::text::SetHostCodePage("UTF-8");
    CIniDocument utf8;
    ASSERT_EQ(utf8.Load(m_scratch.Path() + kTestUtf8 + ".ini"), 1);
    EXPECT_EQ(utf8.Get("s", "k"), "gbk");
}

} // namespace
