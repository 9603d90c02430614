// What the person at the desk reads when an attachment transfer fails: what
// happened, in words ("服务器没有响应", "无法连接到 127.0.0.1:8080", "服务器磁盘已满
// (HTTP 507)"), under the system's own title ("上传失败", "下载失败"). The
// socket's and client's technical text goes to the trace log instead, with
// the address, so whoever looks into it later still has every detail.
#pragma once

#include <string>

class CHttpClient;

// How a transfer's request ended: Request's result (-1 not an http address,
// 0 no connection, 1 the exchange ran), or cancelled by the person.
struct RequestOutcome
{
    int result = 0;
    bool cancelled = false;
};

// The HTTP status of the response, 0 when no status line arrived.
int ResponseStatus(const CHttpClient& client);

// True when the response is an HTTP error (status 400 and above).
bool IsErrorStatus(const CHttpClient& client);

// The reason in words for a request that brought no usable answer (host
// code page bytes, no line end).
std::string DescribeTransferFailure(const CHttpClient& client, int requestResult);

// Writes one trace line: the thread, `what` (the message title), the
// address, the response's status line when there is one, and the client's
// last error text.
void TraceTransferFailure(const std::string& what, const std::string& url,
                          const CHttpClient& client);
