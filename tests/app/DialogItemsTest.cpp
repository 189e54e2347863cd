#include "ScriptedPrompts.h"

#include "app/DialogItems.h"
#include "app/EditBox.h"

#include <QComboBox>
#include <QLabel>
#include <QTest>
#include <QWidget>

#include <vector>

// The controls and messages the dialog's parts share, on widgets of their own:
// no view, no scene.
class DialogItemsTest : public QObject
{
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void writesReachEditBoxesAndLabelsAndAlwaysReport();
    void aWatchTellsTheDialogsWritesFromTheUsers();
    void messagesGoThroughThePromptsWithTheirAnswers();

  private:
    static constexpr int kEdit = 10, kOther = 11, kLabel = 20, kCombo = 30;

    QWidget* m_window = nullptr;
    CEditBox* m_edit = nullptr;
    CEditBox* m_other = nullptr;
    QLabel* m_label = nullptr;
    CScriptedPrompts m_prompts;
    CDialogItems* m_items = nullptr;
};

void DialogItemsTest::init()
{
    m_window = new QWidget;
    m_edit = new CEditBox(m_window);
    m_other = new CEditBox(m_window);
    m_label = new QLabel(m_window);
    m_prompts = CScriptedPrompts();
    m_items = new CDialogItems(m_prompts);
    m_items->Add(kEdit, m_edit);
    m_items->Add(kOther, m_other);
    m_items->Add(kLabel, m_label);
    m_items->Add(kCombo, new QComboBox(m_window));
}

void DialogItemsTest::cleanup()
{
    delete m_items;
    delete m_window;
}

void DialogItemsTest::writesReachEditBoxesAndLabelsAndAlwaysReport()
{
    int changes = 0;
    connect(m_edit, &CEditBox::changed, this, [&changes] { ++changes; });
    m_items->SetItemText(kEdit, "2,5");
    m_items->SetItemText(kEdit, "2,5");
    // The watches run for every write, even one that leaves the text as it was.
    QCOMPARE(changes, 2);
    QCOMPARE(m_items->ItemText(kEdit), std::string("2,5"));
    QCOMPARE(m_items->BoxValue(kEdit), std::optional<float>(2.5f));
    // The classic reads take the leading number, the whole-box read refuses the rest.
    m_items->SetItemText(kEdit, " 12abc");
    QCOMPARE(m_items->ItemInt(kEdit), 12);
    QCOMPARE(m_items->ItemFloat(kEdit), 12.0f);
    QVERIFY(!m_items->BoxValue(kEdit));

    m_items->SetItemText(kLabel, "43.21");
    QCOMPARE(m_label->text(), QString("43.21"));
    QCOMPARE(m_edit->text(), QString(" 12abc"));
    QCOMPARE(static_cast<QWidget*>(m_items->Combo(kCombo)), m_items->Control(kCombo));
    QVERIFY(!m_items->Control(99));
}

void DialogItemsTest::aWatchTellsTheDialogsWritesFromTheUsers()
{
    std::vector<bool> seen;
    for (CEditBox* box : {m_edit, m_other})
        connect(box, &CEditBox::changed, this, [this, &seen] { seen.push_back(m_items->IsDialogWriting()); });

    m_items->SetItemText(kEdit, "1");
    m_items->PutBack(kEdit, "2");
    // After a put-back the user's writes are the user's again.
    m_items->SetItemText(kOther, "3");
    QCOMPARE(seen, (std::vector<bool>{false, true, false}));
    QCOMPARE(m_edit->text(), QString("2"));

    // A put-back among the dialog's own writes leaves them the dialog's.
    seen.clear();
    m_items->WriteAsDialog([this] {
        m_items->SetItemText(kEdit, "4");
        m_items->PutBack(kOther, "5");
        m_items->SetItemText(kEdit, "6");
    });
    m_items->SetItemText(kOther, "7");
    QCOMPARE(seen, (std::vector<bool>{true, true, true, false}));
    QVERIFY(!m_items->IsDialogWriting());
}

void DialogItemsTest::messagesGoThroughThePromptsWithTheirAnswers()
{
    m_prompts.answers = {PromptAnswer::Yes};
    QCOMPARE(m_items->Message("Store the edits?", "Warning", PromptButtons::YesNo), PromptAnswer::Yes);
    QCOMPARE(m_items->Message("No Camera Selected", kInvalidAction), PromptAnswer::Ok);
    m_items->Message("File Not Found or Invalid File", "line 3: no number", "File Not Found");
    QCOMPARE(m_prompts.messages.size(), size_t{3});
    QCOMPARE(m_prompts.messages[0].buttons, PromptButtons::YesNo);
    QCOMPARE(m_prompts.messages[1].caption, std::string("Invalid Action"));
    QCOMPARE(m_prompts.messages[1].buttons, PromptButtons::Ok);
    QCOMPARE(m_prompts.messages[2].caption, std::string("File Not Found"));
    QCOMPARE(m_prompts.reasons, std::vector<std::string>{"line 3: no number"});
    QCOMPARE(&m_items->Prompts(), static_cast<CUserPrompts*>(&m_prompts));
}

QTEST_MAIN(DialogItemsTest)
#include "DialogItemsTest.moc"
