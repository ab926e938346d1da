// The first-run windows and the login dialog on the offscreen platform: the
// agreement's default and view-only forms, the wizard from the first page to
// a written key file (a cancelled one that writes nothing, a save failing at
// each of its changes), the login dialog's counting and refusals, and its use
// from the keyboard alone in two languages.

#include "ScriptedMessageBox.h"

#include "app/MnemonicAssigner.h"
#include "app/StoreSession.h"
#include "base/ErrorText.h"
#include "base/HeadlessProgress.h"
#include "base/LanguageManager.h"
#include "base/MessageBox.h"
#include "base/MessageIds.h"
#include "base/VariableStore.h"
#include "platform/FaultInjection.h"
#include "platform/HostFacts.h"
#include "security/KeyFileLayout.h"
#include "security/Password.h"
#include "security/SecurityStatus.h"
#include "ui/controls/VelaHyperLink.h"
#include "ui/controls/VelaLabel.h"
#include "ui/controls/VelaRichEdit.h"
#include "ui/windows/CLoginDlg.h"
#include "ui/windows/CSetupPagePassword.h"
#include "ui/windows/CSetupWizzard.h"
#include "ui/windows/EulaDlg.h"
#include "ui/windows/RecoverDlg.h"
#include "security/RecoveryKey.h"
#include "security/StretchTuning.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
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
    void wizardSaveFailsAtEveryStep();
    void loginCountsAndRefuses();
    void loginByAltLetters();
    void wizardHardensAndLoginForgets();

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
    QCOMPARE(MnemonicAssigner::Plain(view.AcceptButton()->text()), QStringLiteral("OK"));
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
        // The password has served: the fields no longer hold it.
        QVERIFY(page->PasswordField()->text().isEmpty());
        QVERIFY(page->ConfirmationField()->text().isEmpty());
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
        QCOMPARE(MnemonicAssigner::Plain(wizard.NextButton()->text()), stick.languages.GetText(msg::kButtonFinish));
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

