// Language packs, the language choice, error texts, settings and the
// message-box rules: the fallbacks and the edge cases users meet.

#include "TestSupport.h"

#include "ScriptedMessageBox.h"
#include "base/ErrorText.h"
#include "base/IControlTexts.h"
#include "base/IMultilangSupport.h"
#include "base/LanguageManager.h"
#include "base/MessageBox.h"
#include "base/MessageIds.h"
#include "base/RegistrySettings.h"
#include "base/VariableStore.h"
#include "platform/SystemError.h"
#include "security/SecurityStatus.h"

#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <clocale>
#include <string>

using namespace nbr;
using namespace nbr::test;

namespace {

const QString kLangDir = QStringLiteral(NIMBRA_LANG_DIR);

// A program folder holding the real packs, and the variables that point at it.
struct Install {
    QTemporaryDir dir;
    VariableStore variables;
    Install()
    {
        for (const char* pack : {"ENG", "FRA", "SPA", "POR"}) {
            const QString name = QStringLiteral("Lang%1.json").arg(QLatin1String(pack));
            QFile::copy(kLangDir + QLatin1Char('/') + name, dir.filePath(name));
        }
        variables.InitVariables({}, HostFacts {dir.filePath(QStringLiteral("nimbra")), 1033, dir.path()});
    }
};

struct Recorder : IMultilangSupport, IControlTexts {
    QStringList* log;
    QString name;
    Recorder(QStringList* l, QString n) : log(l), name(std::move(n)) {}
    void UpdateTexts() override { *log << name; }
    bool HasWindow() const override { return true; }
    void SetControlText(int controlId, const QString& text) override
    {
        *log << QStringLiteral("%1=%2").arg(controlId).arg(text);
    }
};

QHash<int, QString> ReadPack(const QString& name)
{
    LanguageManager manager;
    manager.AddPack(0, kLangDir + QLatin1Char('/') + name);
    QHash<int, QString> texts;
    (void)manager.SelectLanguage(0, true);
    for (const int id : msg::kAll)
        texts.insert(id, manager.GetText(id));
    return texts;
}

}  // namespace

class TestLanguages : public QObject {
    Q_OBJECT

private slots:
    void packsAreCompleteAndConsistent();
    void startUpChoice_data();
    void startUpChoice();
    void selectingSavesAndNotifies();
    void englishFallback();
    void brokenPacksAreIgnored();
    void errorTexts();
    void systemTextsFollowTheChosenLanguage_data();
    void systemTextsFollowTheChosenLanguage();
    void settingsValues();
    void settingsNumbers_data();
    void settingsNumbers();
    void messageBoxRules();
    void workerQuestionsAreAnsweredInOrder();
};

void TestLanguages::packsAreCompleteAndConsistent()
{
    const QHash<int, QString> english = ReadPack(QStringLiteral("LangENG.json"));
    for (const int id : msg::kAll)
        QVERIFY2(!english.value(id).trimmed().isEmpty(), qPrintable(QStringLiteral("text %1 has no English").arg(id)));
    for (const char* pack : {"LangFRA.json", "LangSPA.json", "LangPOR.json"}) {
        const QHash<int, QString> other = ReadPack(QString::fromLatin1(pack));
        for (const int id : msg::kAll) {
            QVERIFY2(!other.value(id).trimmed().isEmpty(), qPrintable(QStringLiteral("%1 lacks text %2").arg(QLatin1String(pack)).arg(id)));
            QVERIFY2(TextFormatter::Placeholders(other.value(id)) == TextFormatter::Placeholders(english.value(id)),
                     qPrintable(QStringLiteral("%1 text %2 has other placeholders").arg(QLatin1String(pack)).arg(id)));
        }
    }
}

void TestLanguages::startUpChoice_data()
{
    QTest::addColumn<QString>("saved");  // empty: nothing saved
    QTest::addColumn<int>("userLanguage");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("yes");
    QTest::newRow("saved Spanish") << "6" << 1036 << 6 << "Sí";
    QTest::newRow("saved 9 is ignored") << "9" << 1036 << 2 << "Oui";
    QTest::newRow("saved text is ignored") << "abc" << 1046 << 7 << "Sim";
    QTest::newRow("saved German, no pack") << "1" << 1036 << 1 << "Yes";
    QTest::newRow("French (Canada)") << "" << 3084 << 2 << "Oui";
    QTest::newRow("Portuguese (Portugal)") << "" << 2070 << 7 << "Sim";
    QTest::newRow("Spanish (Mexico)") << "" << 2058 << 6 << "Sí";
    QTest::newRow("German user") << "" << 1031 << 0 << "Yes";
}

