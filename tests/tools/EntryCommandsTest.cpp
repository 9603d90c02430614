// The `vellum params`, `url` and `ini` subcommands, run as built: the wiring
// from arguments to the entry library, the bytes printed, exit codes and
// usage texts. The parsing rules themselves are pinned by the library tests.
#include "base/FileBytes.h"
#include "support/RunCommand.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

using vellum::testing::CommandResult;
using vellum::testing::RunCommand;
using vellum::testing::ScratchFolder;

const std::string kTestGbk = "\xB2\xE2\xCA\xD4"; // "测试" in GBK

CommandResult Vellum(const std::vector<std::string>& args)
{
    return RunCommand(VELLUM_CLI, args, {{"VELLUM_CODEPAGE", "GBK"}});
}

TEST(EntryCommandsTest, ParamsListsEverythingOrLooksUpOneName)
{
    CommandResult result = Vellum({"params", "list?UserName=%B2%E2%CA%D4&a&b=1"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "path\tlist\n"
                          "query\tUserName=%B2%E2%CA%D4&a&b=1\n"
                          "entry\tUserName\t" +
                              kTestGbk + "\nentry\ta&b\t1\nentry\tb\t1\n");
    EXPECT_EQ(result.err, "");

    EXPECT_EQ(Vellum({"params", "Keyid=5&Connect=x", "keyid"}).out, "5\n");
    EXPECT_EQ(Vellum({"params", "a=1&e=", "e"}).out, "\n");
    result = Vellum({"params", "a=1", "missing"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find("missing"), std::string::npos);

    // --int may come before or after the name; an absent name reads -1.
    EXPECT_EQ(Vellum({"params", "n=-12x&e=", "n", "--int"}).out, "-12\n");
    EXPECT_EQ(Vellum({"params", "n=-12x&e=", "--int", "e"}).out, "0\n");
    result = Vellum({"params", "n=1", "absent", "--int"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "-1\n");
}

TEST(EntryCommandsTest, UrlEncodesAndDecodes)
{
    EXPECT_EQ(Vellum({"url", "encode", "a b-" + kTestGbk}).out, "a%20b%2D%B2%E2%CA%D4\n");
    CommandResult result = Vellum({"url", "decode", "a+b%41%zz100%"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "a bAzz100\n");
}

TEST(EntryCommandsTest, IniSetWritesTheModulesLayoutAndGetReadsItBack)
{
    ScratchFolder scratch;
    std::string file = scratch.Path() + "data.ini";
    CommandResult result = Vellum({"ini", "set", file, ".", "HttpServer", "two\r\nlines"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(Vellum({"ini", "set", file, kTestGbk, "k", kTestGbk}).exitCode, 0);
    EXPECT_EQ(FileBytes(file), "\r\n[.]\r\nHttpServer=two\\r\\nlines\r\n"
                               "\r\n[" +
                                   kTestGbk + "]\r\nk=" + kTestGbk + "\r\n");

    result = Vellum({"ini", "get", file, ".", "httpserver"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "two\r\nlines\n");
    result = Vellum({"ini", "get", file, ".", "absent"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err, "");

    result = Vellum({"ini", "set", scratch.Path() + "missing/x.ini", "s", "k", "v"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("missing/x.ini"), std::string::npos);
}

TEST(EntryCommandsTest, IniListsSectionsAndKeys)
{
    ScratchFolder scratch;
    std::string file = scratch.Path() + "gridpos.ini";
    std::ofstream(file, std::ios::binary) << "[Drafts]\nColumnWidth=10;20\nkey = v\n[Sent]\n";
    EXPECT_EQ(Vellum({"ini", "sections", file}).out, "Drafts\nSent\n");
    CommandResult result = Vellum({"ini", "keys", file, "DRAFTS"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "ColumnWidth\nkey \n");
    EXPECT_EQ(Vellum({"ini", "keys", file, "nowhere"}).out, "");
}

TEST(EntryCommandsTest, IniFileNamesAreSystemNamesUnderEveryCodePage)
{
    ScratchFolder scratch;
    // "测试.ini": the command line carries the system's UTF-8 name whatever
    // the host code page is.
    std::string file = scratch.Path() + "\xE6\xB5\x8B\xE8\xAF\x95.ini";
    for (const char* codePage : {"GBK", "UTF-8"}) {
        CommandResult set = RunCommand(VELLUM_CLI, {"ini", "set", file, "s", codePage, "1"},
                                       {{"VELLUM_CODEPAGE", codePage}});
        EXPECT_EQ(set.exitCode, 0) << codePage << ": " << set.err;
        CommandResult keys =
            RunCommand(VELLUM_CLI, {"ini", "keys", file, "s"}, {{"VELLUM_CODEPAGE", codePage}});
        EXPECT_NE(keys.out.find(std::string(codePage) + "\n"), std::string::npos) << codePage;
    }
    EXPECT_EQ(FileBytes(file), "\r\n[s]\r\nGBK=1\r\nUTF-8=1\r\n");
}

TEST(EntryCommandsTest, UnreadableFilesAndBadUsageExitWithOne)
{
    ScratchFolder scratch;
    std::string missing = scratch.Path() + "none.ini";
    using Args = std::vector<std::string>;
    for (const Args& args : {Args{"ini", "get", missing, "s", "k"},
                             Args{"ini", "sections", missing}, Args{"ini", "keys", missing, "s"}}) {
        CommandResult result = Vellum(args);
        EXPECT_EQ(result.exitCode, 1) << args[1];
        EXPECT_EQ(result.out, "") << args[1];
        EXPECT_NE(result.err.find("none.ini"), std::string::npos) << args[1];
    }
    for (const Args& args :
         {Args{"ini", "get", missing, "s"}, Args{"ini", "drop", missing}, Args{"ini"},
          Args{"params"}, Args{"params", "a=1", "a", "x"}, Args{"params", "a=1", "--int"},
          Args{"url", "reverse", "x"}, Args{"url", "encode"}})
        EXPECT_EQ(Vellum(args).exitCode, 1) << args[0] << " " << args.size();
}

TEST(EntryCommandsTest, EverySubcommandExplainsItself)
{
    const std::pair<std::string, std::string> expected[] = {
        {"params", "vellum params TEXT NAME [--int]"},
        {"url", "vellum url decode TEXT"},
        {"ini", "vellum ini keys FILE SECTION"},
    };
    CommandResult overview = Vellum({"--help"});
    for (const auto& [command, line] : expected) {
        CommandResult result = Vellum({command, "--help"});
        EXPECT_EQ(result.exitCode, 0) << command;
        EXPECT_NE(result.out.find(line), std::string::npos) << command;
        EXPECT_NE(overview.out.find(command), std::string::npos) << command;
    }
}

} // namespace
