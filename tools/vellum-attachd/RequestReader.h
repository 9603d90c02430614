// One request as the server reads it: Boost.Beast's HTTP parser, keeping
// only what the pages need (method, target, Content-Type, Expect) instead
// of every header field, so a connection's memory is its read buffer and
// nothing that grows with the number of fields a client sends. The head is
// limited to kHeadLimit bytes, request line and every field counted; the
// body goes piece by piece to a BodyTaker as it is parsed.
#pragma once

#include <boost/beast/http/basic_parser.hpp>

#include <string>
#include <string_view>

constexpr size_t kHeadLimit = 64 * 1024;

class BodyTaker
{
public:
    virtual ~BodyTaker() = default;
    // The next piece of the body; false stops reading with an error.
    [[nodiscard]] virtual bool TakeBody(std::string_view piece) = 0;
};

class RequestReader : public boost::beast::http::basic_parser<true>
{
public:
    RequestReader();

    const std::string& Method() const { return m_method; }
    const std::string& Target() const { return m_target; }
    int Version() const { return m_version; }
    const std::string& ContentType() const { return m_contentType; }
    bool ExpectsContinue() const { return m_expectsContinue; }
    // The X-Vellum-Ticket field: who asks, under per-user access.
    const std::string& Ticket() const { return m_ticket; }

    // Where the body goes; without a taker the body is dropped.
    void SendBodyTo(BodyTaker* taker) { m_taker = taker; }

private:
    using error_code = boost::beast::error_code;
    using string_view = boost::beast::string_view;

    void on_request_impl(boost::beast::http::verb, string_view method, string_view target,
                         int version, error_code&) override;
    void on_response_impl(int, string_view, int, error_code&) override {}
    void on_field_impl(boost::beast::http::field name, string_view nameText, string_view value,
                       error_code&) override;
    void on_header_impl(error_code&) override {}
    void on_body_init_impl(const boost::optional<std::uint64_t>&, error_code&) override {}
    std::size_t on_body_impl(string_view body, error_code& ec) override;
    void on_chunk_header_impl(std::uint64_t, string_view, error_code&) override {}
    std::size_t on_chunk_body_impl(std::uint64_t, string_view body, error_code& ec) override;
    void on_finish_impl(error_code&) override {}

    std::string m_method;
    std::string m_target;
    int m_version = 11;
    std::string m_contentType;
    bool m_expectsContinue = false;
    std::string m_ticket;
    BodyTaker* m_taker = nullptr;
};
