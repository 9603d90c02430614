#include "store/MaxKeyId.h"

#include "store/DbRecordset.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <string>

namespace {

// Decimal value of a text, clamped to int; a non-numeric text counts as 0.
int DecimalValue(const char* text)
{
    long long value = std::strtoll(text, nullptr, 10);
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

} // namespace

int GetMaxKeyId(CDbSession* session, const char* table)
{
    if (!session)
        return -1;
    CDbRecordset recordset;
    recordset.Attach(session);
    std::string query = " select max(keyid) as maxid from " + std::string(table ? table : "");
    if (!recordset.Open(query.c_str()))
        return -1;
    int result = 0;
    if (!recordset.IsEOF()) {
        const char* text = recordset.GetFieldValue("maxid");
        if (text && *text)
            result = DecimalValue(text);
    }
    recordset.Close();
    return result;
}
