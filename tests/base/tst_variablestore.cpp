// Configuration variables: the launch argument, the host's values, the
// expansion of references (including definitions that never stop referring),
// and values from paths that are never read as references.

#include "base/VariableStore.h"

#include <QTest>

using namespace nbr;

namespace {

HostFacts Facts(const QString& program = QStringLiteral("/media/stick/Nimbra"))
{
    HostFacts facts;
    facts.programPath = program;
    facts.languageId = 1036;
    facts.appDataFolder = QStringLiteral("/home/u/.local/share");
    return facts;
}

}  // namespace

class TestVariableStore : public QObject {
    Q_OBJECT

private slots:
    void launchArgument_data();
    void launchArgument();
    void launchVolumeIsTheMountPoint();
    void hostValues();
    void programWithoutFolder();
    void expansion_data();
    void expansion();
    void doublingDefinitionsEnd();
    void pathsAreNotReferences_data();
    void pathsAreNotReferences();
    void undefinedNamesAreNotCreated();
};

void TestVariableStore::launchArgument_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("launchPath");  // empty: undefined
    QTest::newRow("quoted") << QStringList {QStringLiteral("prog"), QStringLiteral("-l=\"f:\\\"")} << QStringLiteral("F:\\");
    QTest::newRow("plain letter") << QStringList {QStringLiteral("-l=e:\\tools")} << QStringLiteral("E:\\tools");
    QTest::newRow("a top given as its dot") << QStringList {QStringLiteral("-l=/media/x/.")} << QStringLiteral("/media/x/");
    QTest::newRow("posix path keeps case") << QStringList {QStringLiteral("-l=/media/x")} << QStringLiteral("/media/x");
    QTest::newRow("non-ASCII first letter") << QStringList {QStringLiteral("-l=é")} << QStringLiteral("é");
    QTest::newRow("second wins") << QStringList {QStringLiteral("-l=a:"), QStringLiteral("-l=b:")} << QStringLiteral("B:");
    QTest::newRow("a later empty one keeps the earlier") << QStringList {QStringLiteral("-l=a:"), QStringLiteral("-l=\"\"")} << QStringLiteral("A:");
    QTest::newRow("upper-case L") << QStringList {QStringLiteral("-L=c:")} << QString();
    QTest::newRow("not at the start") << QStringList {QStringLiteral("x-l=c:")} << QString();
    QTest::newRow("none") << QStringList {QStringLiteral("prog")} << QString();
    QTest::newRow("empty") << QStringList {QStringLiteral("-l=")} << QString();
    QTest::newRow("lone quote") << QStringList {QStringLiteral("-l=\"")} << QString();
    QTest::newRow("two quotes") << QStringList {QStringLiteral("-l=\"\"")} << QString();
}

void TestVariableStore::launchArgument()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, launchPath);
    VariableStore store;
    store.InitVariables(arguments, Facts());
    if (launchPath.isEmpty()) {
        QCOMPARE(store.GetVariable(QStringLiteral("NBR_DEVICE_LAUNCH_LETTER")),
                 QStringLiteral("<undefined NBR_DEVICE_LAUNCH_LETTER>"));
        QVERIFY(!store.IsDefined(QStringLiteral("NBR_DEVICE_LAUNCH_PATH")));
    } else {
        QCOMPARE(store.GetVariable(QStringLiteral("NBR_DEVICE_LAUNCH_PATH")), launchPath);
        QVERIFY(store.IsDefined(QStringLiteral("NBR_DEVICE_LAUNCH_LETTER")));
    }
}

void TestVariableStore::launchVolumeIsTheMountPoint()
{
    VariableStore store;
    // A path that does not exist yet still has the volume of its nearest folder.
    store.InitVariables({QStringLiteral("-l=/proc/self/not-there/deeper")}, Facts());
    QCOMPARE(store.GetVariable(QStringLiteral("NBR_DEVICE_LAUNCH_LETTER")), QStringLiteral("/proc"));
    store.InitVariables({QStringLiteral("-l=/proc/")}, Facts());
    QCOMPARE(store.GetVariable(QStringLiteral("NBR_DEVICE_LAUNCH_LETTER")), QStringLiteral("/proc"));
}

