// The first-run windows and the login dialog on the offscreen platform: the
// agreement's default and view-only forms, the wizard from the first page to
// a written key file (and a cancelled one that writes nothing), the login
// dialog's counting and refusals.

#include "ScriptedMessageBox.h"

#include "app/HeadlessProgress.h"
#include "app/LanguageManager.h"
#include "app/MessageBox.h"
#include "app/MessageIds.h"
#include "app/StoreSession.h"
#include "app/VariableStore.h"
#include "controls/VelaHyperLink.h"
#include "controls/VelaLabel.h"
#include "controls/VelaRichEdit.h"
#include "security/Password.h"
#include "platform/HostFacts.h"
#include "security/KeyFileLayout.h"
#include "windows/CLoginDlg.h"
#include "windows/CSetupPagePassword.h"
#include "windows/CSetupWizzard.h"
#include "windows/EulaDlg.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTimer>

using namespace nbr;
using namespace nbr::test;

namespace {

struct Stick {
    Stick()
    {
        variables.InitVariables({}, HostFacts {});
        variables.SetVariable(QStringLiteral("NBR_DEVICE_DOCUMENT_LETTER"), dir.path());
        languages.AddPack(0, QStringLiteral(NIMBRA_LANG_DIR "/LangENG.json"));
        (void)languages.SelectLanguage(0, true);
    }
    QTemporaryDir dir;
    VariableStore variables;
    LanguageManager languages;
};

}  // namespace

class TestFirstRun : public QObject {
    Q_OBJECT

private slots:
    void init() { MessageBox::Install(&boxes_); }
    void cleanup() { MessageBox::Install(nullptr); }
    void agreement();
    void wizardWritesKeyOnlyWhenFinished();
    void loginCountsAndRefuses();

private:
    ScriptedMessageBox boxes_;
};

void TestFirstRun::agreement()
{
    QCOMPARE(EulaDlg::DecodeText(QByteArray("\xEF\xBB\xBF\xC3\xA9t\xC3\xA9")), QStringLiteral(u"été"));
    QCOMPARE(EulaDlg::DecodeText(QByteArray("\xFF\xFE\xE9\x00t\x00", 6)), QStringLiteral(u"ét"));
    QVERIFY(EulaDlg::AgreementText().contains(QStringLiteral("cannot be recovered")));

    Stick stick;
    {
        // Enter alone never agrees: it presses Decline.
        EulaDlg dialog(stick.languages, nullptr, false);
        QVERIFY(dialog.DeclineButton()->isDefault());
        QTimer::singleShot(0, &dialog, [&dialog] { QTest::keyClick(&dialog, Qt::Key_Return); });
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));

        // A link in the text opens; the text around it does not.
        QStringList opened;
        dialog.SetOpener([&opened](const QString& address) { opened << address; });
        dialog.show();
        QTextCursor at = dialog.TextBox()->document()->find(QStringLiteral("https://"));
        QVERIFY(!at.isNull());
        const QRect where = dialog.TextBox()->cursorRect(at);
        dialog.TextBox()->ensureCursorVisible();
        at.setPosition(at.selectionStart() + 2);
        dialog.TextBox()->setTextCursor(at);
        dialog.TextBox()->ensureCursorVisible();
        const QRect shown = dialog.TextBox()->cursorRect(at);
        QVERIFY(dialog.OpenLinkAt(shown.center()));
        QCOMPARE(opened, QStringList {QStringLiteral("https://opensource.org/license/mit")});
        QVERIFY(!dialog.OpenLinkAt(QPoint(2, 2)));
        Q_UNUSED(where);
    }
    EulaDlg view(stick.languages, nullptr, true);
    QVERIFY(view.DeclineButton()->isHidden());
    QCOMPARE(view.AcceptButton()->text(), QStringLiteral("OK"));
}

