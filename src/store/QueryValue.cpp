#include "store/QueryValue.h"

#include "store/DbRecordset.h"

std::optional<std::string> QueryValue(CDbSession& session, const std::string& query,
                                      std::string& error)
{
    CDbRecordset row;
    row.Attach(&session);
    if (!row.Open(query.c_str())) {
        error = row.GetLastErrorText();
        return std::nullopt;
    }
    const char* value = row.IsEOF() ? nullptr : row.GetFieldValueAt(0);
    return std::string(value ? value : "");
}
