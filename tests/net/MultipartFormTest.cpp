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

std::string Field(const std::string& name, const std::string& value)
{
    return kSeparator + "Content-Disposition: form-data; name=\"" + name + "\"\r\n\r\n" + value +
           "\r\n";
}

std::string FilePart(const std::string& path, const std::string& data)
{
    return kSeparator + "Content-Disposition: form-data; name=\"File1\"; filename=\"" + path +
           "\"\r\nContent-Type: application/octet-stream\r\n\r\n" + data + "\r\n";
}

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
    // The file name loses its apostrophe.
    std::string expected = Field("UserName", "alice") + Field("FileName1", "") +
                           FilePart(home.Home() + "its/a.bin", data) + kClosing;
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
    std::string expected = Field("na\"me", "x--#BOUNDARAY1234567890#") +
                           FilePart(home.Home() + "missing.txt", "") + kClosing;
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