void TestVariableStore::hostValues()
{
    VariableStore store;
    store.InitVariables({}, Facts());
    QCOMPARE(store.GetVariable(QStringLiteral("NBR_HOST_EXEC_PATH")), QStringLiteral("/media/stick"));
    QCOMPARE(store.GetVariable(QStringLiteral("NBR_MODULE_NAME")), QStringLiteral("Nimbra"));
    QCOMPARE(store.GetVariable(QStringLiteral("NBR_HOST_TEMP_PATH")), QStringLiteral("/media/stick/Temp"));
    QCOMPARE(store.GetVariable(QStringLiteral("NBR_ENV_LANGUAGE")), QStringLiteral("1036"));
    QCOMPARE(store.GetVariable(QStringLiteral("NBR_HOST_APPDATA_PATH")),
             QStringLiteral("/home/u/.local/share/Orvane/Nimbra"));
    QCOMPARE(store.GetVariable(QStringLiteral("NBR_DEVICE_DOCUMENT_PATH")),
             QStringLiteral("<undefined NBR_DEVICE_DOCUMENT_LETTER>/Encrypted Data"));
    QCOMPARE(store.GetVariable(QStringLiteral("NBR_SEC_PARAM_FILE")),
             QStringLiteral("<undefined NBR_DEVICE_DOCUMENT_LETTER>/Encrypted Data/secparams.enc"));
    store.SetVariable(QStringLiteral("NBR_DEVICE_DOCUMENT_LETTER"), QStringLiteral("/media/stick"));
    QCOMPARE(store.GetVariable(QStringLiteral("NBR_SEC_PARAM_FILE")),
             QStringLiteral("/media/stick/Encrypted Data/secparams.enc"));
    QCOMPARE(store.GetVariable(QStringLiteral("NBR_DEVICE_APP_SETTINGS_PATH")),
             QStringLiteral("/media/stick/Nimbra Settings"));
    // Names are case-sensitive.
    QCOMPARE(store.GetVariable(QStringLiteral("nbr_module_name")), QStringLiteral("<undefined nbr_module_name>"));
}

void TestVariableStore::programWithoutFolder()
{
    VariableStore store;
    store.InitVariables({}, Facts(QStringLiteral("Nimbra")));
    QVERIFY(!store.IsDefined(QStringLiteral("NBR_HOST_EXEC_PATH")));
    QVERIFY(!store.IsDefined(QStringLiteral("NBR_MODULE_NAME")));
    QCOMPARE(store.GetVariable(QStringLiteral("NBR_HOST_TEMP_PATH")), QStringLiteral("<undefined NBR_HOST_EXEC_PATH>/Temp"));
    // A program at the top of the file system: the folder is the empty root.
    store.InitVariables({}, Facts(QStringLiteral("/Nimbra")));
    QCOMPARE(store.GetVariable(QStringLiteral("NBR_HOST_TEMP_PATH")), QStringLiteral("/Temp"));
}

void TestVariableStore::expansion_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expanded");
    QTest::newRow("nested") << "1" << "%A%" << "%A%-%B%" << "1-1";
    QTest::newRow("empty name") << "1" << "2" << "x%%y" << "x<undefined >y";
    QTest::newRow("lone percent") << "1" << "2" << "100% sure" << "100% sure";
    QTest::newRow("lone percent after a reference") << "1" << "2" << "%A%%" << "1%";
    QTest::newRow("percent in a definition") << "50%" << "2" << "%A% off" << "50% off";
    QTest::newRow("reference made of two values") << "%B" << "C%" << "%A%%B%" << "%BC%";
    QTest::newRow("self reference") << "%A%" << "2" << "%A%" << "%A%";
    QTest::newRow("cycle") << "%B%" << "%A%" << "<%A%>" << "<%A%>";
    QTest::newRow("doubling itself") << "%A%%A%" << "2" << "%A%" << "%A%%A%";
    QTest::newRow("undefined reference") << "1" << "2" << "%Z%" << "<undefined Z>";
}

void TestVariableStore::expansion()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(QString, value);
    QFETCH(QString, expanded);
    VariableStore store;
    store.SetDefinition(QStringLiteral("A"), a);
    store.SetDefinition(QStringLiteral("B"), b);
    store.SetDefinition(QStringLiteral("V"), value);
    QCOMPARE(store.GetVariable(QStringLiteral("V")), expanded);
}

