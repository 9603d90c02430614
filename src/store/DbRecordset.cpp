#include "store/DbRecordset.h"

#include "db/SqlText.h"
#include "db/TextCompare.h"
#include "store/DbSession.h"

using vellum::db::FieldKind;
using vellum::db::FieldValue;

CDbRecordset::CDbRecordset() = default;

CDbRecordset::~CDbRecordset()
{
    Close();
}

void CDbRecordset::Attach(CDbSession* session)
{
    m_connection = session ? session->m_connection : nullptr;
}

int CDbRecordset::Open(const char* query)
{
    m_created = true;
    m_cursor.reset();
    m_readIndex = -1;
    m_adding = false;
    m_query = query ? query : "";
    m_openError.clear();
    if (!m_connection) {
        m_openError = "the record set is attached to no open session";
        return Fail(m_openError);
    }
    m_cursor = m_connection->Query(m_query, m_maxRecords);
    if (!m_cursor) {
        m_openError = m_connection->LastError();
        return Fail(m_openError);
    }
    return 1;
}

int CDbRecordset::IsEOF()
{
    if (m_adding)
        return 0;
    return !m_cursor || m_cursor->AtEnd();
}

const char* CDbRecordset::GetFieldValue(const char* name)
{
    int index = FindField(name);
    if (index < 0)
        return nullptr;
    return m_adding ? PendingValue(index) : ReadField(index);
}

bool CDbRecordset::TakeFieldValue(const char* name, std::string& text)
{
    text.clear();
    int index = FindField(name);
    if (index < 0 || m_adding) {
        const char* value = index < 0 ? nullptr : PendingValue(index);
        text = value ? value : "";
        return value != nullptr;
    }
    if (!ReadPresent(index))
        return false;
    text = std::move(m_read.text);
    m_readIndex = -1; // the buffer went with the text
    return true;
}

int CDbRecordset::SetFieldValue(const char* name, const char* value)
{
    if (!m_adding)
        return Fail("a field can be set only on a row started by AddNew");
    int index = FindField(name);
    if (index < 0)
        return 0;
    std::string field = m_cursor->FieldName(index);
    std::optional<std::string> text;
    if (value)
        text = value;
    for (auto& column : m_newRow) {
        if (column.name == field) {
            column.value = std::move(text);
            return 1;
        }
    }
    m_newRow.push_back({field, std::move(text)});
    return 1;
}

int CDbRecordset::AddNew()
{
    if (!m_cursor)
        return Fail("the record set is not open");
    m_table = vellum::db::TableOfSimpleSelect(m_query);
    if (m_table.empty())
        return Fail("rows cannot be added to the result of \"" + m_query + "\"");
    // The rows read so far are not needed for the new one; a result still
    // being read could keep the insert from ever getting the write lock
    // while other connections write to the table.
    m_cursor->StopReading();
    m_readIndex = -1;
    m_adding = true;
    m_newRow.clear();
    return 1;
}

int CDbRecordset::Update()
{
    // As with ADO, storing through a record set that is not open fails; the
    // reason it is not open is what the caller needs to show.
    if (!m_cursor)
        return Fail("the record set is not open" +
                    (m_openError.empty() ? std::string() : " (" + m_openError + ")"));
    if (!m_adding)
        return 1;
    if (!m_connection->InsertRow(m_table, m_newRow))
        return Fail(m_connection->LastError());
    m_adding = false;
    m_newRow.clear();
    return 1;
}

int CDbRecordset::Close()
{
    if (!m_created) {
        m_lastError = "the record set was never opened";
        return 0;
    }
    m_cursor.reset();
    m_readIndex = -1;
    m_adding = false;
    m_newRow.clear();
    return 1;
}

int CDbRecordset::GetFieldCount() const
{
    return m_cursor ? m_cursor->FieldCount() : 0;
}

std::string CDbRecordset::GetFieldName(int index) const
{
    return m_cursor ? m_cursor->FieldName(index) : std::string();
}

const char* CDbRecordset::GetFieldValueAt(int index)
{
    if (!m_cursor) {
        Fail("the record set is not open");
        return nullptr;
    }
    return m_adding ? PendingValue(index) : ReadField(index);
}

int CDbRecordset::IsFieldReal(int index)
{
    if (!m_cursor || m_adding)
        return 0;
    const FieldValue* value = ReadCurrent(index);
    return value && value->kind == FieldKind::Real;
}

int CDbRecordset::MoveNext()
{
    if (!m_cursor)
        return Fail("the record set is not open");
    m_readIndex = -1;
    if (!m_cursor->Next())
        return Fail(m_cursor->LastError());
    return 1;
}

int CDbRecordset::FindField(const char* name)
{
    if (!m_cursor)
        return Fail("the record set is not open") - 1;
    std::string_view wanted = name ? name : "";
    for (int i = 0; i < m_cursor->FieldCount(); ++i) {
        if (vellum::db::EqualsIgnoringCase(m_cursor->FieldName(i), wanted))
            return i;
    }
    return Fail("no field named \"" + std::string(wanted) + "\" in the result") - 1;
}

const FieldValue* CDbRecordset::ReadCurrent(int index)
{
    if (index != m_readIndex) {
        m_readIndex = -1;
        if (!m_cursor->Read(index, m_read))
            return nullptr;
        m_readIndex = index;
    }
    return &m_read;
}

const FieldValue* CDbRecordset::ReadPresent(int index)
{
    const FieldValue* value = ReadCurrent(index);
    if (!value) {
        Fail(m_cursor->LastError());
        return nullptr;
    }
    return value->kind == FieldKind::Null ? nullptr : value;
}

const char* CDbRecordset::ReadField(int index)
{
    const FieldValue* value = ReadPresent(index);
    if (!value)
        return nullptr;
    m_value.assign(value->text); // reuses the buffer the last pointer named
    return m_value.c_str();
}

const char* CDbRecordset::PendingValue(int index)
{
    std::string field = m_cursor->FieldName(index);
    for (const auto& column : m_newRow) {
        if (column.name == field && column.value) {
            m_value = *column.value;
            return m_value.c_str();
        }
    }
    return nullptr;
}

int CDbRecordset::Fail(const std::string& message)
{
    m_lastError = message;
    return 0;
}
