// The multipart body: its exact layout around a boundary of its own, file
// parts read from disk as the body is read, unreadable files, and files
// that change between measuring and sending.
#include "net/MultipartForm.h"

#include "net/TestHome.h"
#include "platform/text/CodePage.h"

#include <gtest/gtest.h>

#include <regex>

namespace {

using vellum::testing::TestHome;

std::string Body(CMultipartForm& form)
{
    const char* body = form.GetBody();
    return body ? std::string(body, static_cast<size_t>(form.GetLength())) : "<none>";
}

TEST(MultipartFormTest, UploadFormHasTheExactLayoutAroundABoundaryOfItsOwn)
{
    TestHome home("multipart");
    std::string data("file\0bytes\r\n--#BOUNDARAY1234567890#--\r\n", 40);
    home.WriteFile("it's/a'b\".bin", data);
    std::string path = home.Home() + "it's/a'b\".bin";

    CMultipartForm form;
    const std::string boundary = form.GetBoundary();
    EXPECT_TRUE(std::regex_match(boundary, std::regex("#BOUNDARAY1234567890#[0-9a-f]{32}")));
    EXPECT_NE(CMultipartForm().GetBoundary(), boundary) << "every form draws its own";
    EXPECT_EQ(form.AddPart("UserName", "alice", 0), 0);
    EXPECT_EQ(form.AddPart("FileName1", "", 0), 1);
    EXPECT_EQ(form.AddPart("File1", path, 1), 2);
    const std::string separator = "--" + boundary + "\r\n";
    std::string head =
        separator + "Content-Disposition: form-data; name=\"UserName\"\r\n\r\nalice\r\n" +
        separator + "Content-Disposition: form-data; name=\"FileName1\"\r\n\r\n\r\n" + separator +
        "Content-Disposition: form-data; name=\"File1\"; filename=\"ab.bin\"\r\n"
        "Content-Type: application/octet-stream\r\n\r\n";
    std::string expected = head + data + "\r\n--" + boundary + "--\r\n";
    EXPECT_EQ(Body(form), expected) << "the file's own name, without quotes, not its path";
    EXPECT_EQ(form.GetLength(), static_cast<int64_t>(expected.size()));
    EXPECT_EQ(form.TextBeforeFiles(), head);
}

TEST(MultipartFormTest, EmptyFormsUnreadableFilesAndRebuilds)
{
    TestHome home("multipart-edge");
    CMultipartForm form;
    const std::string dash = "--" + form.GetBoundary();
    EXPECT_EQ(Body(form), dash + "--\r\n");

    form.AddPart("na\"me", "x--#BOUNDARAY1234567890#", 0);
    form.AddPart("File1", home.Home() + "missing.txt", 1);
    std::string expected =
        dash +
        "\r\nContent-Disposition: form-data; name=\"na\"me\"\r\n\r\nx--#BOUNDARAY1234567890#\r\n" +
        dash +
        "\r\nContent-Disposition: form-data; name=\"File1\"; filename=\"missing.txt\"\r\n"
        "Content-Type: application/octet-stream\r\n\r\n\r\n" +
        dash + "--\r\n";
    EXPECT_EQ(Body(form), expected);
    EXPECT_EQ(form.TextBeforeFiles(), expected) << "no file bytes: the whole body";

    form.Clear();
    EXPECT_EQ(form.GetLength(), 0);
    EXPECT_EQ(Body(form), dash + "--\r\n");
}

// What was measured is what must go out: a file that grew or shrank after
// Start stops the body with a reason (a file holding the form's boundary is
// the Multipart fuzz target's).
TEST(MultipartFormTest, AFileThatChangedAfterItWasMeasuredStopsTheBody)
{
    vellum::text::SetHostCodePage("UTF-8");
    TestHome home("multipart-changes");
    for (const auto& [after, reason] : {std::pair{"123456", "文件在上传过程中变大了, 没有上传: "},
                                        std::pair{"1234", "文件在上传过程中变小了, 没有上传: "}}) {
        home.WriteFile("f.bin", "12345");
        CMultipartForm form;
        form.AddPart("File1", home.Home() + "f.bin", 1);
        form.Start();
        home.WriteFile("f.bin", after);
        std::string read(static_cast<size_t>(form.GetLength()) + 100, '\0');
        int64_t total = 0, count = 0;
        while ((count = form.ReadNext(read.data() + total, 3)) > 0)
            total += count;
        EXPECT_EQ(count, -1) << after;
        EXPECT_LT(total, form.GetLength()) << "never the whole announced body";
        EXPECT_EQ(form.FailureText(), reason + home.Home() + "f.bin");
        EXPECT_NE(form.GetBody(), nullptr) << "a rebuild measures afresh";
    }
}

} // namespace
