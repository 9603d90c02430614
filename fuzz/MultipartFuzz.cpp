// Fuzz target: multipart bodies from parts the input chooses (text fields
// and files of any bytes, with the system's fixed boundary, a fake part head
// or this form's own boundary put inside files where the input says), read
// as the client sends them, in pieces of the sizes the input chooses, by the
// attachment server's streaming reader. Every part comes back whole, under
// its name and the file's own name; a file that holds its form's boundary
// stops the body before the server could take it as complete.
#include "FuzzInput.h"
#include "MultipartReader.h"
#include "net/MultipartForm.h"

#include <fstream>
#include <vector>

using vellum::fuzz::Check;

namespace {

using Part = std::vector<std::string>; // name, file name, content

class Collected : public PartHandler
{
public:
    bool StartPart(const std::string& name, const std::string& fileName) override
    {
        parts.push_back({name, fileName, {}});
        return true;
    }
    bool TakeContent(std::string_view content) override
    {
        parts.back()[2].append(content);
        return true;
    }
    std::vector<Part> parts;
};

// Puts what the input chooses into a file's bytes; `own` when it was the
// form's own boundary.
std::string Inserted(vellum::fuzz::FuzzInput& input, std::string value, const std::string& boundary,
                     bool& own)
{
    const std::string inserts[] = {
        "\r\n--#BOUNDARAY1234567890#--\r\n",
        "\r\n--#BOUNDARAY1234567890#\r\nContent-Disposition: form-data; name=\"File1\"; "
        "filename=\"x\"\r\n\r\nspliced",
        "\r\n--" + boundary,
    };
    unsigned choice = input.Byte() % 6;
    size_t at = value.empty() ? 0 : input.Byte() % (value.size() + 1);
    if (choice < 3)
        value.insert(at, inserts[choice]);
    own = own || choice == 2;
    return value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    vellum::fuzz::FuzzInput input(data, size);
    CMultipartForm form;
    std::vector<Part> expected;
    bool holdsOwn = false;
    for (int part = 0; part < 6 && !input.Empty(); ++part) {
        bool isFile = input.Byte() % 2;
        std::string name = "field" + std::to_string(input.Byte() % 4);
        std::string value = input.Text();
        if (!isFile) {
            form.AddPart(name, value, 0);
            expected.push_back({name, "", value});
            continue;
        }
        value = Inserted(input, value, form.GetBoundary(), holdsOwn);
        std::string file = "part" + std::to_string(part);
        std::ofstream(vellum::fuzz::ScratchFolder() + file, std::ios::binary) << value;
        form.AddPart(name, vellum::fuzz::ScratchFolder() + file, 1);
        expected.push_back({name, file, value});
    }
    std::string cuts = input.Text(32);

    form.Start();
    Collected collected;
    MultipartReader reader(form.GetBoundary(), collected);
    std::string piece(4096, '\0');
    int64_t sent = 0, count = 0;
    for (size_t at = 0;; ++at) {
        size_t wanted = at < cuts.size() ? 1 + static_cast<unsigned char>(cuts[at]) : 4096;
        if ((count = form.ReadNext(piece.data(), wanted)) <= 0)
            break;
        sent += count;
        Check(reader.Feed(std::string_view(piece.data(), static_cast<size_t>(count))),
              "the server reads what the client sends");
    }
    if (holdsOwn) {
        Check(count == -1 && !reader.Finished(), "a file holding the boundary stops the body");
        return 0;
    }
    Check(count == 0 && sent == form.GetLength(), "the body has the length it announced");
    Check(reader.Finished() && collected.parts == expected, "every part comes back whole");
    return 0;
}
