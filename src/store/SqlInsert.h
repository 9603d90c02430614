// CSqlInsert: builds one "insert into" statement from column/value pairs
// set one at a time. Values are rendered when set (quoted text or decimal
// number); setting a column again replaces its value.
#pragma once

#include <cstdint>
#include <map>
#include <string>

class CSqlInsert
{
public:
    void SetTable(const char* table);
    void SetString(const char* column, const char* text);
    void SetInt(const char* column, std::int32_t value);

    // "insert into TABLE(c1,c2) values (v1,v2)", or null when no column is
    // set. The text stays valid until the next Build or destruction.
    const char* Build();

    // Forgets every column, so one builder can make a statement per row.
    void Clear() { m_values.clear(); }

private:
    std::string m_table;
    std::map<std::string, std::string> m_values;
    std::string m_statement;
};
