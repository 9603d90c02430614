// Random sequences of what people do with drafts, through the real sender on
// the real databases: three compose windows, each on a session of its own,
// type, save, send, open a stored draft in a second window and send one
// draft from two windows at the same moment. A model says what must be
// stored; after every step the database must hold exactly that: every mail
// delivered once or not at all (one copy, one notice per recipient), a sent
// draft never unsent again, and a saved draft holding what was typed.
//
// The run in the suite is short and repeatable (a fixed seed and a bounded
// count, unless RC_PARAMS says otherwise); the "property" test preset runs
// it long with fresh seeds.
#include "MailDbTest.h"
#include "base/IniDocument.h"
#include "mail/MailSender.h"
#include "platform/text/CodePage.h"

#include <array>
#include <cstdlib>
#include <memory>
#include <rapidcheck.h>
#include <rapidcheck/state.h>
#include <thread>

namespace {

using vellum::testing::TestDatabase;
using vellum::text::FromUtf8;

constexpr int kWindows = 3;

struct Typed
{
    std::string mailTo, subject, body;
    bool operator==(const Typed&) const = default;
};

struct ModelDraft
{
    Typed saved;
    bool sent = false;
};

struct Model
{
    std::array<int, kWindows> draftOf{-1, -1, -1}; // the model draft each window holds
    std::array<Typed, kWindows> typed;
    std::vector<ModelDraft> drafts;
    int copies = 0;
    int notices = 0;

    // The outcome a send from `window` must have, applied to the model.
    SendOutcome Send(int window)
    {
        int& draft = draftOf[window];
        if (draft >= 0 && drafts[draft].sent) {
            Close(window);
            return SendOutcome::AlreadySent;
        }
        if (draft < 0) {
            draft = static_cast<int>(drafts.size());
            drafts.push_back({});
        }
        ModelDraft& stored = drafts[draft];
        stored.saved = typed[window];
        if (stored.saved.mailTo.empty())
            return SendOutcome::NoRecipients;
        if (stored.saved.subject.empty())
            return SendOutcome::NoSubject;
        stored.sent = true;
        ++copies;
        notices += static_cast<int>(SplitRecipients(stored.saved.mailTo).size());
        Close(window);
        return SendOutcome::Sent;
    }

    // A window whose mail went out closes; the next step there is a new mail.
    void Close(int window)
    {
        draftOf[window] = -1;
        typed[window] = {};
    }
};

struct Window
{
    CDbSession session;
    int key = -1;
    CIniDocument exchange;
};

struct Desk
{
    std::string connect;
    CDbSession* checker;
    std::array<std::unique_ptr<Window>, kWindows> windows;
    std::vector<int> keyOf; // the database key of each model draft

    Window& Open(int window)
    {
        auto& slot = windows[static_cast<size_t>(window)];
        if (!slot) {
            slot = std::make_unique<Window>();
            RC_ASSERT(slot->session.Open(connect.c_str()) == 1);
        }
        return *slot;
    }

    // Save (asSave) or send what `window` shows, as its buttons do.
    int Press(int window, const Typed& typed, bool asSave)
    {
        Window& open = Open(window);
        MailSender sender(&open.session, "li", open.key, open.exchange, [](const std::string&) {});
        MailFields fields{"li", "", typed.mailTo, typed.subject, typed.body, ""};
        return asSave ? sender.Save(fields) : static_cast<int>(sender.Send(fields));
    }
    SendOutcome Send(int window, const Typed& typed)
    {
        return static_cast<SendOutcome>(Press(window, typed, false));
    }

    // What the database holds against what the model says it must.
    void Check(const Model& model)
    {
        std::string expected = std::to_string(model.copies) + "|" + std::to_string(model.notices);
        for (size_t d = 0; d < model.drafts.size(); ++d) {
            const ModelDraft& draft = model.drafts[d];
            expected += "\n" + std::to_string(keyOf[d]) + "|" + (draft.sent ? "1|" : "0|") +
                        draft.saved.mailTo + "|" + draft.saved.subject + "|" + draft.saved.body;
        }
        std::string stored;
        for (const std::string& row :
             QueryRows(*checker, "select (select count(*) from SystemMailCopy), "
                                 "(select count(*) from SystemMailNotify)"))
            stored += row;
        for (const std::string& row :
             QueryRows(*checker, "select KeyId, Status, MailTo, Subject, Body from SystemMail "
                                 "order by KeyId"))
            stored += "\n" + row;
        RC_ASSERT(stored == expected);
    }

    // A window that saved a new draft learned its key.
    void Learn(const Model& before, int window)
    {
        if (before.draftOf[window] < 0 && windows[window]->key > 0 &&
            keyOf.size() < before.drafts.size() + 1)
            keyOf.push_back(windows[window]->key);
    }
};

using Command = rc::state::Command<Model, Desk>;

rc::Gen<int> AnyWindow()
{
    return rc::gen::inRange(0, kWindows);
}

struct TypeMail : Command
{
    int window = *AnyWindow();
    Typed typed{
        *rc::gen::element<std::string>("wang", "wang;zhao", "a,b;c", "a;;b", ""),
        *rc::gen::element<std::string>("s1", FromUtf8("会议"), "it's", ""),
        *rc::gen::element<std::string>("<P>x</P>", "", "<P>'\\</P>", FromUtf8("<P>明天</P>"))};