void TestLanguages::startUpChoice()
{
    QFETCH(QString, saved);
    QFETCH(int, userLanguage);
    QFETCH(int, index);
    QFETCH(QString, yes);
    Install install;
    RegistrySettings settings(install.dir.filePath(QStringLiteral("settings.conf")));
    if (!saved.isEmpty())
        QVERIFY(settings.WriteText(QStringLiteral("languageIndex"), saved));
    LanguageManager manager;
    manager.SetSettings(&settings);
    manager.LoadPacks(install.variables, static_cast<std::uint16_t>(userLanguage));
    QCOMPARE(manager.CurrentIndex(), index);
    QCOMPARE(manager.GetText(msg::kButtonYes), yes);
    // The start-up choice is silent: nothing new is saved.
    QString stored;
    QCOMPARE(settings.ReadText(QStringLiteral("languageIndex"), &stored), !saved.isEmpty());
}

void TestLanguages::selectingSavesAndNotifies()
{
    Install install;
    RegistrySettings settings(install.dir.filePath(QStringLiteral("settings.conf")));
    LanguageManager manager;
    manager.SetSettings(&settings);
    manager.LoadPacks(install.variables, 1033);
    QStringList log;
    Recorder first(&log, QStringLiteral("first"));
    Recorder second(&log, QStringLiteral("second"));
    manager.AddListener(&first);
    manager.AddListener(&second);

    QVERIFY(!manager.SelectLanguage(0, false));  // the current language: nothing happens
    QVERIFY(log.isEmpty());
    int saved = -1;
    QVERIFY(!settings.ReadNumber(QStringLiteral("languageIndex"), &saved));
    QVERIFY(!manager.SelectLanguage(8, false));
    QVERIFY(!manager.SelectLanguage(-1, false));

    QVERIFY(manager.SelectLanguage(2, false));
    QCOMPARE(log, (QStringList {QStringLiteral("first"), QStringLiteral("second")}));
    QVERIFY(settings.ReadNumber(QStringLiteral("languageIndex"), &saved));
    QCOMPARE(saved, 2);
    QVERIFY(manager.SelectLanguage(6, true));
    QVERIFY(settings.ReadNumber(QStringLiteral("languageIndex"), &saved));
    QCOMPARE(saved, 2);

    manager.RemoveListener(&first);
    log.clear();
    manager.SetDialog(&second);
    manager.SetItemText(1, msg::kButtonOk).SetItemText(2, msg::kButtonCancel);
    QCOMPARE(log, (QStringList {QStringLiteral("1=Aceptar"), QStringLiteral("2=Cancelar")}));
    QCOMPARE(manager.DecimalPoint(), QLatin1Char(','));
}

