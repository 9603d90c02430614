// Fuzz target: multipart bodies from parts the input chooses (text fields
// and files of any bytes). The body has exactly the length its layout
// counts, opens with the first part's boundary line, ends with the closing
// line, and carries every field value and file byte in order.
#include "FuzzInput.h"
#include "net/MultipartForm.h"

#include <fstream>

using vellum::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    vellum::fuzz::FuzzInput input(data, size);
    CMultipartForm form;
    const std::string dash = "--" + form.GetBoundary();
    std::string expected;
    for (int part = 0; part < 6 && !input.Empty(); ++part) {
        bool isFile = input.Byte() % 2;
        std::string name = input.Text(32);
        std::string value = input.Text();
        expected += dash + "\r\nContent-Disposition: form-data; name=\"" + name + "\"";
        if (isFile) {
            std::string path = vellum::fuzz::ScratchFolder() + "part" + std::to_string(part);
            std::ofstream(path, std::ios::binary | std::ios::trunc) << value;
            std::string shown = path;
            std::erase_if(shown, [](char c) { return c == '"' || c == '\''; });
            expected += "; filename=\"" + shown +
                        "\"\r\nContent-Type: application/octet-stream\r\n\r\n" + value + "\r\n";
            form.AddPart(name, path, 1);
        } else {
            expected += "\r\n\r\n" + value + "\r\n";
            form.AddPart(name, value, 0);
        }
    }
    expected += dash + "--\r\n";
    const char* body = form.GetBody();
    Check(body != nullptr, "the body is built");
    Check(std::string(body, static_cast<std::size_t>(form.GetLength())) == expected,
          "the body is the layout of its parts");
    body = form.GetBody();
    Check(std::string(body, static_cast<std::size_t>(form.GetLength())) == expected,
          "building again gives the same body");
    form.Clear();
    Check(form.GetLength() == 0, "Clear empties the body");
    return 0;
}
