#include "CliTestSupport.h"

#include "TestSupport.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

namespace nbr::test {

QString Config()
{
    static QTemporaryDir config;
    return config.path();
}

QProcessEnvironment CliEnvironment()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), Config());
    env.remove(QStringLiteral("LC_ALL"));
    env.remove(QStringLiteral("LC_MESSAGES"));
    env.remove(QStringLiteral("LANGUAGE"));
    return env;
}

Result RunCli(const QStringList& arguments, const QByteArray& input, const QString& inputFile,
              const QHash<QString, QString>& extra, int timeoutMs)
{
    QProcess process;
    QProcessEnvironment env = CliEnvironment();
    for (auto it = extra.begin(); it != extra.end(); ++it)
        env.insert(it.key(), it.value());
    process.setProcessEnvironment(env);
    if (!inputFile.isEmpty())
        process.setStandardInputFile(inputFile);
    process.start(QStringLiteral(NIMBRA_CLI), arguments);
    if (inputFile.isEmpty()) {
        process.write(input);
        process.closeWriteChannel();
    }
    Result result;
    if (!process.waitForFinished(timeoutMs) || process.exitStatus() != QProcess::NormalExit)
        return result;
    result.exitCode = process.exitCode();
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

QStringList SetUpStore(const QTemporaryDir& root, bool* ok)
{
    *ok = WriteAll(root.filePath(QStringLiteral("pw")), "secret1\n")
          && RunCli({QStringLiteral("--root"), root.path(), QStringLiteral("init")}, "secret1\nsecret1\n").exitCode == 0;
    return {QStringLiteral("--root"), root.path(), QStringLiteral("--password-file"), root.filePath(QStringLiteral("pw"))};
}

Result RunOnTerminal(const QStringList& arguments, const QByteArray& input)
{
    QStringList quoted;
    for (const QString& a : QStringList {QStringLiteral(NIMBRA_CLI)} + arguments)
        quoted << QLatin1Char('\'') + a + QLatin1Char('\'');
    QProcess process;
    process.setProcessEnvironment(CliEnvironment());
    process.start(QStringLiteral("script"), {QStringLiteral("-q"), QStringLiteral("-e"), QStringLiteral("-c"), quoted.join(QLatin1Char(' ')),
                                             QStringLiteral("/dev/null")});
    Result result;
    if (!process.waitForStarted())
        return result;
    // Type line by line, as a person would, once the program waits.
    for (const QByteArray& line : input.split('\n')) {
        if (line.isEmpty())
            continue;
        QThread::msleep(300);
        process.write(line + '\n');
        process.waitForBytesWritten();
    }
    process.closeWriteChannel();
    if (!process.waitForFinished(30000))
        return result;
    result.exitCode = process.exitCode();
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    return result;
}

}  // namespace nbr::test