void TestFirstRun::wizardWritesKeyOnlyWhenFinished()
{
    Stick stick;
    {
        // Cancelled after the password was applied: nothing is saved.
        StoreSession session(stick.variables);
        QCOMPARE(session.Open(true), S_OK);
        CSetupWizzard wizard(stick.languages, session, nullptr);
        wizard.show();
        QVERIFY(!wizard.PrevButton()->isEnabled());
        QVERIFY(wizard.NextButton()->isEnabled());
        wizard.NextButton()->click();
        CSetupPagePassword* page = wizard.PasswordPage();
        QVERIFY(!wizard.NextButton()->isEnabled());
        page->PasswordField()->setText(QStringLiteral("short"));
        QCOMPARE(page->StatusLine()->text(), stick.languages.GetText(msg::kConfirmationEmpty));
        QVERIFY(!wizard.NextButton()->isEnabled());
        page->PasswordField()->setText(QStringLiteral("long enough"));
        page->ConfirmationField()->setText(QStringLiteral("long enough"));
        QVERIFY(wizard.NextButton()->isEnabled());
        page->HintField()->setText(QStringLiteral("long enough"));
        QCOMPARE(page->StatusLine()->text(), stick.languages.GetText(msg::kHintRevealsPassword));
        QVERIFY(!wizard.NextButton()->isEnabled());
        page->HintField()->setText(QStringLiteral("a hint"));
        QVERIFY(page->Leave());  // applied, as Next does, but the wizard is then left
        QVERIFY(page->NeedsSave());
        QTimer::singleShot(0, &wizard, [&wizard] { QTest::keyClick(&wizard, Qt::Key_Escape); });
        QCOMPARE(wizard.exec(), int(QDialog::Rejected));
        QVERIFY(!wizard.IsCompleted());
    }
    {
        StoreSession session(stick.variables);
        QCOMPARE(session.Open(true), S_OK);
        QVERIFY(!session.IsSetUp());

        CSetupWizzard wizard(stick.languages, session, nullptr);
        wizard.show();
        wizard.NextButton()->click();
        CSetupPagePassword* page = wizard.PasswordPage();
        page->PasswordField()->setText(QStringLiteral("long enough"));
        page->ConfirmationField()->setText(QStringLiteral("long enough"));
        // Enter in a field presses Next once the entry is valid.
        QTest::keyClick(page->ConfirmationField(), Qt::Key_Return);
        QCOMPARE(wizard.Navigation().Current(), 2);
        QCOMPARE(wizard.NextButton()->text(), stick.languages.GetText(msg::kButtonFinish));
        // The last page writes the key file, then lets Finish be pressed.
        QTRY_VERIFY_WITH_TIMEOUT(wizard.NextButton()->isEnabled(), 20000);
        QVERIFY(!page->NeedsSave());
        QVERIFY(session.IsSetUp());
        // Escape on the last page finishes instead of cancelling.
        QTest::keyClick(&wizard, Qt::Key_Escape);
        QVERIFY(wizard.IsCompleted());
        QCOMPARE(wizard.result(), int(QDialog::Accepted));
    }
}

void TestFirstRun::loginCountsAndRefuses()
{
    Stick stick;
    StoreSession session(stick.variables);
    QCOMPARE(session.Open(true), S_OK);
    QCOMPARE(session.Setup(Password(QStringLiteral("right-password")), QStringLiteral("my hint")), S_OK);
    {
        HeadlessProgress progress(&stick.languages);
        QVERIFY(session.Save(progress, stick.languages));
    }
    CLoginDlg login(stick.languages, session, nullptr);
    QVERIFY(login.Begin());
    login.show();
    std::int32_t counter = -1;

    login.PasswordField()->setText(QStringLiteral("short"));
    login.LoginButton()->click();
    QCOMPARE(boxes_.Asked().last().text, stick.languages.FormatText(msg::kPasswordTooShort, {6}));
    QCOMPARE(session.Properties().ReadInt(KeyFileLayout::kSlotFailedLogins, &counter), S_OK);
    QCOMPARE(counter, 1);  // a short entry counts

    login.PasswordField()->setText(QStringLiteral("wrong-password"));
    QTest::keyClick(login.PasswordField(), Qt::Key_Return);
    QCOMPARE(boxes_.Asked().last().text, stick.languages.GetText(msg::kLoginWrongPassword));
    QCOMPARE(login.PasswordField()->selectedText().size(), login.PasswordField()->text().size());
    QVERIFY(login.isVisible());

    login.HintLink()->setFocus();
    QTest::keyClick(login.HintLink(), Qt::Key_Space);
    QCOMPARE(boxes_.Asked().last().text, stick.languages.GetText(msg::kHintPrefix) + QStringLiteral(" my hint"));

    // A reset the user declines changes nothing and keeps the dialog.
    boxes_.Script({mb::kIdNo});
    login.ResetButton()->click();
    QVERIFY(login.isVisible());
    QVERIFY(session.IsSetUp());

    login.PasswordField()->setText(QStringLiteral("right-password"));
    login.LoginButton()->click();
    QVERIFY(login.LoginSucceeded());
    QCOMPARE(login.result(), int(QDialog::Accepted));
    QCOMPARE(session.Properties().ReadInt(KeyFileLayout::kSlotFailedLogins, &counter), S_OK);
    QCOMPARE(counter, 0);
}

QTEST_MAIN(TestFirstRun)
#include "tst_firstrun.moc"