void TestLanguages::englishFallback()
{
    QTemporaryDir dir;
    QVERIFY(WriteAll(dir.filePath("en.json"), R"({"4": "OK", "5": "Yes", "155": "Unknown error (code %d)."})"));
    QVERIFY(WriteAll(dir.filePath("fr.json"), R"({"4": "D'accord", "5": ""})"));
    LanguageManager manager;
    manager.AddPack(0, dir.filePath("en.json"));
    manager.AddPack(2, dir.filePath("fr.json"));
    manager.AddPack(2, dir.filePath("en.json"));  // a second pack for a slot is ignored
    QCOMPARE(manager.GetText(4), QStringLiteral("OK"));  // nothing selected yet: English
    QVERIFY(manager.SelectLanguage(2, true));
    QCOMPARE(manager.GetText(4), QStringLiteral("D'accord"));
    QCOMPARE(manager.GetText(5), QStringLiteral("Yes"));  // empty in French
    QCOMPARE(manager.GetText(155), QStringLiteral("Unknown error (code %d)."));  // missing in French
    QCOMPARE(manager.GetText(9999), QString());
}

void TestLanguages::brokenPacksAreIgnored()
{
    QTemporaryDir dir;
    QVERIFY(WriteAll(dir.filePath("bad.json"), "{\"4\": \"OK\""));
    QVERIFY(WriteAll(dir.filePath("array.json"), "[\"OK\"]"));
    QVERIFY(WriteAll(dir.filePath("odd.json"), R"({"x": "no number", "4": 12, "5": "Yes", "-3": "negative"})"));
    LanguageManager manager;
    manager.AddPack(0, dir.filePath("bad.json"));
    QVERIFY(!manager.HasPack(0));
    manager.AddPack(0, dir.filePath("array.json"));
    QVERIFY(!manager.HasPack(0));
    manager.AddPack(0, dir.filePath("missing.json"));
    QVERIFY(!manager.HasPack(0));
    manager.AddPack(0, dir.filePath("odd.json"));
    QVERIFY(manager.HasPack(0));
    QCOMPARE(manager.GetText(4), QString());
    QCOMPARE(manager.GetText(5), QStringLiteral("Yes"));
    manager.AddPack(9, dir.filePath("odd.json"));
    manager.AddPack(-1, dir.filePath("odd.json"));
}

void TestLanguages::errorTexts()
{
    Install install;
    LanguageManager manager;
    manager.LoadPacks(install.variables, 1033);
    QCOMPARE(FormatErrorText(manager, E_WRONG_PASSWORD), QStringLiteral("The password is wrong."));
    QCOMPARE(FormatErrorText(manager, MakeStatus(0x80040303u)), manager.GetText(27));
    // An own code without a text: 155 with its number.
    QCOMPARE(FormatErrorText(manager, MakeStatus(0x80040399u)), QStringLiteral("Unknown error (code 921)."));
    QCOMPARE(FormatErrorText(manager, StatusFromWin32(5)), QStringLiteral("System (0x00000005): Permission denied"));
    QCOMPARE(FormatErrorText(manager, StatusFromWin32(112)), QStringLiteral("System (0x00000070): No space left on device"));
    QCOMPARE(FormatErrorText(manager, E_OUTOFMEMORY), QStringLiteral("System (0x0000000E): Cannot allocate memory"));
    // No system text for the number: the generic error.
    QCOMPARE(FormatErrorText(manager, E_UNEXPECTED), QStringLiteral("An error occurred."));
    QVERIFY(manager.SelectLanguage(2, true));
    QCOMPARE(FormatErrorText(manager, E_WRONG_PASSWORD), QStringLiteral("Le mot de passe est incorrect."));
    // Every own code of every table has its text.
    for (std::uint32_t code = 0x80040301u; code <= 0x8004030Eu; ++code)
        QVERIFY(!FormatErrorText(manager, MakeStatus(code)).contains(QLatin1String("code")));
    for (std::uint32_t code = 0x8004C051u; code <= 0x8004C060u; ++code)
        QVERIFY(!FormatErrorText(manager, MakeStatus(code)).contains(QLatin1String("code")));
}

void TestLanguages::systemTextsFollowTheChosenLanguage_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<quint32>("error");
    QTest::addColumn<QString>("expected");
#ifdef _WIN32
    const quint32 unknown = 0xFFFF;  // Windows has a text for 999
#else
    const quint32 unknown = 999;
#endif
    QTest::newRow("English") << 0 << 2u << "System (0x00000002): No such file or directory";
    QTest::newRow("French") << 2 << 5u << "Système (0x00000005) : Permission refusée";
    QTest::newRow("Spanish") << 6 << 112u << "Sistema (0x00000070): No queda espacio en el dispositivo";
    QTest::newRow("Portuguese") << 7 << 3u << "Sistema (0x00000003): Arquivo ou diretório inexistente";
    QTest::newRow("German has no pack: English") << 1 << 5u << "System (0x00000005): Permission denied";
    QTest::newRow("Japanese has no pack: English") << 5 << 1117u << "System (0x0000045D): Input/output error";
    QTest::newRow("a number nobody knows: the generic error") << 2 << unknown << "";
    QTest::newRow("a number only the packs know") << 2 << 38u << "Système (0x00000026) : Fin du fichier atteinte";
}

void TestLanguages::systemTextsFollowTheChosenLanguage()
{
    QFETCH(int, language);
    QFETCH(quint32, error);
    QFETCH(QString, expected);
    // An environment that asks the C library for Spanish messages: the
    // program's choice of language must win over it.
    const QByteArray savedLanguage = qgetenv("LANGUAGE");
    const std::string savedLocale = std::setlocale(LC_ALL, nullptr);
    qputenv("LANGUAGE", "es");
    std::setlocale(LC_ALL, "C.UTF-8");
    Install install;
    LanguageManager manager;
    manager.LoadPacks(install.variables, 1033);
    QVERIFY(manager.SelectLanguage(language, true) || language == LanguageManager::kEnglish);
    const QString line = FormatErrorText(manager, StatusFromWin32(error));
    const QString alone = ErrorText::SystemLine(error);
    std::setlocale(LC_ALL, savedLocale.c_str());
    qputenv("LANGUAGE", savedLanguage);
    QCOMPARE(line, expected.isEmpty() ? manager.GetText(msg::kGenericError) : expected);
    // Without the packs the line is the system's own English.
    if (error == 2)
#ifdef _WIN32
        QCOMPARE(alone, QStringLiteral("System (0x00000002): ") + SystemError::Message(2));
#else
        QCOMPARE(alone, QStringLiteral("System (0x00000002): No such file or directory"));
#endif
}

void TestLanguages::settingsValues()
{
    QTemporaryDir dir;
    RegistrySettings settings(dir.filePath("nimbra.conf"));
    QCOMPARE(settings.KeyPath(), QStringLiteral("SOFTWARE\\Orvane\\Nimbra\\1.0.0.1\\"));
    QString text;
    QVERIFY(!settings.ReadText(QStringLiteral("ui.Frame.X"), &text));
    const QString longValue = QString(200, u'x') + QStringLiteral("é✓");
    QVERIFY(settings.WriteText(QStringLiteral("long"), longValue));
    QVERIFY(settings.ReadText(QStringLiteral("long"), &text));
    QCOMPARE(text, longValue);
    QVERIFY(settings.WriteNumber(QStringLiteral("ui.Frame.X"), -5));
    QVERIFY(settings.ReadText(QStringLiteral("ui.Frame.X"), &text));
    QCOMPARE(text, QStringLiteral("-5"));
    // Values survive into a new reader of the same file.
    RegistrySettings again(dir.filePath("nimbra.conf"));
    int n = 0;
    QVERIFY(again.ReadNumber(QStringLiteral("ui.Frame.X"), &n));
    QCOMPARE(n, -5);
    // A settings file that cannot be written reports it.
    RegistrySettings blocked(QStringLiteral("/proc/nimbra-cannot-write.conf"));
    QVERIFY(!blocked.WriteText(QStringLiteral("a"), QStringLiteral("b")));
}

void TestLanguages::settingsNumbers_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("number");
    QTest::newRow("12ab") << "12ab" << 12;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("blanks and sign") << "  -7x" << -7;
    QTest::newRow("plus") << "+3" << 3;
    QTest::newRow("letters") << "abc" << 0;
    QTest::newRow("overflow") << "99999999999" << 2147483647;
    QTest::newRow("underflow") << "-99999999999" << -2147483647 - 1;
}