void TestFirstRun::wizardSaveFailsAtEveryStep()
{
    // A good run first counts the changes from Next on the password page;
    // then each of them fails in turn, and every later one with it, as on a
    // full stick. A failed save tells E_SAVE_FAILED's text and ends the
    // wizard; the key file is then either without a key or whole.
    const Password password(QStringLiteral("long enough"));
    std::uint64_t changes = 0;
    for (std::uint64_t at = 0; at == 0 || at <= changes; ++at) {
        Stick stick;
        bool failed = false;
        {
            StoreSession session(stick.variables);
            QCOMPARE(session.Open(true), S_OK);
            CSetupWizzard wizard(stick.languages, session, nullptr);
            wizard.show();
            wizard.NextButton()->click();
            wizard.PasswordPage()->PasswordField()->setText(QStringLiteral("long enough"));
            wizard.PasswordPage()->ConfirmationField()->setText(QStringLiteral("long enough"));
            const qsizetype asked = boxes_.Asked().size();
            FaultInjection::Arm(at == 0 ? FaultInjection::Mode::Off : FaultInjection::Mode::Full, at);
            wizard.NextButton()->click();
            QTRY_VERIFY_WITH_TIMEOUT(wizard.NextButton()->isEnabled() || wizard.SaveFailed()
                                         || boxes_.Asked().size() > asked,
                                     20000);
            const std::uint64_t made = FaultInjection::Changes();
            FaultInjection::Arm(FaultInjection::Mode::Off, 0);
            if (at == 0) {
                QVERIFY(!wizard.SaveFailed());
                changes = made;
                QVERIFY(changes > 0);
                continue;
            }
            failed = wizard.SaveFailed();
            if (failed) {
                QCOMPARE(boxes_.Asked().size(), asked + 1);
                QCOMPARE(boxes_.Asked().last().title, stick.languages.GetText(msg::kCaptionError));
                QCOMPARE(boxes_.Asked().last().text, FormatErrorText(stick.languages, E_SAVE_FAILED));
                QVERIFY(!wizard.isVisible());
                QVERIFY(!wizard.IsCompleted());
            }
        }
        StoreSession after(stick.variables);
        QCOMPARE(after.Open(true), S_OK);
        if (after.IsSetUp()) {
            QCOMPARE(after.BeginLogin(), S_OK);
            QCOMPARE(after.Attempt(password).kind, LoginOutcome::kLoggedIn);
        } else {
            QVERIFY2(failed, qPrintable(QStringLiteral("change %1 failed unnoticed").arg(at)));
        }
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
    QVERIFY(login.PasswordField()->text().isEmpty());
    QCOMPARE(login.result(), int(QDialog::Accepted));
    QCOMPARE(session.Properties().ReadInt(KeyFileLayout::kSlotFailedLogins, &counter), S_OK);
    QCOMPARE(counter, 0);
}

void TestFirstRun::loginByAltLetters()
{
    Stick stick;
    stick.languages.AddPack(2, QStringLiteral(NIMBRA_LANG_DIR "/LangFRA.json"));
    StoreSession session(stick.variables);
    QCOMPARE(session.Open(true), S_OK);
    QCOMPARE(session.Setup(Password(QStringLiteral("right-password")), QString()), S_OK);
    {
        HeadlessProgress progress(&stick.languages);
        QVERIFY(session.Save(progress, stick.languages));
    }
    CLoginDlg login(stick.languages, session, nullptr);
    QVERIFY(login.Begin());
    login.show();
    login.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&login));
    QCOMPARE(login.LoginButton()->text(), QStringLiteral("&Log in"));
    // What a screen reader says has no mark in it.
    QCOMPARE(QAccessible::queryAccessibleInterface(login.LoginButton())->text(QAccessible::Name),
             QStringLiteral("Log in"));
    const qsizetype asked = boxes_.Asked().size();

    // The label's letter leads to its field; a button's letter presses it.
    login.ResetButton()->setFocus();
    QTest::keyClick(&login, Qt::Key_P, Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget(), login.PasswordField());
    QTest::keyClicks(login.PasswordField(), QStringLiteral("wrong-password"));
    QTest::keyClick(&login, Qt::Key_L, Qt::AltModifier);
    QTRY_COMPARE(boxes_.Asked().size(), asked + 1);  // a button's letter clicks it a moment later
    QCOMPARE(boxes_.Asked().last().text, stick.languages.GetText(msg::kLoginWrongPassword));

    // In French the letters come from the French texts; the English ones
    // are gone.
    QVERIFY(stick.languages.SelectLanguage(2, true));
    QCOMPARE(login.LoginButton()->text(), QStringLiteral("&Se connecter"));
    QCOMPARE(login.CancelButton()->text(), QStringLiteral("&Annuler"));
    login.ResetButton()->setFocus();
    QTest::keyClick(&login, Qt::Key_P, Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget(), login.ResetButton());
    QTest::keyClick(&login, Qt::Key_M, Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget(), login.PasswordField());
    login.PasswordField()->clear();
    QTest::keyClicks(login.PasswordField(), QStringLiteral("right-password"));
    QTest::keyClick(&login, Qt::Key_S, Qt::AltModifier);
    QTRY_VERIFY(login.LoginSucceeded());
    QCOMPARE(boxes_.Asked().size(), asked + 1);
}

