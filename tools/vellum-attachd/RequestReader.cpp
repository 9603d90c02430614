// A taker that refuses a piece turns into Beast's body_limit error, which
// ends the read; the connection then asks its upload why (too large, disk
// full, a broken form) to choose the answer.
#include "RequestReader.h"

#include "base/TicketHeader.h"

#include <boost/beast/core/string.hpp>
#include <boost/beast/http/error.hpp>

#include <limits>

namespace http = boost::beast::http;

namespace {

constexpr size_t kMaxContentType = 1024;
constexpr size_t kMaxTicket = 128;

} // namespace

RequestReader::RequestReader()
{
    header_limit(static_cast<std::uint32_t>(kHeadLimit));
    // The upload counts its file's bytes itself. Not boost::none: Beast
    // 1.74 compares a Content-Length against an unset limit as if it were 0.
    body_limit(std::numeric_limits<std::uint64_t>::max());
    eager(true);
}

void RequestReader::on_request_impl(http::verb, string_view method, string_view target, int version,
                                    error_code&)
{
    m_method.assign(method.data(), method.size());
    m_target.assign(target.data(), target.size());
    m_version = version;
}

void RequestReader::on_field_impl(http::field name, string_view nameText, string_view value,
                                  error_code&)
{
    if (name == http::field::content_type && value.size() <= kMaxContentType)
        m_contentType.assign(value.data(), value.size());
    else if (name == http::field::expect)
        m_expectsContinue = boost::beast::iequals(value, "100-continue");
    else if (boost::beast::iequals(nameText, kTicketHeader) && value.size() <= kMaxTicket)
        m_ticket.assign(value.data(), value.size());
}

std::size_t RequestReader::on_body_impl(string_view body, error_code& ec)
{
    if (m_taker && !m_taker->TakeBody(std::string_view(body.data(), body.size())))
        ec = http::error::body_limit;
    return body.size();
}

std::size_t RequestReader::on_chunk_body_impl(std::uint64_t, string_view body, error_code& ec)
{
    return on_body_impl(body, ec);
}