void TestLanguages::settingsNumbers()
{
    QFETCH(QString, stored);
    QFETCH(int, number);
    QTemporaryDir dir;
    RegistrySettings settings(dir.filePath("nimbra.conf"));
    QVERIFY(settings.WriteText(QStringLiteral("v"), stored));
    int value = 12345;
    QVERIFY(settings.ReadNumber(QStringLiteral("v"), &value));
    QCOMPARE(value, number);
}

void TestLanguages::messageBoxRules()
{
    const auto buttons = MessageBox::Buttons(mb::kYes | mb::kNo);
    QCOMPARE(buttons.size(), std::size_t(2));
    QCOMPARE(buttons[0].id, mb::kIdYes);
    QCOMPARE(buttons[0].labelId, msg::kButtonYes);
    QCOMPARE(MessageBox::DefaultButton(48), mb::kIdYes);
    QCOMPARE(MessageBox::EscapeButton(48), mb::kIdNo);
    // OK is the default whenever it is there; Cancel, created last, answers Escape.
    QCOMPARE(MessageBox::DefaultButton(mb::kAbort | mb::kOk | mb::kCancel), mb::kIdOk);
    QCOMPARE(MessageBox::EscapeButton(127), mb::kIdCancel);
    QCOMPARE(MessageBox::Buttons(127).size(), std::size_t(7));
    QCOMPARE(MessageBox::EscapeButton(0), 0u);
    MessageBox::Install(nullptr);
    QCOMPARE(ShowMessageBox(nullptr, {}, QStringLiteral("nobody answers"), 48, mb::kIconInformation), 0u);
}

void TestLanguages::workerQuestionsAreAnsweredInOrder()
{
    ScriptedMessageBox script;
    script.Script({mb::kIdYes, mb::kIdNo | mb::kCheckTicked});
    MessageBox::Install(&script);
    QList<std::uint32_t> answers;
    QThread* worker = QThread::create([&] {
        for (int i = 0; i < 3; ++i)
            answers << ShowMessageBox(nullptr, QStringLiteral("Nimbra"), QStringLiteral("Question %1").arg(i), 48,
                                      mb::kIconInformation, 0, QStringLiteral("Do this for all"));
    });
    worker->start();
    QVERIFY(worker->wait(10000));
    delete worker;
    MessageBox::Install(nullptr);
    QCOMPARE(answers, (QList<std::uint32_t> {mb::kIdYes, mb::kIdNo | mb::kCheckTicked, mb::kIdNo}));
    const QList<MessageBoxRequest> asked = script.Asked();
    QCOMPARE(asked.size(), 3);
    QCOMPARE(asked.at(2).text, QStringLiteral("Question 2"));
    QCOMPARE(asked.at(0).buttons, 48u);
    QCOMPARE(asked.at(0).checkText, QStringLiteral("Do this for all"));
}

QTEST_GUILESS_MAIN(TestLanguages)
#include "tst_languages.moc"
