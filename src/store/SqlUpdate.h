// CSqlUpdate: builds one "update" statement from column/value pairs and an
// ordered list of complete conditions given by the caller.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class CSqlUpdate
{
public:
    void SetTable(const char* table);
    void SetString(const char* column, const char* text);
    void SetInt(const char* column, std::int32_t value);

    // Appends a condition such as "KeyId=12"; the first follows " where ",
    // the others " and ".
    void AddWhere(const char* condition);

    // "update TABLE set c1 =v1,c2 =v2 where A and B", or null when no column
    // is set. The text stays valid until the next Build or destruction.
    const char* Build();

    // Forgets every column and condition.
    void Clear();

private:
    std::string m_table;
    std::map<std::string, std::string> m_values;
    std::vector<std::string> m_conditions;
    std::string m_statement;
};
