// CDbRecordset and GetMaxKeyId on every database: reading fields, NULL
// against "", failures and their reasons, the positional walk, and adding a
// row through "select * from systemMailCopy".
#include "store/DbRecordset.h"

#include "StoreFixture.h"
#include "db/TextCompare.h"
#include "store/MaxKeyId.h"

namespace {

class RecordsetTest : public StoreTest
{
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        recordset.Attach(&m_session);
    }
    void AddDraft(const std::string& from, const std::string& subject)
    {
        Run("insert into SystemMail(MailFrom,Subject,MailTime) values ('" + from + "','" + subject +
            "','2010-05-03 14:22:01')");
    }

    CDbRecordset recordset;
};

TEST_P(RecordsetTest, ReadsTextsNullsAndEmptyTextsByNameInAnyCase)
{
    Run("insert into SystemMail(MailFrom,MailTo,Subject,Status) values ('li','','hello',0)");
    ASSERT_EQ(recordset.Open("select * from SystemMail"), 1) << recordset.GetLastErrorText();
    ASSERT_EQ(recordset.IsEOF(), 0);
    EXPECT_STREQ(recordset.GetFieldValue("MAILFROM"), "li");
    EXPECT_STREQ(recordset.GetFieldValue("mailto"), "") << "an empty text is not NULL";
    EXPECT_EQ(recordset.GetFieldValue("Body"), nullptr) << "NULL gives null";
    EXPECT_STREQ(recordset.GetFieldValue("KeyId"), "1");
    EXPECT_STREQ(recordset.GetFieldValue("Status"), "0");

    EXPECT_EQ(recordset.GetFieldValue("NoSuchField"), nullptr);
    EXPECT_NE(recordset.GetLastErrorText().find("NoSuchField"), std::string::npos);
    EXPECT_EQ(recordset.GetFieldValue(nullptr), nullptr);

    EXPECT_EQ(recordset.MoveNext(), 1);
    EXPECT_NE(recordset.IsEOF(), 0);
    EXPECT_EQ(recordset.GetFieldValue("MailFrom"), nullptr) << "no row past the last";
    EXPECT_FALSE(recordset.GetLastErrorText().empty());
    EXPECT_EQ(recordset.Close(), 1);
    EXPECT_EQ(recordset.Close(), 1) << "closing a closed record set";
    EXPECT_NE(recordset.IsEOF(), 0);
}

TEST_P(RecordsetTest, FailuresReportTheReasonAndNeverCrash)
{
    CDbRecordset unattached;
    EXPECT_NE(unattached.IsEOF(), 0);
    EXPECT_EQ(unattached.Close(), 0) << "nothing was ever opened";
    EXPECT_EQ(unattached.Open("select 1"), 0);
    EXPECT_FALSE(unattached.GetLastErrorText().empty());
    EXPECT_EQ(unattached.GetFieldValue("x"), nullptr);
    EXPECT_EQ(unattached.AddNew(), 0);
    EXPECT_EQ(unattached.MoveNext(), 0);
    EXPECT_EQ(unattached.Close(), 1) << "an object exists after the failed open";

    EXPECT_EQ(recordset.Open("select * from NoSuchTable"), 0);
    EXPECT_EQ(recordset.AddNew(), 0);
    EXPECT_EQ(recordset.Update(), 0);
    EXPECT_NE(Lowered(recordset.GetLastErrorText()).find("nosuchtable"), std::string::npos)
        << "storing through a record set that did not open keeps the open's reason: "
        << recordset.GetLastErrorText();
    EXPECT_EQ(recordset.Open(nullptr), 0);

    CDbSession neverOpened;
    CDbRecordset detached;
    detached.Attach(&neverOpened);
    EXPECT_EQ(detached.Open("select 1"), 0);
}

TEST_P(RecordsetTest, GetMaxKeyIdReadsTheHighestKeyOrZeroOrMinusOne)
{
    EXPECT_EQ(GetMaxKeyId(&m_session, "SystemMail"), 0) << "an empty table";
    AddDraft("li", "one");
    AddDraft("li", "two");
    AddDraft("wang", "three");
    EXPECT_EQ(GetMaxKeyId(&m_session, "SystemMail"), 3);
    EXPECT_EQ(GetMaxKeyId(&m_session, "systemmail"), 3) << "names compare without case";
    Run("delete from SystemMail where keyid=3");
    EXPECT_EQ(GetMaxKeyId(&m_session, "SystemMail"), 2);
    EXPECT_EQ(GetMaxKeyId(&m_session, "NoSuchTable"), -1);
    EXPECT_EQ(GetMaxKeyId(&m_session, nullptr), -1);
    EXPECT_EQ(GetMaxKeyId(nullptr, "SystemMail"), -1);
    CDbSession closed;
    EXPECT_EQ(GetMaxKeyId(&closed, "SystemMail"), -1);
}

