#include "store/SqlInsert.h"

#include "store/SqlLiteral.h"

void CSqlInsert::SetTable(const char* table)
{
    m_table = table ? table : "";
}

void CSqlInsert::SetString(const char* column, const char* text)
{
    m_values[column ? column : ""] = SqlTextLiteral(text);
}

void CSqlInsert::SetInt(const char* column, std::int32_t value)
{
    m_values[column ? column : ""] = SqlIntLiteral(value);
}

const char* CSqlInsert::Build()
{
    if (m_values.empty())
        return nullptr;
    std::string columns, values;
    for (const auto& [column, value] : m_values) {
        if (!columns.empty()) {
            columns += ",";
            values += ",";
        }
        columns += column;
        values += value;
    }
    m_statement = "insert into " + m_table + "(" + columns + ") values (" + values + ")";
    return m_statement.c_str();
}
