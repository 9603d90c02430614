// CDbRecordset: one query result bound to a session's connection.
//
// The result streams: it is read one row at a time and never held whole.
// Fields are found by name (without regard to case, since databases fold
// unquoted names differently) or by position. A record set opened on a
// query of one table can also add a row to that table: AddNew, then
// SetFieldValue for each column, then Update.
//
// GetFieldValue returns a pointer into the record set's one value buffer:
// the next GetFieldValue on the same record set overwrites it, so callers
// copy what they keep. Null means SQL NULL or a failure; "" is an empty text.
#pragma once

#include "db/Connection.h"

#include <memory>
#include <string>
#include <vector>

class CDbSession;

class CDbRecordset
{
public:
    CDbRecordset();
    virtual ~CDbRecordset();
    CDbRecordset(const CDbRecordset&) = delete;
    CDbRecordset& operator=(const CDbRecordset&) = delete;

    // Shares the session's connection, replacing any earlier one. Must come
    // before Open; null detaches.
    void Attach(CDbSession* session);

    // Runs the query; 1 on success, 0 with the database's message.
    [[nodiscard]] int Open(const char* query);

    // ADO's MaxRecords: the most rows the next Open returns (0, the
    // default: all). A caller that reads only the first page of a long
    // result says so here, and the database sends no more than that.
    void SetMaxRecords(long maxRecords) { m_maxRecords = maxRecords; }

    // Non-zero when there is no current row, also when nothing was opened.
    int IsEOF();

    const char* GetFieldValue(const char* name);
    // A field of the current row moved into `text` rather than copied, for
    // values too big to copy twice (a mail body with its pictures runs to
    // tens of megabytes). False, with `text` left empty, where GetFieldValue
    // gives null.
    bool TakeFieldValue(const char* name, std::string& text);

    // Sets a column of the row being added (a null value writes SQL NULL).
    int SetFieldValue(const char* name, const char* value);

    // Starts a new row for the query's table; Update stores it.
    int AddNew();
    [[nodiscard]] int Update();

    // 1 when closed or not open; 0 when nothing was ever opened.
    int Close();

    const std::string& GetLastErrorText() const { return m_lastError; }

    // Walking a whole result by position, as a grid fill does.
    int GetFieldCount() const;
    std::string GetFieldName(int index) const;
    const char* GetFieldValueAt(int index);
    // Non-zero when the field of the current row holds a floating value.
    int IsFieldReal(int index);
    // Steps to the next row; 0 with the database's message on failure.
    int MoveNext();

private:
    int FindField(const char* name);
    const char* ReadField(int index);
    // The current row's field; null for SQL NULL and for a failure (recorded).
    const vellum::db::FieldValue* ReadPresent(int index);
    const vellum::db::FieldValue* ReadCurrent(int index);
    const char* PendingValue(int index);
    int Fail(const std::string& message);

    std::shared_ptr<vellum::db::Connection> m_connection;
    std::unique_ptr<vellum::db::Cursor> m_cursor;
    bool m_created = false;
    std::string m_query;
    long m_maxRecords = 0;
    std::string m_lastError;
    std::string m_openError; // why the last Open failed
    std::string m_value;
    // The field of the current row read last: a grid fill asks for each
    // field's kind and then its text, and each read converts the text.
    int m_readIndex = -1;
    vellum::db::FieldValue m_read;

    // The row between AddNew and Update.
    bool m_adding = false;
    std::string m_table;
    std::vector<vellum::db::ColumnValue> m_newRow;
};