TEST_P(RecordsetTest, WalksAWholeResultByPosition)
{
    AddDraft("a", "1");
    AddDraft("b", "2");
    AddDraft("c", "3");
    ASSERT_EQ(recordset.Open("select KeyId, MailFrom, 1.5 as Ratio, Body from SystemMail "
                             "order by keyid desc"),
              1)
        << recordset.GetLastErrorText();
    ASSERT_EQ(recordset.GetFieldCount(), 4);
    EXPECT_TRUE(vellum::db::EqualsIgnoringCase(recordset.GetFieldName(1), "MailFrom"));
    EXPECT_EQ(recordset.GetFieldName(9), "");
    std::string senders;
    while (!recordset.IsEOF()) {
        const char* sender = recordset.GetFieldValueAt(1);
        ASSERT_NE(sender, nullptr);
        senders += sender;
        EXPECT_EQ(recordset.IsFieldReal(0), 0);
        EXPECT_EQ(recordset.GetFieldValueAt(3), nullptr);
        ASSERT_EQ(recordset.MoveNext(), 1);
    }
    EXPECT_EQ(senders, "cba");
    EXPECT_EQ(recordset.GetFieldValueAt(0), nullptr);

    // MaxRecords: the first rows only, in order, on every backend.
    recordset.SetMaxRecords(2);
    ASSERT_EQ(recordset.Open("select MailFrom from SystemMail order by keyid desc"), 1)
        << recordset.GetLastErrorText();
    for (senders.clear(); !recordset.IsEOF(); recordset.MoveNext())
        senders += recordset.GetFieldValueAt(0);
    EXPECT_EQ(senders, "cb");
    recordset.SetMaxRecords(0);

    ASSERT_EQ(recordset.Open("select cast(2.5 as real) as r, 'x' as s"), 1);
    EXPECT_NE(recordset.IsFieldReal(0), 0);
    EXPECT_EQ(recordset.IsFieldReal(1), 0);
    EXPECT_EQ(recordset.IsFieldReal(7), 0);
}

TEST_P(RecordsetTest, AddsACopyThroughTheRecordSetOfItsTable)
{
    ASSERT_EQ(recordset.Open("select * from systemMailCopy"), 1) << recordset.GetLastErrorText();
    EXPECT_EQ(recordset.SetFieldValue("MailFrom", "li"), 0) << "no row started";
    ASSERT_EQ(recordset.AddNew(), 1) << recordset.GetLastErrorText();
    EXPECT_EQ(recordset.IsEOF(), 0);
    using Field = std::pair<const char*, const char*>;
    for (auto [name, value] : {Field{"MailFrom", "li"}, Field{"Subject", "It's here"},
                               Field{"MailTo", "a,b;c"}, Field{"MailTime", "2010-05-03 14:22:01"},
                               Field{"Body", "<P>x</P>"}, Field{"Attachment", ""}})
        EXPECT_EQ(recordset.SetFieldValue(name, value), 1) << name;
    EXPECT_EQ(recordset.SetFieldValue("Subject", "It's mine"), 1) << "setting again replaces";
    EXPECT_EQ(recordset.SetFieldValue("Nope", "x"), 0);
    EXPECT_STREQ(recordset.GetFieldValue("subject"), "It's mine");
    ASSERT_EQ(recordset.Update(), 1) << recordset.GetLastErrorText();
    EXPECT_EQ(recordset.Close(), 1);

    int key = m_session.GetLastInsertKeyId("SystemMailCopy");
    EXPECT_EQ(key, 1);
    EXPECT_EQ(GetMaxKeyId(&m_session, "SystemMailCopy"), 1);

    CDbRecordset check;
    check.Attach(&m_session);
    ASSERT_EQ(check.Open("select * from SystemMailCopy where keyid=1"), 1);
    ASSERT_EQ(check.IsEOF(), 0);
    EXPECT_STREQ(check.GetFieldValue("Subject"), "It's mine");
    EXPECT_STREQ(check.GetFieldValue("MailTo"), "a,b;c");
    EXPECT_STREQ(check.GetFieldValue("MailTime"), "2010-05-03 14:22:01");
    EXPECT_STREQ(check.GetFieldValue("Attachment"), "");
}

TEST_P(RecordsetTest, AFailedUpdateKeepsTheDatabaseMessage)
{
    Run("create table strict (KeyId integer, Needed varchar(10) not null)");
    ASSERT_EQ(recordset.Open("select * from strict"), 1);
    ASSERT_EQ(recordset.AddNew(), 1);
    ASSERT_EQ(recordset.SetFieldValue("KeyId", "1"), 1);
    EXPECT_EQ(recordset.Update(), 0);
    EXPECT_NE(Lowered(recordset.GetLastErrorText()).find("null"), std::string::npos)
        << recordset.GetLastErrorText();
    ASSERT_EQ(recordset.SetFieldValue("Needed", "now"), 1) << "the row is still pending";
    EXPECT_EQ(recordset.Update(), 1) << recordset.GetLastErrorText();

    ASSERT_EQ(recordset.Open("select s.KeyId from strict s, SystemMail m"), 1);
    EXPECT_EQ(recordset.AddNew(), 0) << "a join has no one table to add to";
}

VELLUM_ON_EVERY_DATABASE(RecordsetTest);

} // namespace
