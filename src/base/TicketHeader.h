// The request header that carries a desk's ticket to the attachment server
// under per-user access: the desk sets it, the server reads it.
#pragma once

inline constexpr char kTicketHeader[] = "X-Vellum-Ticket";
