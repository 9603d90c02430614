// The multipart body: its exact layout, file parts read from disk at build
// time, and what happens to unreadable files.
#include "net/MultipartForm.h"

#include "net/TestHome.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using vellum::testing::TestHome;

const std::string kSeparator = "--#BOUNDARAY1234567890#\r\n";
const std::string kClosing = "--#BOUNDARAY1234567890#--\r\n";

std::string Body(CMultipartForm& form)
{
    const char* body = form.GetBody();
    return body ? std::string(body, static_cast<size_t>(form.GetLength())) : "<none>";
}

TEST(MultipartFormTest, UploadFormHasTheExactLayout)
{
    TestHome home("multipart");
    std::string data("file\0bytes\r\n--", 14);
    home.WriteFile("it's/a.bin", data);
    std::string path = home.Home() + "it's/a.bin";

    CMultipartForm form;
    EXPECT_EQ(form.GetBoundary(), "#BOUNDARAY1234567890#");
    EXPECT_EQ(form.AddPart("UserName", "alice", 0), 0);
    EXPECT_EQ(form.AddPart("FileName1", "", 0), 1);
    EXPECT_EQ(form.AddPart("File1", path, 1), 2);
    std::string pathWithoutApostrophe = home.Home() + "its/a.bin";
    std::string expected =
        kSeparator + "Content-Disposition: form-data; name=\"UserName\"\r\n\r\nalice\r\n" +
        kSeparator + "Content-Disposition: form-data; name=\"FileName1\"\r\n\r\n\r\n" + kSeparator +
        "Content-Disposition: form-data; name=\"File1\"; filename=\"" + pathWithoutApostrophe +
        "\"\r\nContent-Type: application/octet-stream\r\n\r\n" + data + "\r\n" + kClosing;
    EXPECT_EQ(Body(form), expected);
    EXPECT_EQ(form.GetLength(), static_cast<int>(expected.size()));
}

TEST(MultipartFormTest, EmptyFormsUnreadableFilesAndRebuilds)
{
    TestHome home("multipart-edge");
    CMultipartForm form;
    EXPECT_EQ(Body(form), kClosing);

    form.AddPart("na\"me", "x--#BOUNDARAY1234567890#", 0);
    form.AddPart("File1", home.Home() + "missing.txt", 1);
    std::string expected =
        kSeparator +
        "Content-Disposition: form-data; name=\"na\"me\"\r\n\r\nx--#BOUNDARAY1234567890#\r\n" +
        kSeparator + "Content-Disposition: form-data; name=\"File1\"; filename=\"" + home.Home() +
        "missing.txt\"\r\nContent-Type: application/octet-stream\r\n\r\n\r\n" + kClosing;
    EXPECT_EQ(Body(form), expected);

    // The file is read when the body is built, so a rebuild sees it.
    home.WriteFile("missing.txt", "now here");
    std::string rebuilt = Body(form);
    EXPECT_NE(rebuilt.find("\r\n\r\nnow here\r\n--#BOUNDARAY1234567890#--\r\n"), std::string::npos);
    EXPECT_EQ(form.GetLength(), static_cast<int>(expected.size() + 8));

    form.Clear();
    EXPECT_EQ(form.GetLength(), 0);
    EXPECT_EQ(Body(form), kClosing);
}

} // namespace
