// The attachment server's form reader, fed one body in pieces of every
// size: content full of CR, LF and dashes, and a delimiter almost repeated
// at its end, must come out byte for byte, however the pieces cut it.
#include "MultipartReader.h"

#include <gtest/gtest.h>

#include <random>

namespace {

struct Parts : PartHandler
{
    bool StartPart(const std::string& name, const std::string& fileName) override
    {
        heads += name + "|" + fileName + ";";
        contents.emplace_back();
        return true;
    }
    bool TakeContent(std::string_view content) override
    {
        contents.back().append(content);
        return true;
    }
    std::string heads;
    std::vector<std::string> contents;
};

TEST(MultipartReaderTest, PiecesOfAnySizeGiveTheSameParts)
{
    std::mt19937 random(7);
    std::string content;
    for (int i = 0; i < 3000; ++i)
        content += "\r\n-a"[random() % 4];
    content += "\r\n--xYzZ";
    const std::string body =
        "preamble\r\n--xYzZY\r\nContent-Disposition: form-data; name=\"UserName\"\r\n\r\nli\r\n"
        "--xYzZY\r\nContent-Disposition: form-data; name=\"File1\"; filename=\"C:\\a\\b.txt\"\r\n"
        "Content-Type: application/octet-stream\r\n\r\n" +
        content + "\r\n--xYzZY--\r\nepilogue";
    for (size_t piece : {size_t(1), size_t(2), size_t(5), size_t(23), size_t(24), size_t(4096)}) {
        Parts parts;
        MultipartReader reader(MultipartReader::BoundaryOf("multipart/form-data; boundary=xYzZY"),
                               parts);
        bool read = true;
        for (size_t at = 0; at < body.size(); at += piece)
            read = read && reader.Feed(std::string_view(body).substr(at, piece));
        EXPECT_TRUE(read && reader.Finished()) << piece;
        EXPECT_EQ(parts.heads, "UserName|;File1|C:\\a\\b.txt;") << piece;
        EXPECT_EQ(parts.contents, (std::vector<std::string>{"li", content})) << piece;
    }
    Parts none;
    EXPECT_FALSE(
        MultipartReader(MultipartReader::BoundaryOf("multipart/form-data; boundary=b"), none)
            .Feed("--b\r\nContent-Disposition: form-data; name=\"x\"\r\n" +
                  std::string(10000, 'h')))
        << "a part head without end is refused";
    EXPECT_EQ(MultipartReader::BoundaryOf("text/plain; boundary=b"), "");
}

} // namespace