void TestFirstRun::wizardHardensAndLoginForgets()
{
    const Argon2id::Cost cost {1024, 1, 2};
    StretchTuning::FixCost(&cost);
    Stick stick;
    QByteArray master;
    {
        StoreSession session(stick.variables);
        QCOMPARE(session.Open(true), S_OK);
        CSetupWizzard wizard(stick.languages, session, nullptr);
        wizard.show();
        wizard.NextButton()->click();
        CSetupPagePassword* page = wizard.PasswordPage();
        QVERIFY(!page->HardenBox()->isChecked());
        page->PasswordField()->setText(QStringLiteral("long enough"));
        page->ConfirmationField()->setText(QStringLiteral("long enough"));
        page->HardenBox()->setFocus();
        QTest::keyClick(page->HardenBox(), Qt::Key_Space);
        QTest::keyClick(page->HardenBox(), Qt::Key_Return);  // Enter presses Next
        QCOMPARE(wizard.Navigation().Current(), 2);
        QTRY_VERIFY_WITH_TIMEOUT(wizard.NextButton()->isEnabled(), 20000);
        QVERIFY(session.IsSetUp());
        QVERIFY(session.IsHardened());
        master = QByteArray(reinterpret_cast<const char*>(session.Params().GetMasterKey()), 32);
        QTest::keyClick(&wizard, Qt::Key_Escape);
        QVERIFY(wizard.IsCompleted());
    }
    QString key;
    QCOMPARE(RecoveryKey::Format(reinterpret_cast<const std::uint8_t*>(master.constData()), &key), S_OK);

    StoreSession session(stick.variables);
    QCOMPARE(session.Open(false), S_OK);
    QVERIFY(session.IsHardened());
    CLoginDlg login(stick.languages, session, nullptr);
    QVERIFY(login.Begin());
    login.show();
    // A hardened check runs behind a progress window and counts as ever.
    login.PasswordField()->setText(QStringLiteral("wrong-password"));
    login.LoginButton()->click();
    QCOMPARE(boxes_.Asked().last().text, stick.languages.GetText(msg::kLoginWrongPassword));
    std::int32_t counter = -1;
    QCOMPARE(session.Properties().ReadInt(KeyFileLayout::kSlotFailedLogins, &counter), S_OK);
    QCOMPARE(counter, 1);

    // "I forgot my password": a mistyped key is not counted, a wrong one is,
    // the right one sets the new password and logs in.
    QString typo = key;
    typo[5] = typo[5] == QLatin1Char('A') ? QLatin1Char('B') : QLatin1Char('A');
    QString other;
    QByteArray otherKey = master;
    otherKey[3] = static_cast<char>(otherKey[3] ^ 0x40);
    QCOMPARE(RecoveryKey::Format(reinterpret_cast<const std::uint8_t*>(otherKey.constData()), &other), S_OK);
    int step = 0;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        auto* recover = qobject_cast<RecoverDlg*>(QApplication::activeModalWidget());
        if (!recover)
            return;
        recover->PasswordField()->setText(QStringLiteral("brand-new-one"));
        recover->ConfirmField()->setText(QStringLiteral("brand-new-one"));
        if (step == 0)
            QVERIFY(!recover->OkButton()->isEnabled());  // no key yet
        const QString keys[] = {typo, other, key.toLower()};
        recover->KeyField()->setText(keys[step++]);
        QTest::keyClick(recover->KeyField(), Qt::Key_Return);
    });
    poll.start(20);
    login.ForgotLink()->setFocus();
    QTest::keyClick(login.ForgotLink(), Qt::Key_Space);
    QTRY_VERIFY_WITH_TIMEOUT(login.LoginSucceeded(), 20000);
    poll.stop();
    QCOMPARE(step, 3);
    const QList<MessageBoxRequest> asked = boxes_.Asked();
    QVERIFY(asked.size() >= 3);
    QCOMPARE(asked.at(asked.size() - 3).text, stick.languages.GetText(msg::kRecoveryKeyTypo));
    QCOMPARE(asked.at(asked.size() - 2).text, stick.languages.GetText(msg::kRecoveryKeyWrong));
    QCOMPARE(asked.last().text, stick.languages.GetText(msg::kRecoveredPasswordSet));
    QCOMPARE(session.Properties().ReadInt(KeyFileLayout::kSlotFailedLogins, &counter), S_OK);
    QCOMPARE(counter, 0);
    QCOMPARE(login.result(), int(QDialog::Accepted));

    // Saved: read afresh, the new password opens the same master key.
    const LockedByteBlock bytes = Password(QStringLiteral("brand-new-one")).Bytes();
    session.Params().ClearMemory();
    QCOMPARE(session.Params().Unlock(bytes.data(), bytes.size()), S_OK);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(session.Params().GetMasterKey()), 32), master);
    QVERIFY(session.IsHardened());
    StretchTuning::FixCost(nullptr);
}

QTEST_MAIN(TestFirstRun)
#include "tst_firstrun.moc"
