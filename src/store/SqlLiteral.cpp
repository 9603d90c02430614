#include "store/SqlLiteral.h"

#include "db/SqlText.h"

std::string SqlTextLiteral(const char* text)
{
    return vellum::db::QuoteSqlText(text ? text : "");
}

std::string SqlIntLiteral(std::int32_t value)
{
    return std::to_string(value);
}