void TestVariableStore::doublingDefinitionsEnd()
{
    // Each level doubles the one below: 2^40 characters if nothing stopped it.
    VariableStore store;
    store.SetVariable(QStringLiteral("D0"), QStringLiteral("x"));
    for (int level = 1; level <= 40; ++level) {
        const QString below = QStringLiteral("%D") + QString::number(level - 1) + QLatin1Char('%');
        store.SetDefinition(QStringLiteral("D") + QString::number(level), below + below);
    }
    const QString result = store.GetVariable(QStringLiteral("D40"));
    QCOMPARE(result.size(), VariableStore::kMaxExpandedLength);
    QVERIFY(!result.contains(QLatin1Char('%')));
}

void TestVariableStore::pathsAreNotReferences_data()
{
    QTest::addColumn<QString>("launch");   // the -l= argument, empty for none
    QTest::addColumn<QString>("program");  // the running program's path
    QTest::addColumn<QString>("letter");   // the store's volume root
    QTest::addColumn<QString>("variable");
    QTest::addColumn<QString>("expected");
    const QString program = QStringLiteral("/media/stick/Nimbra");
    QTest::newRow("volume root with a reference")
        << QString() << program << "/tmp/50%OFF%sale" << "NBR_SEC_PARAM_FILE"
        << "/tmp/50%OFF%sale/Encrypted Data/secparams.enc";
    QTest::newRow("volume root naming a defined variable")
        << QString() << program << "/tmp/%NBR_HOST_EXEC_PATH%" << "NBR_DEVICE_DOCUMENT_PATH"
        << "/tmp/%NBR_HOST_EXEC_PATH%/Encrypted Data";
    QTest::newRow("volume root with an empty reference")
        << QString() << program << "/tmp/a%%b" << "NBR_DEVICE_APP_SETTINGS_PATH" << "/tmp/a%%b/Nimbra Settings";
    QTest::newRow("launch path")
        << "-l=/media/50%OFF%sale/Nimbra" << program << QString() << "NBR_DEVICE_LAUNCH_PATH"
        << "/media/50%OFF%sale/Nimbra";
    QTest::newRow("program folder")
        << QString() << "/media/%NBR_MODULE_NAME%/Nimbra" << QString() << "NBR_HOST_EXEC_PATH"
        << "/media/%NBR_MODULE_NAME%";
    QTest::newRow("definition over the program folder")
        << QString() << "/media/%NBR_ENV_LANGUAGE%/Nimbra" << QString() << "NBR_HOST_TEMP_PATH"
        << "/media/%NBR_ENV_LANGUAGE%/Temp";
    QTest::newRow("program name")
        << QString() << "/media/stick/%A%B%" << QString() << "NBR_MODULE_NAME" << "%A%B%";
    QTest::newRow("lone percent in the program folder")
        << QString() << "/media/100%/Nimbra" << QString() << "NBR_HOST_TEMP_PATH" << "/media/100%/Temp";
}

void TestVariableStore::pathsAreNotReferences()
{
    QFETCH(QString, launch);
    QFETCH(QString, program);
    QFETCH(QString, letter);
    QFETCH(QString, variable);
    QFETCH(QString, expected);
    VariableStore store;
    store.InitVariables(launch.isEmpty() ? QStringList {} : QStringList {launch}, Facts(program));
    if (!letter.isEmpty())
        store.SetVariable(QStringLiteral("NBR_DEVICE_DOCUMENT_LETTER"), letter);
    QCOMPARE(store.GetVariable(variable), expected);
}

void TestVariableStore::undefinedNamesAreNotCreated()
{
    VariableStore store;
    QCOMPARE(store.GetVariable(QStringLiteral("NOPE")), QStringLiteral("<undefined NOPE>"));
    QVERIFY(!store.IsDefined(QStringLiteral("NOPE")));
    store.SetVariable(QStringLiteral("X"), QStringLiteral("1"));
    store.SetVariable(QStringLiteral("X"), QStringLiteral("2"));
    QCOMPARE(store.GetVariable(QStringLiteral("X")), QStringLiteral("2"));
}

QTEST_GUILESS_MAIN(TestVariableStore)
#include "tst_variablestore.moc"
