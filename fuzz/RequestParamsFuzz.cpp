// Fuzz target: the parameter string of the exports. Any bytes parse without
// harm, every entry the scan reports is found again by its name, and a value
// written with UrlEncode (as hosts write them) comes back unchanged.
#include "FuzzInput.h"
#include "base/RequestParams.h"
#include "base/TextHelpers.h"

using vellum::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    vellum::fuzz::FuzzInput input(data, size);
    std::string value = input.Text();
    std::string text = input.Rest();

    CRequestParams params;
    int count = params.Parse(text);
    Check(count == params.GetCount(), "Parse returns the entry count");
    for (int i = 0; i < count; ++i)
        Check(params.Get(params.GetName(i)).has_value(), "every entry is found by its name");
    params.GetInt("Keyid");
    Check(params.GetName(count).empty() && params.GetValue(-1).empty(),
          "indexes outside give none");

    Check(UrlDecode(UrlEncode(value)) == value.substr(0, value.find('\0')),
          "UrlDecode undoes UrlEncode");
    params.Parse("list?UserName=" + UrlEncode(value) + "&Keyid=5");
    Check(params.Get("username") == value.substr(0, value.find('\0')),
          "an encoded value comes back from the string");
    Check(params.GetInt("KEYID") == 5, "the pair after an encoded value stays whole");
    return 0;
}