    void apply(Model& model) const override { model.typed[window] = typed; }
    void show(std::ostream& os) const override
    {
        os << "type in window " << window << ": " << typed.mailTo << " / " << typed.subject;
    }
};

struct SaveMail : Command
{
    int window = *AnyWindow();

    void apply(Model& model) const override
    {
        int& draft = model.draftOf[window];
        if (draft < 0) {
            draft = static_cast<int>(model.drafts.size());
            model.drafts.push_back({});
        }
        if (!model.drafts[draft].sent)
            model.drafts[draft].saved = model.typed[window];
    }
    void run(const Model& model, Desk& desk) const override
    {
        bool sentMeanwhile = model.draftOf[window] >= 0 && model.drafts[model.draftOf[window]].sent;
        RC_ASSERT(desk.Press(window, model.typed[window], true) == (sentMeanwhile ? 0 : 1));
        desk.Learn(model, window);
        desk.Check(nextState(model));
    }
    void show(std::ostream& os) const override { os << "save in window " << window; }
};

struct SendMail : Command
{
    int window = *AnyWindow();

    void apply(Model& model) const override { model.Send(window); }
    void run(const Model& model, Desk& desk) const override
    {
        Model after = model;
        SendOutcome expected = after.Send(window);
        SendOutcome outcome = desk.Send(window, model.typed[window]);
        desk.Learn(model, window);
        RC_ASSERT(outcome == expected);
        if (outcome == SendOutcome::Sent || outcome == SendOutcome::AlreadySent)
            desk.windows[window]->key = -1; // the dialog closed
        desk.Check(after);
    }
    void show(std::ostream& os) const override { os << "send from window " << window; }
};

// A draft from the drafts folder opened in a window: what was saved.
struct OpenDraft : Command
{
    int window = *AnyWindow();
    int draft = *rc::gen::inRange(0, 1000);

    void checkPreconditions(const Model& model) const override
    {
        RC_PRE(!model.drafts.empty());
        RC_PRE(!model.drafts[Draft(model)].sent);
    }
    size_t Draft(const Model& model) const
    {
        return static_cast<size_t>(draft) % model.drafts.size();
    }
    void apply(Model& model) const override
    {
        model.draftOf[window] = static_cast<int>(Draft(model));
        model.typed[window] = model.drafts[Draft(model)].saved;
    }
    void run(const Model& model, Desk& desk) const override
    {
        desk.Open(window).key = desk.keyOf[Draft(model)];
        desk.Check(model);
    }
    void show(std::ostream& os) const override
    {
        os << "open draft " << draft << " in window " << window;
    }
};

// A second window opens the draft the first one holds, and both press 发送
// at the same moment.
struct SendTogether : Command
{
    int first = *AnyWindow();
    int second = *AnyWindow();

    void checkPreconditions(const Model& model) const override
    {
        RC_PRE(first != second);
        RC_PRE(model.draftOf[first] >= 0);
    }
    void apply(Model& model) const override
    {
        model.draftOf[second] = model.draftOf[first];
        model.typed[second] = model.typed[first];
        model.Send(first);
        model.Close(second);
    }
    void run(const Model& model, Desk& desk) const override
    {
        Model after = model;
        after.draftOf[second] = after.draftOf[first];
        SendOutcome expected = after.Send(first);
        desk.Open(second).key = desk.keyOf[model.draftOf[first]];
        desk.Open(first);
        SendOutcome outcomes[2];
        std::thread other([&] { outcomes[1] = desk.Send(second, model.typed[first]); });
        outcomes[0] = desk.Send(first, model.typed[first]);
        other.join();
        if (expected == SendOutcome::Sent) {
            RC_ASSERT((outcomes[0] == SendOutcome::Sent) != (outcomes[1] == SendOutcome::Sent));
            RC_ASSERT(outcomes[0] == SendOutcome::AlreadySent ||
                      outcomes[1] == SendOutcome::AlreadySent);
        } else {
            RC_ASSERT(outcomes[0] == expected && outcomes[1] == expected);
        }
        if (after.draftOf[first] < 0)
            desk.windows[first]->key = -1;
        after.Close(second);
        desk.windows[second]->key = -1;
        desk.Check(after);
    }
    void show(std::ostream& os) const override
    {
        os << "open window " << first << "'s draft in window " << second
           << " and send from both at once";
    }
};

class SendPropertyTest : public MailDbTest
{
protected:
    void SetUp() override
    {
        MailDbTest::SetUp();
        // A repeatable, bounded run unless the caller asked for another.
        setenv("RC_PARAMS", "seed=20261207 max_success=25 max_size=40", 0);
    }

    void EmptyTables()
    {
        for (const char* table : {"SystemMail", "SystemMailCopy", "SystemMailNotify"})
            Run(std::string("delete from ") + table);
    }
};

TEST_P(SendPropertyTest, EveryMailIsDeliveredOnceAndEveryDraftHoldsWhatWasTyped)
{
    bool held = rc::check("random sequences of saves and sends in three windows", [this] {
        EmptyTables();
        Desk desk{m_connect, &m_session, {}, {}};
        rc::state::check(
            Model{}, desk,
            rc::state::gen::execOneOfWithArgs<TypeMail, TypeMail, SaveMail, SendMail, OpenDraft,
                                              SendTogether, SendTogether>());
    });
    EXPECT_TRUE(held);
}

VELLUM_ON_SQLITE_AND_POSTGRES(SendPropertyTest);

} // namespace
