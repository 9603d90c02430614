#include "store/SqlUpdate.h"

#include "store/SqlLiteral.h"

void CSqlUpdate::SetTable(const char* table)
{
    m_table = table ? table : "";
}

void CSqlUpdate::SetString(const char* column, const char* text)
{
    m_values[column ? column : ""] = SqlTextLiteral(text);
}

void CSqlUpdate::SetInt(const char* column, std::int32_t value)
{
    m_values[column ? column : ""] = SqlIntLiteral(value);
}

void CSqlUpdate::AddWhere(const char* condition)
{
    m_conditions.push_back(condition ? condition : "");
}

const char* CSqlUpdate::Build()
{
    if (m_values.empty())
        return nullptr;
    std::string statement = "update " + m_table + " set ";
    for (const auto& [column, value] : m_values)
        statement += column + " =" + value + ",";
    while (statement.back() == ',')
        statement.pop_back();
    for (size_t i = 0; i < m_conditions.size(); ++i)
        statement += (i == 0 ? " where " : " and ") + m_conditions[i];
    m_statement = std::move(statement);
    return m_statement.c_str();
}

void CSqlUpdate::Clear()
{
    m_values.clear();
    m_conditions.clear();
}
